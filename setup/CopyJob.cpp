#include "framework/FileHandle.h"
#include "setup/CdromDrives.h"
#include "setup/FindFile.h"
#include "setup/InstallEngine.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"
#include <cstdio>

namespace {

const DWORD kChunk = 0x4000;

// "WindowsError:" + the system's text for the last error.
std::string WindowsError(DWORD error)
{
    std::string text = "WindowsError:";
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<char*>(&message), 0, nullptr);
    if (message) {
        text += message;
        LocalFree(message);
    }
    return text;
}

}  // namespace

int CInstallEngine::Prompt(const std::string& text, const char* caption, UINT style)
{
    return MessageBoxA(m_hOwner, text.c_str(), caption, style);
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
    for (const CCopyEntry& entry : m_CopyList) {
        if (!IsRunning()) {
            m_Cancelled = 1;
            break;
        }
        Outcome outcome;
        uint64_t size = 0;
        do
            outcome = CopyEntry(entry, diskSet, buffer.data(), previous, &size);
        while (outcome == kRetry);
        previous += size;
        if (m_Cancelled)
            break;
    }
    if (m_Cancelled == 0)
        Commit();
    m_TotalPercent = 100;
    m_Finished = 1;
    SetErrorMode(previousMode);
}

// One attempt at one entry. Retry closes both files and starts over; Cancel
// marks the job cancelled (a failed transfer also stops the thread).
CInstallEngine::Outcome CInstallEngine::CopyEntry(const CCopyEntry& entry, bool diskSet,
                                                  char* buffer, uint64_t previous, uint64_t* size)
{
    std::string source = diskSet ? DiskSetSourcePath(entry) : FolderSourcePath(entry);
    m_CurrentSource = source;
    m_CurrentDestination = DestinationPath(entry);
    const std::string& destination = m_CurrentDestination;

    CFileHandle in, out;
    bool sourceOpen = in.OpenRead(source.c_str());
    if (sourceOpen)
        CreateDestination(destination, out);
    if (!in.IsOpen() || !out.IsOpen()) {
        DWORD error = GetLastError();
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
            text = source + "\n" + "ファイル読み込みに失敗しました。[Error::ReadFile]\n" +
                   WindowsError(GetLastError());
            caption = "ReadFileError";
        } else if (!out.WriteBytes(buffer, chunk)) {
            text = std::string("ファイル書き込みに失敗しました。[Error::WriteFile]\n") +
                   WindowsError(GetLastError());
            caption = "WriteFileError";
        }
        if (caption) {
            in.Close();
            out.Close();
            if (Prompt(text, caption, MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY)
                return kRetry;
            m_Cancelled = 1;
            RequestStop();
            return kDone;
        }
        done += chunk;
        m_FilePercent = static_cast<LONG>(done * 100 / *size);
        // A job without a required size has no overall scale.
        if (m_RequiredSize != 0)
            m_TotalPercent = static_cast<LONG>((previous + done) * 100 / m_RequiredSize);
        OnProgress();
    }
    return kDone;
}

bool CInstallEngine::CreateDestination(const std::string& path, CFileHandle& file)
{
    std::string folder, name;
    SplitPath(path, folder, name);
    if (folder != m_LastFolder) {
        DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            MakeFolderChain(folder);
        m_LastFolder = folder;
    }
    // A path the job has already written keeps its first original.
    std::string key = ToLowerAscii(path);
    if (m_Written.count(key) && file.OpenWrite(path.c_str(), true))
        return true;
    if (m_Written.count(key)) {
        m_LastFolder.clear();  // look at the folder again on a retry
        return false;
    }

    // Most paths are new: creating them outright costs one lookup, where an
    // existence test before the open costs two (Wine scans the folder for a
    // name it does not find, so a miss is dear in a large folder).
    CUndoStep step{path, std::string()};
    bool created = file.CreateNew(path.c_str());
    if (!created && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // Keep the original beside it under a name that is not taken.
        std::string backup = path + ".quillbak";
        for (int n = 1; GetFileAttributesA(backup.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
            backup = path + ".quillbak" + std::to_string(n);
        if (!MoveFileA(path.c_str(), backup.c_str()))
            return false;
        step.backup = backup;
    }
    if (!created && !file.OpenWrite(path.c_str(), true)) {
        DWORD error = GetLastError();
        m_LastFolder.clear();
        if (!step.backup.empty())
            MoveFileA(step.backup.c_str(), path.c_str());
        SetLastError(error);
        return false;
    }
    m_Undo.push_back(step);
    m_Written.insert(key);
    return true;
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
