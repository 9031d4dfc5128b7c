#pragma once
#include "update/UpdateFiles.h"

#include <windows.h>

// The update's file operations on the real file system.
class CWin32UpdateFiles : public CUpdateFiles {
public:
    Kind GetKind(const std::string& path) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override;
    // Upper case as the system folds names (double-byte letters included).
    std::string FoldName(const std::string& name) override;
    bool MakeFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) override;
    bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) override;
    bool CheckWritable(const std::string& path) override;
    uint32_t LastError() const override { return m_Error; }
    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }

private:
    bool Failed();
    uint32_t m_Error = 0;
};
