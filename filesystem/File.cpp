#include "filesystem/File.h"

#include "filesystem/DiskFile.h"
#include "filesystem/ErrorModeGuard.h"
#include "filesystem/PackArchiveCache.h"
#include "filesystem/PackLookup.h"
#include "filesystem/ZipArchiveFile.h"
#include "filesystem/ZipSingleFile.h"
#include "framework/DebugPrint.h"
#include "setup/CdromDrives.h"
#include "setup/FindFile.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"

#include <windows.h>

#include <new>

char GetLastCdromDrive() { return CCdromDrives::GetInstance().GetLastDrive(); }

bool CFile::Create(const std::string& path, bool truncate)
{
    Close();
    std::string full = MakeFullPath(path);
    // An archive kept open for reading would refuse the exclusive open.
    if (!full.empty())
        CPackArchiveCache::GetInstance().Forget(full);
    CDiskFile* disk = new (std::nothrow) CDiskFile;
    m_impl.reset(disk);
    if (disk != nullptr && !full.empty() && disk->Create(full, truncate))
        return true;
    DebugPrint("error：ファイルの作成に失敗しました。<%s> [CFile::Create()]", path.c_str());
    Close();
    return false;
}

int CFile::OpenAt(const std::string& full)
{
    m_impl.reset();
    CFindFile find;
    bool loose = find.Find(full);
    // A missing folder holds no single-file pack either: it would lie beside
    // the loose file.
    bool folderMissing = !loose && GetLastError() == ERROR_PATH_NOT_FOUND;
    find.Close();
    if (loose)
        m_impl.reset(new (std::nothrow) CDiskFile);
    else if (!folderMissing && IsSinglePackFor(full))
        m_impl.reset(new (std::nothrow) CZipSingleFile);
    else
        m_impl.reset(new (std::nothrow) CZipArchiveFile);
    return m_impl != nullptr && m_impl->Open(full) == 1;
}

// A relative name is resolved first: its "." and ".." parts may not climb
// out of the folder it is looked up in (the current folder, and
// data\gamedata on a CD-ROM drive), and on a drive it is normalised as the
// full path is locally. Only a folder named gamedata is a data folder.
int CFile::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return 0;
    CErrorModeGuard guard;
    const bool relative = !IsAbsolutePath(path);
    std::string name = path;
    if (relative && (!ResolveRelativePath(path, name) || name.empty() || name == "\\"))
        return 0;
    std::string full = MakeFullPath(name);
    if (!full.empty() && OpenAt(full))
        return 1;
    if (relative) {
        bool found = CCdromDrives::GetInstance().Search([&](const std::string& root) {
            std::string folder = CleanPath(root + "\\data\\gamedata");
            return FindFolder(folder) && OpenAt(CleanPath(folder + "\\" + name));
        });
        if (found)
            return 1;
    }
    Close();
    return 0;
}
