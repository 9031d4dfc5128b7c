#pragma once
#include "framework/Thread.h"
#include "update/FileFlusher.h"
#include "update/UpdateStaging.h"
#include <windows.h>
#undef GetFreeSpace  // a 16-bit leftover macro of <winbase.h>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

// One entry of the copy list: the group selects the source folder; the path is
// relative to that folder and to the destination.
struct CCopyEntry {
    int group;
    std::string relativePath;
};

// Holds one copy job and runs it on its own thread. ThreadMain copies in
// disk-set mode (sources searched on the CD-ROM drives).
class CInstallEngine : public CThread {
public:
    CInstallEngine();
    ~CInstallEngine() override;
    void ThreadMain() override;

    // Stops the thread, settles what an unfinished job left, clears all.
    void Reset();
    void SetProductName(const std::string& name) { m_ProductName = name; }
    void SetOwnerWindow(HWND owner) { m_hOwner = owner; }
    void SetDiskFolder(const std::string& folder);
    void SetSourceFolder(const std::string& folder, int group);
    void SetDestination(const std::string& folder) { m_Destination = folder; }
    void AddFile(const std::string& relativePath, int group);
    void SetRequiredSize(uint64_t bytes) { m_RequiredSize = bytes; }
    // Free bytes on the destination's drive (0 on failure).
    uint64_t GetFreeSpace() const;
    bool Begin();

    int GetFilePercent() const { return m_FilePercent; }
    int GetTotalPercent() const { return m_TotalPercent; }
    std::string GetCurrentSource() const { return m_CurrentSource; }
    std::string GetCurrentDestination() const { return m_CurrentDestination; }
    bool IsFinished() const { return m_Finished != 0; }
    bool IsCancelled() const { return m_Cancelled != 0; }
    // Marks the job cancelled, joins the thread, then settles what the job
    // left: a staging folder not switched in is deleted (the game folder was
    // not touched), a switch is taken back. What stays stuck is shown
    // ("RollbackError" / "DeleteFileError", Retry/Cancel); after Cancel it
    // is left for the next start.
    void Abort();
    // Settles what an earlier run left in folder, silently unless something
    // stays stuck (then the same prompt): a staging folder is deleted, or its
    // switch finished. A journal that cannot be trusted (damaged, of a later
    // program, or of the earlier format with steps left open) is reported
    // ("JournalError") and nothing is touched. False when the update must
    // not run.
    bool Recover(const std::string& folder);

    const std::string& GetProductName() const { return m_ProductName; }
    const std::string& GetDestination() const { return m_Destination; }
    const std::list<CCopyEntry>& GetCopyList() const { return m_CopyList; }
    uint64_t GetRequiredSize() const { return m_RequiredSize; }
    // The staging folder of the job, while one is left to settle.
    const std::string& GetStagingFolder() const { return m_Staging.Folder(); }

    // destination + "\" + relative path, doubled backslashes collapsed.
    std::string DestinationPath(const CCopyEntry& entry) const;
    std::string FolderSourcePath(const CCopyEntry& entry) const;

    // The uninstall record and the shortcuts of an installation
    // (InstallEngineUninstall.cpp). Paths are absolute, or relative to the
    // product's folder.
    void AddUninstallFile(const std::string& path);
    void AddUninstallFolder(const std::string& path);
    // The shortcut's file on the desktop.
    void AddDesktopShortcutToUninstall(const std::string& name);
    // The shortcut's file in the user's and in the shared program menu.
    void AddProgramsShortcutToUninstall(const std::string& name);
    // The subfolder of the user's and of the shared program menu.
    void AddProgramsFolderToUninstall(const std::string& subfolder);
    const std::vector<std::string>& GetUninstallFiles() const { return m_UninstallFiles; }
    const std::vector<std::string>& GetUninstallFolders() const { return m_UninstallFolders; }
    // Appends one record (product name and both lists) to destination +
    // "\" + fileName. False when the file cannot be opened or written.
    bool WriteUninstallRecord(const std::string& fileName);
    // A shortcut named name (".lnk" added) on the desktop / in the user's
    // program menu (name may hold subfolders) to target; a relative target
    // is taken below the destination. True when the link was saved.
    bool CreateDesktopShortcut(const std::string& target, const std::string& name);
    bool CreateProgramsShortcut(const std::string& target, const std::string& name);

protected:
    // The job body; diskSet selects where sources are looked for.
    void RunJob(bool diskSet);
    // The job's message boxes, owned by the owner window.
    virtual int Prompt(const std::string& text, const char* caption, UINT style);
    // Called on the job's thread after every chunk.
    virtual void OnProgress() {}
    // Called on the job's thread once every file is in place, before the
    // backups go.
    virtual void OnSwitched() {}

private:
    enum Outcome { kDone, kRetry, kCancel, kStopped };
    Outcome CopyEntry(const CCopyEntry& entry, size_t index, bool diskSet, char* buffer,
                      uint64_t previous, uint64_t* size);
    std::string DiskSetSourcePath(const CCopyEntry& entry);
    // Plans the slots and makes the staging folder; false when the user
    // cancelled.
    bool BeginStaging();
    // Asks about a staged file whose flush failed, copying it again on
    // Retry; false when the user cancelled.
    bool CheckFlushes(bool diskSet, char* buffer, uint64_t previous, bool wait);
    // Switches the staged files in and deletes the backups.
    void SwitchIn();
    // Settles the staging folder (see Abort); with prompt, asks about what
    // stays stuck.
    void Settle(bool prompt);
    // Asks about a file that stayed stuck ("RollbackError", or
    // "DeleteFileError" for a deletion); true for Retry.
    bool PromptStuck(const std::string& path, DWORD error, bool deleting);
    // Tells that a journal cannot be trusted ("JournalError").
    void PromptJournal(const std::string& path, bool legacy);

    HWND m_hOwner;
    std::string m_ProductName;
    std::string m_DiskFolder;
    std::string m_SourceFolders[4];
    std::string m_Destination;
    std::list<CCopyEntry> m_CopyList;
    uint64_t m_RequiredSize;
    std::string m_CurrentSource;
    std::string m_CurrentDestination;
    volatile LONG m_FilePercent;
    volatile LONG m_TotalPercent;
    volatile unsigned char m_Finished;
    volatile unsigned char m_Cancelled;
    std::vector<std::string> m_UninstallFiles;
    std::vector<std::string> m_UninstallFolders;
    CUpdateStaging m_Staging;  // written by the job, read after the join
    CFileFlusher m_Flusher;
    std::vector<const CCopyEntry*> m_EntryOfSlot;  // the last entry staged into each slot
    std::vector<size_t> m_IndexOfSlot;            // and its place in the copy list
    std::vector<std::string> m_SourceOfSlot;      // and its source path
};

// The installer's engine: the same job, sources taken from the group folders.
class CFolderInstallEngine : public CInstallEngine {
public:
    // The one process-wide engine.
    static CFolderInstallEngine& GetInstance();
    void ThreadMain() override;
};

