#include "setup/InstallEngine.h"
#include "setup/ProductLookup.h"
#include "setup/SjisString.h"


CInstallEngine::CInstallEngine()
    : m_hOwner(nullptr), m_RequiredSize(0), m_FilePercent(0), m_TotalPercent(0), m_Finished(0),
      m_Cancelled(0)
{
    Reset();
}

CInstallEngine::~CInstallEngine()
{
    Stop();
    Rollback();
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
    Rollback();
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
    Rollback();
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

// Undo in reverse order: the job's file goes, the original comes back.
void CInstallEngine::Rollback()
{
    for (auto step = m_Undo.rbegin(); step != m_Undo.rend(); ++step) {
        DeleteFileA(step->path.c_str());
        if (!step->backup.empty())
            MoveFileA(step->backup.c_str(), step->path.c_str());
    }
    m_Undo.clear();
    m_Written.clear();
    m_LastFolder.clear();
}

// The job completed: the originals it kept aside are no longer needed.
void CInstallEngine::Commit()
{
    for (const CUndoStep& step : m_Undo)
        if (!step.backup.empty())
            DeleteFileA(step.backup.c_str());
    m_Undo.clear();
    m_Written.clear();
    m_LastFolder.clear();
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
