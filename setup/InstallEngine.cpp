#include "setup/InstallEngine.h"
#include "framework/DebugPrint.h"
#include "update/LegacyJournal.h"
#include "setup/ProductLookup.h"
#include "setup/SjisString.h"
#include "update/Win32UpdateFiles.h"


CInstallEngine::CInstallEngine()
    : m_hOwner(nullptr), m_RequiredSize(0), m_FilePercent(0), m_TotalPercent(0), m_Finished(0),
      m_Cancelled(0)
{
    Reset();
}

CInstallEngine::~CInstallEngine()
{
    Stop();
    Settle(false);
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
    Settle(false);
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
    Settle(true);
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

void CInstallEngine::Settle(bool prompt)
{
    CWin32UpdateFiles files;
    // A job that did not finish is taken back, never completed.
    while (!m_Staging.Settle(files, true) && prompt &&
           PromptStuck(m_Staging.FailedPath(), m_Staging.Error(), m_Staging.FailedDeleting())) {
    }
    // What is left stays on disk for the next start.
    m_Staging.Clear();
}

bool CInstallEngine::Recover(const std::string& folder)
{
    CWin32UpdateFiles files;
    std::string root = CUpdateStaging::NormalizeRoot(folder);
    // The earlier program's journal: gone only when it leaves nothing open.
    std::string legacyPath = root + "\\" + CUpdateStaging::kLegacyJournal;
    if (files.GetKind(legacyPath) != CUpdateFiles::kMissing) {
        std::vector<uint8_t> bytes;
        CLegacyJournal legacy;
        if (!files.ReadFile(legacyPath, bytes) || !legacy.Parse(bytes.data(), bytes.size()) || legacy.IsDamaged() ||
            legacy.HasOpenSteps() || !files.RemoveFile(legacyPath)) {
            PromptJournal(legacyPath, true);
            return false;
        }
    }
    for (const std::string& name : CUpdateStaging::FindFolders(root, files)) {
        CUpdateStaging staging;
        switch (staging.Load(root, name, files)) {
        case CUpdateStaging::kDamaged:
        case CUpdateStaging::kUnknownVersion:
            PromptJournal(root + "\\" + name, false);
            return false;
        case CUpdateStaging::kNoJournal:
            if (!CUpdateStaging::RemoveUnjournalled(root, name, files))
                DebugPrint("CInstallEngine::Recover() %s\\%s 更新の記録がないため、そのままにした", root.c_str(),
                           name.c_str());
            break;
        case CUpdateStaging::kLoaded:
            while (!staging.Settle(files, false))
                if (!PromptStuck(staging.FailedPath(), staging.Error(), staging.FailedDeleting()))
                    return false;
            break;
        }
    }
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
