#include "update/Win32UpdateFiles.h"

#include "framework/FileRename.h"
#include "framework/Handle.h"
#include "framework/NameCase.h"

namespace {

// A journal larger than this is no journal of this program.
const DWORD kMaxRead = 64u << 20;

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool CWin32UpdateFiles::Failed()
{
    m_Error = GetLastError();
    return false;
}

CUpdateFiles::Kind CWin32UpdateFiles::GetKind(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m_Error = GetLastError();
        return IsGone(m_Error) ? kMissing : kFile;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return kFolder;
    return attributes & FILE_ATTRIBUTE_READONLY ? kReadOnlyFile : kFile;
}

bool CWin32UpdateFiles::ListFolder(const std::string& folder, std::vector<std::string>& names)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find.IsValid())
        return Failed();
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find.Get(), &data));
    return true;
}

std::string CWin32UpdateFiles::FoldName(const std::string& name)
{
    std::string folded = name;
    return UpperCaseName(folded) ? folded : CUpdateFiles::FoldName(name);
}

bool CWin32UpdateFiles::MakeFolder(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) || Failed();
}

bool CWin32UpdateFiles::RemoveFolder(const std::string& path)
{
    if (RemoveDirectoryA(path.c_str()))
        return true;
    DWORD error = GetLastError();
    if (IsGone(error))
        return true;
    // Some systems say "access denied" for a folder that holds files.
    if (error != ERROR_DIR_NOT_EMPTY && GetKind(path) == kFolder) {
        std::vector<std::string> names;
        if (ListFolder(path, names) && !names.empty())
            error = ERROR_DIR_NOT_EMPTY;
    }
    m_Error = error;
    return false;
}

bool CWin32UpdateFiles::RemoveFile(const std::string& path)
{
    if (DeleteFileA(path.c_str()))
        return true;
    DWORD error = GetLastError();
    // Gone, or a folder holds the name: no file is left there.
    if (IsGone(error) || GetKind(path) == kFolder)
        return true;
    m_Error = error;
    return false;
}

bool CWin32UpdateFiles::Rename(const std::string& from, const std::string& to)
{
    // Never over an existing name.
    return RenameFile(from.c_str(), to.c_str()) || Failed();
}

bool CWin32UpdateFiles::ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    CFileObjectHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return Failed();
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return Failed();
    if (high != 0 || size > kMaxRead) {
        m_Error = ERROR_INVALID_DATA;
        return false;
    }
    bytes.resize(size);
    DWORD got = 0;
    if (size != 0 && !::ReadFile(file.Get(), bytes.data(), size, &got, nullptr))
        return Failed();
    bytes.resize(got);
    return true;
}

bool CWin32UpdateFiles::WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    CFileObjectHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    if (!file.IsValid())
        return Failed();
    DWORD put = 0;
    if ((!bytes.empty() && !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr)) ||
        !FlushFileBuffers(file.Get()))
        return Failed();
    if (put != bytes.size()) {
        m_Error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

bool CWin32UpdateFiles::CheckWritable(const std::string& path)
{
    CFileObjectHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    return file.IsValid() || Failed();
}
