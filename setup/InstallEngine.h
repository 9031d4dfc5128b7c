#pragma once
#include "framework/Thread.h"
#include "setup/JournalFile.h"
#include "setup/UpdateStepList.h"
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

    // Stops the thread, rolls back what an unfinished job left, clears all.
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
    // Marks the job cancelled, joins the thread, then undoes every step the
    // job took: created files and folders are removed, replaced files are put
    // back. A step that stays stuck is shown ("RollbackError", Retry/Cancel);
    // after Cancel it is left in the journal for the next start.
    void Abort();
    // Acts on the journal a killed or stuck update left in folder: rolls it
    // back, or finishes its commit, silently unless a step stays stuck (then
    // the same prompt). False when the user cancelled with steps left.
    bool Recover(const std::string& folder);

    const std::string& GetProductName() const { return m_ProductName; }
    const std::string& GetDestination() const { return m_Destination; }
    const std::list<CCopyEntry>& GetCopyList() const { return m_CopyList; }
    uint64_t GetRequiredSize() const { return m_RequiredSize; }
    // Steps still to be undone (none once a job has completed).
    size_t GetUndoCount() const { return m_Steps.OpenCount(); }

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

private:
    enum Outcome { kDone, kRetry, kCancel, kStopped };
    Outcome CopyEntry(const CCopyEntry& entry, size_t index, bool diskSet, char* buffer,
                      uint64_t previous, uint64_t* size);
    std::string DiskSetSourcePath(const CCopyEntry& entry);
    // Plans the steps and writes the journal; false when the user cancelled.
    bool BeginSteps();
    void CommitSteps();
    // Undoes the job's steps; with prompt, asks about a stuck one.
    void Rollback(bool prompt);
    // Asks about a step that stuck ("RollbackError", or "DeleteFileError"
    // while committing); true for Retry.
    bool PromptStuck(const std::string& path, DWORD error, bool committing);
    bool PromptStuck(const CUpdateStepList& list);

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
    CUpdateStepList m_Steps;  // written by the job, read after the join
    CJournalFile m_Journal;
};

// The installer's engine: the same job, sources taken from the group folders.
class CFolderInstallEngine : public CInstallEngine {
public:
    // The one process-wide engine.
    static CFolderInstallEngine& GetInstance();
    void ThreadMain() override;
};

