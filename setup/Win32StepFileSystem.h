#pragma once
#include "setup/StepFileSystem.h"

#include <windows.h>

class CFileHandle;

// The update's steps on the real file system. The file a step opens for the
// copy is opened into the given handle.
class CWin32StepFileSystem : public CStepFileSystem {
public:
    explicit CWin32StepFileSystem(CFileHandle* output = nullptr) : m_Output(output) {}

    Kind GetKind(const std::string& path) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override;
    // Upper case as the system folds names (double-byte letters included).
    std::string FoldName(const std::string& name) override;
    bool MakeFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool RemoveFileIfEmpty(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool RenameOver(const std::string& from, const std::string& to) override;
    bool OpenOutput(const std::string& path, bool createNew) override;
    uint32_t LastError() const override { return m_Error; }
    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }

private:
    bool Failed();

    CFileHandle* m_Output;
    uint32_t m_Error = 0;
};
