#include "installer/Product.h"
#include "setup/InstallEngine.h"
#include <windows.h>

namespace installer {

namespace {

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// One open registry key.
class CKey {
public:
    CKey(HKEY root, const std::string& path) : m_hKey(nullptr)
    {
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &m_hKey) != ERROR_SUCCESS)
            m_hKey = nullptr;
    }
    ~CKey()
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
    }
    bool GetString(const char* name, std::string* value) const
    {
        DWORD type = 0, size = 0;
        if (!m_hKey || RegQueryValueExA(m_hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        std::string data(size + 1, '\0');
        if (RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
            ERROR_SUCCESS)
            return false;
        data.resize(size);
        *value = data.c_str();
        return true;
    }

private:
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
    HKEY m_hKey;
};

// One search handle.
class CFind {
public:
    CFind(const std::string& pattern, WIN32_FIND_DATAA* data)
        : m_hFind(FindFirstFileA(pattern.c_str(), data)) {}
    ~CFind()
    {
        if (m_hFind != INVALID_HANDLE_VALUE)
            FindClose(m_hFind);
    }
    bool IsOpen() const { return m_hFind != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA* data) { return FindNextFileA(m_hFind, data) != 0; }

private:
    CFind(const CFind&) = delete;
    CFind& operator=(const CFind&) = delete;
    HANDLE m_hFind;
};

void ListInto(const std::string& folder, const std::string& prefix, std::vector<std::string>* files)
{
    WIN32_FIND_DATAA data;
    CFind find(engine_path::Join(folder, "*.*"), &data);
    if (!find.IsOpen())
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListInto(engine_path::Join(folder, name), relative, files);
        else
            files->push_back(relative);
    } while (find.Next(&data));
}

}  // namespace

std::string GetModulePath()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string GetModuleFolder()
{
    return engine_path::FolderOf(GetModulePath());
}

std::string ToForwardSlashes(const std::string& path)
{
    std::string out = path;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsLeadByte(out[i]) && i + 1 < out.size())
            ++i;
        else if (out[i] == '\\')
            out[i] = '/';
    }
    return out;
}

bool FindInstalledProduct(const std::string& product, std::string* folder, std::string* program)
{
    std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + product + ".exe";
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        CKey open(root, key);
        std::string defaultValue, pathValue;
        if (open.GetString(nullptr, &defaultValue) && open.GetString("Path", &pathValue)) {
            *folder = pathValue;
            *program = defaultValue;
            return true;
        }
    }
    return false;
}

std::string RegisteredProgramPath(const std::string& folder, const std::string& program)
{
    bool absolute = (program.size() >= 3 && program[1] == ':' && program[2] == '\\') ||
                    (program.size() >= 2 && program[0] == '\\' && program[1] == '\\');
    return absolute ? program : engine_path::Join(folder, program);
}

std::vector<std::string> ListFilesBelow(const std::string& folder)
{
    std::vector<std::string> files;
    ListInto(folder, std::string(), &files);
    return files;
}

}  // namespace installer
