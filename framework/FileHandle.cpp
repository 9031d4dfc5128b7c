#include "framework/FileHandle.h"

#include "framework/Windows9x.h"

#include <utility>

namespace {

const int kAttempts = 10;

// 64-bit SetFilePointer; false on failure.
bool MovePointer(HANDLE file, LONGLONG distance, DWORD method, ULONGLONG* position)
{
    LONG high = static_cast<LONG>(distance >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(file, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;
    if (position)
        *position = (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
    return true;
}

// Puts the position back by the bytes a request has moved it. The start is
// never read beforehand, so a request that succeeds at once costs one call.
// The error that made the request fail is kept for the caller.
void MoveBack(HANDLE file, DWORD distance)
{
    DWORD error = GetLastError();
    if (distance != 0)
        MovePointer(file, -static_cast<LONGLONG>(distance), FILE_CURRENT, nullptr);
    SetLastError(error);
}

// Moves count bytes in as many calls as it takes: step(done, left, &moved)
// makes one call; after a call that fails the position goes back and the
// request starts over, kAttempts times at most. After a partial call,
// ended(moved) tells that no more can come: the position goes back and the
// request fails with ERROR_HANDLE_EOF. A failed request leaves the error of
// the call that failed.
template <class Step, class Ended>
bool TransferWhole(HANDLE file, DWORD count, Step step, Ended ended)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        DWORD done = 0;
        for (;;) {
            DWORD moved = 0;
            if (!step(done, count - done, &moved)) {
                MoveBack(file, done + moved);
                break;  // next attempt from the start
            }
            done += moved;
            if (done == count)
                return true;
            if (ended(moved)) {
                SetLastError(ERROR_HANDLE_EOF);
                MoveBack(file, done);
                return false;
            }
        }
    }
    return false;
}

}  // namespace

static HANDLE OpenForReading(const char* path, DWORD share)
{
    if (!path)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Exclusive read/write.
static HANDLE OpenForWriting(const char* path, DWORD disposition)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool CFileHandle::OpenRead(const char* path)
{
    Close();
    m_File.Reset(OpenForReading(path, FILE_SHARE_READ));
    return IsOpen();
}

bool CFileHandle::OpenReadShareAll(const char* path)
{
    Close();
    m_File.Reset(OpenForReading(path, ShareAllMode()));
    return IsOpen();
}

bool CFileHandle::OpenWrite(const char* path, bool truncate)
{
    Close();
    if (!path)
        return false;
    CFileObjectHandle file(OpenForWriting(path, truncate ? CREATE_ALWAYS : OPEN_ALWAYS));
    // A new or truncated file is already at 0; otherwise append.
    if (!file.IsValid() || (!truncate && !MovePointer(file.Get(), 0, FILE_END, nullptr)))
        return false;
    m_File = std::move(file);
    return true;
}

bool CFileHandle::CreateNew(const char* path)
{
    Close();
    if (!path)
        return false;
    m_File.Reset(OpenForWriting(path, CREATE_NEW));
    return IsOpen();
}

void CFileHandle::Close()
{
    m_File.Close();
}

DWORD CFileHandle::GetSize() const
{
    if (!IsOpen())
        return 0xFFFFFFFF;
    return GetFileSize(m_File.Get(), nullptr);
}

uint64_t CFileHandle::GetSize64() const
{
    if (!IsOpen())
        return ~uint64_t(0);
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_File.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return ~uint64_t(0);
    return (uint64_t(high) << 32) | low;
}

bool CFileHandle::Seek(LONG distance, DWORD method)
{
    if (!IsOpen() || (method != FILE_BEGIN && method != FILE_CURRENT && method != FILE_END))
        return false;
    return SetFilePointer(m_File.Get(), distance, nullptr, method) != INVALID_SET_FILE_POINTER;
}

DWORD CFileHandle::Tell() const
{
    if (!IsOpen())
        return 0;
    DWORD position = SetFilePointer(m_File.Get(), 0, nullptr, FILE_CURRENT);
    return position == INVALID_SET_FILE_POINTER ? 0 : position;
}

bool CFileHandle::ReadBytes(void* buffer, DWORD count)
{
    if (!IsOpen() || count == 0 || !buffer)
        return IsOpen() && count == 0;  // nothing to move is done at once
    BYTE* bytes = static_cast<BYTE*>(buffer);
    HANDLE file = m_File.Get();
    return TransferWhole(
        file, count,
        [&](DWORD done, DWORD left, DWORD* got) { return ReadFile(file, bytes + done, left, got, nullptr) != FALSE; },
        [&](DWORD got) {
            ULONGLONG position = 0;
            bool atEnd = MovePointer(file, 0, FILE_CURRENT, &position) && position >= GetSize64();
            return atEnd || got == 0;
        });
}

bool CFileHandle::WriteBytes(const void* buffer, DWORD count)
{
    if (!IsOpen() || count == 0 || !buffer)
        return IsOpen() && count == 0;  // nothing to move is done at once
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    HANDLE file = m_File.Get();
    return TransferWhole(
        file, count,
        [&](DWORD done, DWORD left, DWORD* put) {
            if (!WriteFile(file, bytes + done, left, put, nullptr))
                return false;
            if (*put == 0)
                SetLastError(ERROR_DISK_FULL);  // nothing taken, nothing said
            return *put != 0;
        },
        [](DWORD) { return false; });
}
