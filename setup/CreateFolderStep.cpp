#include "setup/CreateFolderStep.h"

CUpdateStep::Outcome CCreateFolderStep::Do(CStepFileSystem& files)
{
    if (files.MakeFolder(m_Path))
        return kDone;
    uint32_t error = files.LastError();
    if (files.GetKind(m_Path) == CStepFileSystem::kFolder)
        return kNotOurs;
    return Fail(error);
}

CUpdateStep::Undo CCreateFolderStep::Rollback(CStepFileSystem& files)
{
    if (files.RemoveFolder(m_Path))
        return kUndone;
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
