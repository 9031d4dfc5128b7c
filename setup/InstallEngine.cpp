#include "setup/InstallEngine.h"
#include "setup/ProductLookup.h"
#include "setup/SjisString.h"
#include "setup/Win32StepFileSystem.h"


CInstallEngine::CInstallEngine()
    : m_hOwner(nullptr), m_RequiredSize(0), m_FilePercent(0), m_TotalPercent(0), m_Finished(0),
      m_Cancelled(0)
{
    Reset();
}

CInstallEngine::~CInstallEngine()
{
    Stop();
    Rollback(false);
}

void CInstallEngine::ThreadMain()
{
    RunJob(true);
}

void CFolderInstallEngine::ThreadMain()
{
    RunJob(false);
}

void CInstallEngine::Reset()
{
    Stop();
    Rollback(false);
    m_hOwner = nullptr;
    m_RequiredSize = 0;
    m_FilePercent = 0;
    m_TotalPercent = 0;
    m_Finished = 0;
    m_Cancelled = 0;
    m_ProductName.clear();
    m_DiskFolder.clear();
    for (std::string& folder : m_SourceFolders)
        folder.clear();
    m_Destination.clear();
    m_CopyList.clear();
    m_CurrentSource.clear();
    m_CurrentDestination.clear();
    m_UninstallFiles.clear();
    m_UninstallFolders.clear();
}

void CInstallEngine::SetDiskFolder(const std::string& folder)
{
    m_DiskFolder = folder;
    m_SourceFolders[0] = folder;
}

void CInstallEngine::SetSourceFolder(const std::string& folder, int group)
{
    if (group >= 0 && group < 4)
        m_SourceFolders[group] = folder;
}

void CInstallEngine::AddFile(const std::string& relativePath, int group)
{
    m_CopyList.push_back(CCopyEntry{group, relativePath});
}

uint64_t CInstallEngine::GetFreeSpace() const
{
    return ::GetFreeSpace(m_Destination);
}

bool CInstallEngine::Begin()
{
    if (!Start(0))
        return false;
    SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
    return true;
}

void CInstallEngine::Abort()
{
    m_Cancelled = 1;
    Stop();
    Rollback(true);
}

std::string CInstallEngine::DestinationPath(const CCopyEntry& entry) const
{
    return CollapseBackslashes(m_Destination + "\\" + entry.relativePath);
}

std::string CInstallEngine::FolderSourcePath(const CCopyEntry& entry) const
{
    int group = entry.group >= 0 && entry.group < 4 ? entry.group : 0;
    return CollapseBackslashes(m_SourceFolders[group] + "\\" + entry.relativePath);
}

void CInstallEngine::Rollback(bool prompt)
{
    CWin32StepFileSystem files;
    while (!m_Steps.Rollback(files) && prompt && PromptStuck(m_Steps)) {
    }
    // What is left stays in the journal for the next start.
    m_Steps.Clear();
    m_Journal.Close();
}

bool CInstallEngine::Recover(const std::string& folder)
{
    CJournalFile journalFile;
    journalFile.SetFolder(CUpdateStepList::NormalizeRoot(folder));
    std::vector<uint8_t> bytes;
    while (!journalFile.Read(bytes)) {
        DWORD error = journalFile.LastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        if (!PromptStuck(journalFile.Path(), error, false))
            return false;
    }
    CJournal journal;
    if (!journal.Parse(bytes.data(), bytes.size())) {
        journalFile.Remove();  // not a journal: it names nothing to act on
        return true;
    }
    // A damaged tail is cut off, so that what is written on comes after
    // the good records.
    journalFile.OpenExisting(journal.ValidSize());
    CUpdateStepList list;
    list.Load(folder, journal, journalFile);
    CWin32StepFileSystem files;
    while (!list.Recover(files))
        if (!PromptStuck(list))
            return false;
    return true;
}

// Not a service object: the engine is constructed before the entry function
// runs and destroyed at exit, which rolls back a job that did not finish.
CFolderInstallEngine& CFolderInstallEngine::GetInstance()
{
    static CFolderInstallEngine engine;
    return engine;
}

namespace {
CFolderInstallEngine& g_Engine = CFolderInstallEngine::GetInstance();
}  // namespace
