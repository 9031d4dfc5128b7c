#pragma once
// One open registry key below a root it does not own.
#include <windows.h>

#include <cstdint>
#include <string>

class CRegistryKey {
public:
    explicit CRegistryKey(HKEY root);
    virtual ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool Open(const std::string& subkey, REGSAM access);
    bool Create(const std::string& subkey);
    bool Close();
    bool IsOpen() const { return m_Key != nullptr; }
    const std::string& Path() const { return m_Path; }

    bool SetString(const std::string& name, const std::string& text);
    bool SetDword(const std::string& name, uint32_t value);
    bool SetBinary(const std::string& name, const void* data, uint32_t size);
    // The value's type and byte size; type 0 and size 0 when closed or missing.
    DWORD QueryValue(const std::string& name, DWORD& size);
    bool GetString(const std::string& name, std::string& text);
    bool GetDword(const std::string& name, uint32_t& value);
    bool GetBinary(const std::string& name, void* buffer, uint32_t bufferSize);
    bool DeleteValue(const std::string& name);
    bool DeleteSubKey(const std::string& subkey);
    bool EnumSubKey(DWORD index, std::string& name);

private:
    HKEY m_Root;
    HKEY m_Key = nullptr;
    std::string m_Path;
};
