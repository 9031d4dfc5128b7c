#include "setup/InstallEngine.h"

namespace engine_path {

namespace {
bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
}  // namespace

std::string Collapse(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    bool afterBackslash = false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i]) && i + 1 < path.size()) {
            out += path[i];
            out += path[++i];
            afterBackslash = false;
            continue;
        }
        bool backslash = path[i] == '\\';
        if (backslash && afterBackslash)
            continue;
        out += path[i];
        afterBackslash = backslash;
    }
    return out;
}

std::string Join(const std::string& folder, const std::string& relative)
{
    return Collapse(folder + "\\" + relative);
}

std::string FolderOf(const std::string& path)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i]) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            last = i;
    }
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty())
        return true;
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::string parent = FolderOf(folder);
    if (!parent.empty() && parent != folder && !MakeFolders(parent))
        return false;
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace engine_path

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
    // The root of the destination's drive; a path without a drive letter is
    // asked as it is.
    std::string root = m_Destination;
    if (root.size() >= 2 && root[1] == ':')
        root = root.substr(0, 2);
    if (!root.empty() && root.back() != '\\')
        root += '\\';
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(root.empty() ? nullptr : root.c_str(), &available, &total, &free))
        return 0;
    return available.QuadPart;
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
    return engine_path::Join(m_Destination, entry.relativePath);
}

std::string CInstallEngine::FolderSourcePath(const CCopyEntry& entry) const
{
    int group = entry.group >= 0 && entry.group < 4 ? entry.group : 0;
    return engine_path::Join(m_SourceFolders[group], entry.relativePath);
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
}

// The job completed: the originals it kept aside are no longer needed.
void CInstallEngine::Commit()
{
    for (const CUndoStep& step : m_Undo)
        if (!step.backup.empty())
            DeleteFileA(step.backup.c_str());
    m_Undo.clear();
}

CFolderInstallEngine& GetInstallEngine()
{
    static CFolderInstallEngine engine;
    return engine;
}

namespace {
// Constructed before the entry function runs.
CFolderInstallEngine& g_Engine = GetInstallEngine();
}  // namespace
