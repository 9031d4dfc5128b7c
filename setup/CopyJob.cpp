#include "framework/FileHandle.h"
#include "setup/CdromDrives.h"
#include "setup/FindFile.h"
#include "setup/InstallEngine.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"
#include "update/Win32UpdateFiles.h"
#include <cstdio>
#include <memory>

namespace {

const DWORD kChunk = 0x4000;
const std::string kWriteFailed = "ファイル書き込みに失敗しました。[Error::WriteFile]\n";
const std::string kCreateFailed = "ファイル読み込みに失敗しました。[Error::CreateFile]\n";
const int kRunIds = 16;

// "WindowsError:" + the system's text for the last error.
std::string WindowsError(DWORD error)
{
    std::string text = "WindowsError:";
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, LANG_USER_DEFAULT,
                   reinterpret_cast<char*>(&message), 0, nullptr);
    if (message) {
        text += message;
        LocalFree(message);
    }
    return text;
}

// A fresh id for a staging folder: the clock, the process and the counter
// mixed, so that a folder left by another run is never taken for this one's.
uint32_t NewRunId(uint32_t attempt)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uint32_t x = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ counter.LowPart ^
                 static_cast<uint32_t>(counter.HighPart) * 0x9E3779B1u ^ attempt * 0x85EBCA77u;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}

}  // namespace

// The prompts come from the job's thread while the user may be looking at
// another program: they take the foreground.
int CInstallEngine::Prompt(const std::string& text, const char* caption, UINT style)
{
    return MessageBoxA(m_hOwner, text.c_str(), caption, style | MB_SETFOREGROUND);
}

bool CInstallEngine::PromptStuck(const std::string& path, DWORD error, bool deleting)
{
    std::string text = path + "\n" +
                       (deleting ? "ファイル削除に失敗しました。[Error::DeleteFile]\n"
                                 : "ファイルを元に戻せませんでした。[Error::Rollback]\n") +
                       WindowsError(error);
    return Prompt(text, deleting ? "DeleteFileError" : "RollbackError", MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY;
}

void CInstallEngine::PromptJournal(const std::string& path, bool legacy)
{
    std::string text = path + "\n" +
                       (legacy ? "以前の更新プログラムが途中で終えた更新の記録があり、安全に続きを行えないため、"
                                 "更新を中止しました。[Error::Journal]\n"
                               : "更新の記録が壊れているか、読めない形式のため、更新を中止しました。[Error::Journal]\n") +
                       "ゲームフォルダーのファイルは何も変更していません。";
    Prompt(text, "JournalError", MB_ICONERROR | MB_OK);
}

void CInstallEngine::RunJob(bool diskSet)
{
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    if (GetFreeSpace() <= m_RequiredSize) {
        Prompt("インストール先の容量が不足しています。\n十分な容量を確保してから再度インストールを試みてください。",
               "容量不足", MB_ICONERROR);
        m_Cancelled = 1;
        SetErrorMode(previousMode);
        return;
    }
    std::vector<char> buffer(kChunk);
    uint64_t previous = 0;
    // Switched in only when every byte of every entry was staged and is
    // durable.
    bool complete = BeginStaging() && m_Flusher.Begin();
    size_t index = 0;
    for (auto entry = m_CopyList.begin(); complete && entry != m_CopyList.end(); ++entry, ++index) {
        if (!IsRunning()) {
            complete = false;
            break;
        }
        Outcome outcome;
        uint64_t size = 0;
        do
            outcome = CopyEntry(*entry, index, diskSet, buffer.data(), previous, &size);
        while (outcome == kRetry);
        previous += size;
        complete = outcome == kDone && m_Cancelled == 0 && CheckFlushes(diskSet, buffer.data(), previous, false);
    }
    complete = complete && CheckFlushes(diskSet, buffer.data(), previous, true);
    m_Flusher.End();
    if (complete && IsRunning())
        SwitchIn();
    else
        m_Cancelled = 1;  // Abort, Reset or the destructor settles
    m_TotalPercent = 100;
    m_Finished = 1;
    SetErrorMode(previousMode);
}

bool CInstallEngine::BeginStaging()
{
    std::vector<std::string> destinations;
    for (const CCopyEntry& entry : m_CopyList)
        destinations.push_back(CleanPath(DestinationPath(entry)));
    CWin32UpdateFiles files;
    m_Staging.Plan(m_Destination, destinations, files);
    m_EntryOfSlot.assign(m_Staging.SlotCount(), nullptr);
    m_IndexOfSlot.assign(m_Staging.SlotCount(), 0);
    m_SourceOfSlot.assign(m_Staging.SlotCount(), std::string());
    for (uint32_t attempt = 0;; ++attempt) {
        if (m_Staging.Create(NewRunId(attempt), files))
            return true;
        if (m_Staging.Error() == ERROR_ALREADY_EXISTS && attempt < kRunIds)
            continue;
        if (Prompt(kWriteFailed + WindowsError(m_Staging.Error()), "WriteFileError",
                   MB_ICONERROR | MB_RETRYCANCEL) != IDRETRY)
            return false;
    }
}

bool CInstallEngine::CheckFlushes(bool diskSet, char* buffer, uint64_t previous, bool wait)
{
    for (;;) {
        if (wait)
            m_Flusher.Drain();
        size_t slot;
        DWORD error;
        if (!m_Flusher.TakeFailure(slot, error))
            return true;
        if (Prompt(kWriteFailed + WindowsError(error), "WriteFileError", MB_ICONERROR | MB_RETRYCANCEL) != IDRETRY)
            return false;
        // The file is written and flushed anew.
        Outcome outcome;
        uint64_t size = 0;
        do
            outcome = CopyEntry(*m_EntryOfSlot[slot], m_IndexOfSlot[slot], diskSet, buffer, previous, &size);
        while (outcome == kRetry);
        if (outcome != kDone || m_Cancelled)
            return false;
        wait = true;
    }
}

void CInstallEngine::SwitchIn()
{
    CWin32UpdateFiles files;
    for (;;) {
        if (m_Staging.WriteSwitching(files)) {
            if (m_Staging.Switch(files))
                break;
            // Taken back before the user is asked, so that the game folder
            // is whole while the prompt waits.
            DWORD error = m_Staging.Error();
            size_t slot = m_Staging.FailedSlot();
            if (!m_Staging.TakeBack(files)) {
                m_Cancelled = 1;  // Abort reports what stays stuck
                return;
            }
            if (slot < m_EntryOfSlot.size() && m_EntryOfSlot[slot]) {
                m_CurrentSource = m_SourceOfSlot[slot];
                m_CurrentDestination = DestinationPath(*m_EntryOfSlot[slot]);
            }
            if (Prompt(m_CurrentSource + "\n" + kCreateFailed + WindowsError(error), "FileCreateError",
                       MB_ICONERROR | MB_RETRYCANCEL) != IDRETRY) {
                m_Cancelled = 1;
                return;
            }
        } else if (Prompt(kWriteFailed + WindowsError(m_Staging.Error()), "WriteFileError",
                          MB_ICONERROR | MB_RETRYCANCEL) != IDRETRY) {
            m_Cancelled = 1;
            return;
        }
    }
    // Every file is in place: only backups are left to delete.
    OnSwitched();
    while (!m_Staging.Finish(files)) {
        if (!PromptStuck(m_Staging.FailedPath(), m_Staging.Error(), true)) {
            m_Cancelled = 1;
            m_Staging.Clear();  // the next start deletes what is left
            return;
        }
    }
}

// One attempt at one entry. Retry closes both files and starts over; Cancel
// marks the job cancelled (a failed transfer also stops the thread); a stop
// request met inside the file gives kStopped.
CInstallEngine::Outcome CInstallEngine::CopyEntry(const CCopyEntry& entry, size_t index, bool diskSet,
                                                  char* buffer, uint64_t previous, uint64_t* size)
{
    std::string source = diskSet ? DiskSetSourcePath(entry) : FolderSourcePath(entry);
    m_CurrentSource = source;
    m_CurrentDestination = DestinationPath(entry);

    CFileHandle in;
    std::unique_ptr<CFileHandle> out(new CFileHandle);
    bool sourceOpen = in.OpenRead(source.c_str());
    DWORD error = sourceOpen ? NO_ERROR : GetLastError();
    // The destination is only checked: the file is written into the staging
    // folder (a slot staged before is flushed first, as it is rewritten).
    size_t slot = m_Staging.SlotOf(index);
    if (sourceOpen) {
        CWin32UpdateFiles files;
        error = m_Staging.CheckDestination(index, files);
        if (error == NO_ERROR) {
            if (m_EntryOfSlot[slot])
                m_Flusher.Drain();
            if (!out->OpenWrite(m_Staging.StagedPath(slot).c_str(), true))
                error = GetLastError();
        }
    }
    if (error != NO_ERROR) {
        out->Close();
        std::string text = source + "\n" + kCreateFailed + WindowsError(error);
        if (Prompt(text, sourceOpen ? "FileCreateError" : "FileLoadError",
                   MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY)
            return kRetry;
        m_Cancelled = 1;
        return kCancel;
    }
    *size = in.GetSize64();
    if (*size == ~uint64_t(0)) {
        *size = 0;
        if (Prompt("ファイル情報読み込みに失敗しました。[Error::GetFileSize]", "GetFileSizeError",
                   MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY)
            return kRetry;
        m_Cancelled = 1;
        return kCancel;
    }
    uint64_t done = 0;
    while (IsRunning() && done < *size) {
        DWORD chunk = *size - done < kChunk ? static_cast<DWORD>(*size - done) : kChunk;
        std::string text;
        const char* caption = nullptr;
        if (!in.ReadBytes(buffer, chunk)) {
            error = GetLastError();
            text = source + "\n" + "ファイル読み込みに失敗しました。[Error::ReadFile]\n" + WindowsError(error);
            caption = "ReadFileError";
        } else if (!out->WriteBytes(buffer, chunk)) {
            error = GetLastError();
            text = kWriteFailed + WindowsError(error);
            caption = "WriteFileError";
        }
        if (caption) {
            in.Close();
            out->Close();
            if (Prompt(text, caption, MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY)
                return kRetry;
            m_Cancelled = 1;
            RequestStop();
            return kCancel;
        }
        done += chunk;
        m_FilePercent = static_cast<LONG>(done * 100 / *size);
        // A job without a required size has no overall scale.
        if (m_RequiredSize != 0)
            m_TotalPercent = static_cast<LONG>((previous + done) * 100 / m_RequiredSize);
        OnProgress();
    }
    if (done != *size)
        return kStopped;
    m_EntryOfSlot[slot] = &entry;
    m_IndexOfSlot[slot] = index;
    m_SourceOfSlot[slot] = source;
    m_Flusher.Add(std::move(out), slot);
    return kDone;
}

// Disk-set mode: the disk folder below the current directory first, then
// every CD-ROM drive from the last one that had a file; asks for the disk
// when none has it. Empty when the user declines.
std::string CInstallEngine::DiskSetSourcePath(const CCopyEntry& entry)
{
    CFindFile find;
    std::string candidate = CollapseBackslashes(m_DiskFolder + "\\" + entry.relativePath);
    if (find.Find(candidate))
        return candidate;
    for (;;) {
        std::string found;
        bool onDisk = CCdromDrives::GetInstance().Search([&](const std::string& root) {
            found = CollapseBackslashes(root + "\\" + m_DiskFolder + "\\" + entry.relativePath);
            return find.Find(found);
        });
        if (onDisk)
            return found;
        char text[64];
        std::snprintf(text, sizeof text, "ディスク%2d枚目を挿入してください。", entry.group);
        if (Prompt(text, "ディスク要求", MB_ICONINFORMATION | MB_YESNO) != IDYES)
            return std::string();
    }
}
