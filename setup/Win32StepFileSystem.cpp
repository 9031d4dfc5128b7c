#include "setup/Win32StepFileSystem.h"

#include "framework/FileHandle.h"
#include "framework/Handle.h"

namespace {

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool CWin32StepFileSystem::Failed()
{
    m_Error = GetLastError();
    return false;
}

CStepFileSystem::Kind CWin32StepFileSystem::GetKind(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m_Error = GetLastError();
        // Anything but "not there" means something is there that cannot be
        // looked at: never take it for free.
        return IsGone(m_Error) ? kMissing : kFile;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return kFolder;
    return attributes & FILE_ATTRIBUTE_READONLY ? kReadOnlyFile : kFile;
}

bool CWin32StepFileSystem::ListFolder(const std::string& folder, std::vector<std::string>& names)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find.IsValid())
        return Failed();
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        names.push_back(name);
        if (data.cAlternateFileName[0])
            names.push_back(data.cAlternateFileName);
    } while (FindNextFileA(find.Get(), &data));
    return true;
}

std::string CWin32StepFileSystem::FoldName(const std::string& name)
{
    if (name.empty())
        return name;
    int wide = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (wide <= 0)
        return CStepFileSystem::FoldName(name);
    std::wstring text(wide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), &text[0], wide);
    CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    int narrow = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0)
        return CStepFileSystem::FoldName(name);
    std::string folded(narrow, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), wide, &folded[0], narrow, nullptr, nullptr);
    return folded;
}

bool CWin32StepFileSystem::MakeFolder(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) || Failed();
}

bool CWin32StepFileSystem::RemoveFolder(const std::string& path)
{
    if (RemoveDirectoryA(path.c_str()))
        return true;
    DWORD error = GetLastError();
    if (IsGone(error))
        return true;
    // Some systems say "access denied" for a folder that holds files.
    if (error != ERROR_DIR_NOT_EMPTY && GetKind(path) == kFolder) {
        WIN32_FIND_DATAA data;
        CFindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
        bool empty = true;
        if (find.IsValid()) {
            do
                empty = empty && (!lstrcmpA(data.cFileName, ".") || !lstrcmpA(data.cFileName, ".."));
            while (empty && FindNextFileA(find.Get(), &data));
        }
        if (!empty)
            error = ERROR_DIR_NOT_EMPTY;
    }
    m_Error = error;
    return false;
}

bool CWin32StepFileSystem::RemoveFile(const std::string& path)
{
    if (DeleteFileA(path.c_str()))
        return true;
    DWORD error = GetLastError();
    // Gone, or a folder now holds the name: no file of the update is left.
    if (IsGone(error) || GetKind(path) == kFolder)
        return true;
    m_Error = error;
    return false;
}

bool CWin32StepFileSystem::RemoveFileIfEmpty(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        if (IsGone(error))
            return true;
        m_Error = error;
        return false;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.nFileSizeLow != 0 || data.nFileSizeHigh != 0)
        return true;
    return RemoveFile(path);
}

bool CWin32StepFileSystem::Rename(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), 0) || Failed();
}

bool CWin32StepFileSystem::RenameOver(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) || Failed();
}

bool CWin32StepFileSystem::OpenOutput(const std::string& path, bool createNew)
{
    if (!m_Output) {
        m_Error = ERROR_INVALID_HANDLE;
        return false;
    }
    bool opened = createNew ? m_Output->CreateNew(path.c_str()) : m_Output->OpenWrite(path.c_str(), true);
    return opened || Failed();
}
