#include "setup/JournalFile.h"

#include "setup/Journal.h"
#include "setup/SjisString.h"

namespace {

bool WriteAll(HANDLE file, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr))
            return false;
        if (put == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += put;
    }
    return true;
}

bool MoveTo(HANDLE file, LONGLONG offset, DWORD method)
{
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    return low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

}  // namespace

void CJournalFile::SetFolder(const std::string& folder)
{
    Close();
    m_Path = CleanPath(AddTrailingBackslash(folder) + CJournal::kFileName);
}

bool CJournalFile::Failed()
{
    m_Error = GetLastError();
    return false;
}

bool CJournalFile::Open(DWORD disposition)
{
    m_AtEnd = false;
    m_File.Reset(CreateFileA(m_Path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_File.IsValid() || Failed();
}

bool CJournalFile::Read(std::vector<uint8_t>& bytes)
{
    bytes.clear();
    CFileObjectHandle file(CreateFileA(m_Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return Failed();
    uint8_t chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr))
            return Failed();
        if (got == 0)
            return true;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

bool CJournalFile::OpenExisting(size_t keep)
{
    if (!Open(OPEN_EXISTING))
        return false;
    if (!MoveTo(m_File.Get(), static_cast<LONGLONG>(keep), FILE_BEGIN) || !SetEndOfFile(m_File.Get())) {
        Failed();
        m_File.Close();
        return false;
    }
    return true;
}

bool CJournalFile::Create(const std::vector<uint8_t>& bytes)
{
    if (!Open(CREATE_NEW))
        return false;
    if (WriteAll(m_File.Get(), bytes))
        return true;
    Failed();
    DWORD error = m_Error;
    Remove();
    m_Error = error;
    return false;
}

bool CJournalFile::Append(const std::vector<uint8_t>& bytes)
{
    if (!m_File.IsValid()) {
        m_Error = ERROR_INVALID_HANDLE;
        return false;
    }
    // Only this process writes it: after an append the position is the end.
    m_AtEnd = (m_AtEnd || MoveTo(m_File.Get(), 0, FILE_END)) && WriteAll(m_File.Get(), bytes);
    return m_AtEnd || Failed();
}

bool CJournalFile::Overwrite(size_t offset, const std::vector<uint8_t>& bytes)
{
    if (!m_File.IsValid()) {
        m_Error = ERROR_INVALID_HANDLE;
        return false;
    }
    m_AtEnd = false;
    return (MoveTo(m_File.Get(), static_cast<LONGLONG>(offset), FILE_BEGIN) && WriteAll(m_File.Get(), bytes)) ||
           Failed();
}

bool CJournalFile::Flush()
{
    if (!m_File.IsValid()) {
        m_Error = ERROR_INVALID_HANDLE;
        return false;
    }
    return FlushFileBuffers(m_File.Get()) || Failed();
}

bool CJournalFile::Remove()
{
    m_File.Close();
    if (m_Path.empty() || DeleteFileA(m_Path.c_str()))
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return true;
    m_Error = error;
    return false;
}
