#include "setup/RegistryKey.h"

#include <vector>

namespace {
// The default value is addressed by an empty name.
const char* ValueName(const std::string& name) { return name.c_str(); }
}  // namespace

CRegistryKey::CRegistryKey(HKEY root) : m_Root(root) {}

CRegistryKey::~CRegistryKey() { Close(); }

bool CRegistryKey::Open(const std::string& subkey, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyExA(m_Root, subkey.c_str(), 0, access, &key) != ERROR_SUCCESS) {
        Close();
        return false;
    }
    m_Key = key;
    m_Path = subkey;
    return true;
}

bool CRegistryKey::Create(const std::string& subkey)
{
    Close();
    HKEY key = nullptr;
    char cls[] = "";
    if (RegCreateKeyExA(m_Root, subkey.c_str(), 0, cls, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Close();
        return false;
    }
    m_Key = key;
    m_Path = subkey;
    return true;
}

bool CRegistryKey::Close()
{
    bool ok = true;
    if (m_Key)
        ok = RegCloseKey(m_Key) == ERROR_SUCCESS;
    m_Key = nullptr;
    m_Path.clear();
    return ok;
}

bool CRegistryKey::SetString(const std::string& name, const std::string& text)
{
    if (!m_Key)
        return false;
    return RegSetValueExA(m_Key, ValueName(name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool CRegistryKey::SetDword(const std::string& name, uint32_t value)
{
    if (!m_Key)
        return false;
    DWORD v = value;
    return RegSetValueExA(m_Key, ValueName(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                          sizeof v) == ERROR_SUCCESS;
}

bool CRegistryKey::SetBinary(const std::string& name, const void* data, uint32_t size)
{
    if (!m_Key)
        return false;
    return RegSetValueExA(m_Key, ValueName(name), 0, REG_BINARY, static_cast<const BYTE*>(data),
                          size) == ERROR_SUCCESS;
}

DWORD CRegistryKey::QueryValue(const std::string& name, DWORD& size)
{
    size = 0;
    if (!m_Key)
        return 0;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExA(m_Key, ValueName(name), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return 0;
    size = bytes;
    return type;
}

bool CRegistryKey::GetString(const std::string& name, std::string& text)
{
    text.clear();
    DWORD size = 0;
    if (QueryValue(name, size) == 0 || size == 0)
        return false;
    std::vector<char> block(size);
    DWORD type = 0, got = size;
    if (RegQueryValueExA(m_Key, ValueName(name), nullptr, &type,
                         reinterpret_cast<BYTE*>(block.data()), &got) != ERROR_SUCCESS)
        return false;
    if (got > size)
        got = size;
    size_t len = 0;
    while (len < got && block[len] != '\0')
        ++len;
    text.assign(block.data(), len);
    return true;
}

bool CRegistryKey::GetDword(const std::string& name, uint32_t& value)
{
    value = 0;
    DWORD size = 0;
    QueryValue(name, size);
    if (size != 4)
        return false;
    DWORD v = 0, type = 0, got = sizeof v;
    if (RegQueryValueExA(m_Key, ValueName(name), nullptr, &type, reinterpret_cast<BYTE*>(&v),
                         &got) != ERROR_SUCCESS)
        return false;
    value = v;
    return true;
}

bool CRegistryKey::GetBinary(const std::string& name, void* buffer, uint32_t bufferSize)
{
    DWORD size = 0;
    QueryValue(name, size);
    if (size == 0 || size > bufferSize)
        return false;
    DWORD type = 0, got = bufferSize;
    return RegQueryValueExA(m_Key, ValueName(name), nullptr, &type, static_cast<BYTE*>(buffer),
                            &got) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteValue(const std::string& name)
{
    if (!m_Key)
        return false;
    return RegDeleteValueA(m_Key, ValueName(name)) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteSubKey(const std::string& subkey)
{
    if (m_Key && m_Path == subkey)
        Close();
    CRegistryKey probe(m_Root);
    if (!probe.Open(subkey, KEY_ALL_ACCESS))
        return true;
    probe.Close();
    return RegDeleteKeyA(m_Root, subkey.c_str()) == ERROR_SUCCESS;
}

bool CRegistryKey::EnumSubKey(DWORD index, std::string& name)
{
    name.clear();
    if (!m_Key)
        return false;
    char buf[MAX_PATH];
    DWORD len = sizeof buf;
    if (RegEnumKeyExA(m_Key, index, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name.assign(buf, len);
    return true;
}
