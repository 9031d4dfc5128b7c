#include "setup/CreateFolderStep.h"

CUpdateStep::Outcome CCreateFolderStep::Check(CStepFileSystem& files)
{
    switch (files.GetKind(m_Path)) {
    case CStepFileSystem::kMissing:
        return kDone;
    case CStepFileSystem::kFolder:
        return kNotOurs;
    default:
        return Fail(CStepFileSystem::kErrorAlreadyExists);  // a file is in the way
    }
}

CUpdateStep::Outcome CCreateFolderStep::Do(CStepFileSystem& files)
{
    if (files.MakeFolder(m_Path)) {
        m_Made = true;
        return kDone;
    }
    uint32_t error = files.LastError();
    if (files.GetKind(m_Path) == CStepFileSystem::kFolder)
        return kNotOurs;
    return Fail(error);
}

CUpdateStep::Undo CCreateFolderStep::Rollback(CStepFileSystem& files)
{
    if (files.RemoveFolder(m_Path)) {
        m_Made = false;
        return kUndone;
    }
    if (files.LastError() == CStepFileSystem::kErrorDirNotEmpty)
        return kKept;
    return Stuck(files.LastError());
}

CJournalRecord CCreateFolderStep::ToRecord(const std::string& root) const
{
    CJournalRecord record;
    record.type = CJournalRecord::kCreateFolder;
    record.path = Relative(m_Path, root);
    return record;
}

std::unique_ptr<CCreateFolderStep> CCreateFolderStep::FromRecord(const CJournalRecord& record,
                                                                 const std::string& root)
{
    return std::unique_ptr<CCreateFolderStep>(new CCreateFolderStep(Full(record.path, root)));
}
