#include "framework/FileHandle.h"
#include "setup/CdromDrives.h"
#include "setup/FindFile.h"
#include "setup/InstallEngine.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"
#include "setup/Win32StepFileSystem.h"
#include <cstdio>

namespace {

const DWORD kChunk = 0x4000;
const std::string kWriteFailed = "ファイル書き込みに失敗しました。[Error::WriteFile]\n";

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

}  // namespace

// The prompts come from the job's thread while the user may be looking at
// another program: they take the foreground.
int CInstallEngine::Prompt(const std::string& text, const char* caption, UINT style)
{
    return MessageBoxA(m_hOwner, text.c_str(), caption, style | MB_SETFOREGROUND);
}

bool CInstallEngine::PromptStuck(const std::string& path, DWORD error, bool committing)
{
    std::string text = path + "\n" +
                       (committing ? "ファイル削除に失敗しました。[Error::DeleteFile]\n"
                                   : "ファイルを元に戻せませんでした。[Error::Rollback]\n") +
                       WindowsError(error);
    return Prompt(text, committing ? "DeleteFileError" : "RollbackError", MB_ICONERROR | MB_RETRYCANCEL) ==
           IDRETRY;
}

bool CInstallEngine::PromptStuck(const CUpdateStepList& list)
{
    return PromptStuck(list.FailedPath(), list.Error(), list.IsCommitting());
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
    // Committed only when every byte of every entry was copied.
    bool complete = BeginSteps();
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
        complete = outcome == kDone && m_Cancelled == 0;
    }
    if (complete)
        CommitSteps();
    else
        m_Cancelled = 1;  // Abort, Reset or the destructor rolls back
    m_TotalPercent = 100;
    m_Finished = 1;
    SetErrorMode(previousMode);
}

bool CInstallEngine::BeginSteps()
{
    std::vector<std::string> destinations;
    for (const CCopyEntry& entry : m_CopyList)
        destinations.push_back(CleanPath(DestinationPath(entry)));
    CWin32StepFileSystem files;
    for (;;) {
        m_Steps.Plan(m_Destination, destinations, files);
        m_Journal.SetFolder(m_Steps.Root());
        if (m_Steps.Begin(m_Journal))
            return true;
        DWORD error = m_Steps.Error();
        m_Steps.Clear();
        if (Prompt(kWriteFailed + WindowsError(error), "WriteFileError", MB_ICONERROR | MB_RETRYCANCEL) !=
            IDRETRY)
            return false;
    }
}

void CInstallEngine::CommitSteps()
{
    CWin32StepFileSystem files;
    for (;;) {
        switch (m_Steps.Commit(files)) {
        case CUpdateStepList::kCommitted:
            m_Journal.Close();
            return;
        case CUpdateStepList::kLeftovers:
            // Every file is in place; a backup left now goes at the next start.
            if (!PromptStuck(m_Steps))
                return;
            break;
        case CUpdateStepList::kNotCommitted:
            if (Prompt(kWriteFailed + WindowsError(m_Steps.Error()), "WriteFileError",
                       MB_ICONERROR | MB_RETRYCANCEL) != IDRETRY) {
                m_Cancelled = 1;
                return;
            }
            break;
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

    CFileHandle in, out;
    CWin32StepFileSystem files(&out);
    bool sourceOpen = in.OpenRead(source.c_str());
    DWORD error = sourceOpen ? NO_ERROR : GetLastError();
    // The folders it needs and the file itself, each marked in the journal
    // before and after it is made. No byte goes into the file before its
    // made mark: the file is closed when that mark could not be written.
    bool prepared = sourceOpen && m_Steps.Prepare(index, files);
    if (sourceOpen && !prepared)
        error = m_Steps.Error();
    if (!prepared || !out.IsOpen()) {
        out.Close();
        std::string text = source + "\n" + "ファイル読み込みに失敗しました。[Error::CreateFile]\n" +
                           WindowsError(error);
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
        } else if (!out.WriteBytes(buffer, chunk)) {
            error = GetLastError();
            text = kWriteFailed + WindowsError(error);
            caption = "WriteFileError";
        }
        if (caption) {
            in.Close();
            out.Close();
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
    return done == *size ? kDone : kStopped;
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
