#include "setup/ReplaceFileStep.h"

#include "setup/SjisString.h"

CReplaceFileStep::CReplaceFileStep(const std::string& path, const std::string& backupName)
    : CUpdateStep(path), m_BackupName(backupName)
{
    size_t cut = FindLastSeparator(path);
    m_BackupPath = cut == std::string::npos ? backupName : path.substr(0, cut + 1) + backupName;
}

CUpdateStep::Outcome CReplaceFileStep::Check(CStepFileSystem& files)
{
    if (m_Made)
        return kDone;
    switch (files.GetKind(m_Path)) {
    case CStepFileSystem::kMissing:
        return kFoundNothing;
    case CStepFileSystem::kFolder:
    case CStepFileSystem::kReadOnlyFile:
        return Fail(CStepFileSystem::kErrorAccessDenied);
    default:
        return kDone;  // a backup name taken meanwhile is found by Do
    }
}

CUpdateStep::Outcome CReplaceFileStep::Do(CStepFileSystem& files)
{
    if (m_Made)
        return files.OpenOutput(m_Path, false) ? kDone : Fail(files.LastError());
    switch (files.GetKind(m_Path)) {
    case CStepFileSystem::kMissing:
        return kFoundNothing;
    case CStepFileSystem::kFolder:
    case CStepFileSystem::kReadOnlyFile:
        return Fail(CStepFileSystem::kErrorAccessDenied);
    default:
        break;
    }
    if (!files.Rename(m_Path, m_BackupPath)) {
        uint32_t error = files.LastError();
        if (error == CStepFileSystem::kErrorAlreadyExists || error == CStepFileSystem::kErrorFileExists)
            return kBackupTaken;
        return Fail(error);
    }
    m_Made = true;
    if (files.OpenOutput(m_Path, true))
        return kDone;
    uint32_t error = files.LastError();
    if (files.Rename(m_BackupPath, m_Path))
        m_Made = false;
    return Fail(error);
}

CUpdateStep::Undo CReplaceFileStep::Rollback(CStepFileSystem& files)
{
    // No backup: never renamed, or put back already.
    if (files.GetKind(m_BackupPath) == CStepFileSystem::kMissing)
        return kUndone;
    if (!files.RenameOver(m_BackupPath, m_Path))
        return Stuck(files.LastError());
    m_Made = false;
    return kUndone;
}

bool CReplaceFileStep::Commit(CStepFileSystem& files)
{
    if (files.RemoveFile(m_BackupPath))
        return true;
    m_Error = files.LastError();
    return false;
}

CJournalRecord CReplaceFileStep::ToRecord(const std::string& root) const
{
    CJournalRecord record;
    record.type = CJournalRecord::kReplaceFile;
    record.path = Relative(m_Path, root);
    record.backup = m_BackupName;
    return record;
}

std::unique_ptr<CReplaceFileStep> CReplaceFileStep::FromRecord(const CJournalRecord& record,
                                                               const std::string& root)
{
    return std::unique_ptr<CReplaceFileStep>(
        new CReplaceFileStep(Full(record.path, root), record.backup));
}
