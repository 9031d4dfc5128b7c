#include "setup/CreateFileStep.h"

// Not looked at: a name that is not there costs as much to look up as to
// create (some systems read the whole folder for either). Do finds a file in
// the way itself; until the step is marked made, its rollback deletes only
// an empty file, all that it can have made by then.
CUpdateStep::Outcome CCreateFileStep::Check(CStepFileSystem&)
{
    return kDone;
}

CUpdateStep::Outcome CCreateFileStep::Do(CStepFileSystem& files)
{
    if (files.OpenOutput(m_Path, !m_Made)) {
        m_Made = true;
        return kDone;
    }
    uint32_t error = files.LastError();
    switch (files.GetKind(m_Path)) {
    case CStepFileSystem::kFile:
    case CStepFileSystem::kReadOnlyFile:
        // Not ours: it came after the plan was made (or the plan missed it).
        return m_Made ? Fail(error) : kFoundFile;
    case CStepFileSystem::kFolder:
        return Fail(CStepFileSystem::kErrorAccessDenied);
    default:
        return Fail(error);
    }
}

CUpdateStep::Undo CCreateFileStep::Rollback(CStepFileSystem& files)
{
    if (m_Made ? files.RemoveFile(m_Path) : files.RemoveFileIfEmpty(m_Path)) {
        m_Made = false;
        return kUndone;
    }
    return Stuck(files.LastError());
}

CJournalRecord CCreateFileStep::ToRecord(const std::string& root) const
{
    CJournalRecord record;
    record.type = CJournalRecord::kCreateFile;
    record.path = Relative(m_Path, root);
    return record;
}

std::unique_ptr<CCreateFileStep> CCreateFileStep::FromRecord(const CJournalRecord& record,
                                                             const std::string& root)
{
    return std::unique_ptr<CCreateFileStep>(new CCreateFileStep(Full(record.path, root)));
}
