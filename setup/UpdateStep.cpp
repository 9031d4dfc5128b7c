#include "setup/UpdateStep.h"

#include "setup/CreateFileStep.h"
#include "setup/CreateFolderStep.h"
#include "setup/ReplaceFileStep.h"
#include "setup/SjisString.h"

std::unique_ptr<CUpdateStep> CUpdateStep::FromRecord(const CJournalRecord& record,
                                                     const std::string& root)
{
    switch (record.type) {
    case CJournalRecord::kCreateFolder:
        return CCreateFolderStep::FromRecord(record, root);
    case CJournalRecord::kCreateFile:
        return CCreateFileStep::FromRecord(record, root);
    case CJournalRecord::kReplaceFile:
        return CReplaceFileStep::FromRecord(record, root);
    default:
        return nullptr;
    }
}

std::string CUpdateStep::Relative(const std::string& path, const std::string& root)
{
    if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
        path[root.size()] != '\\')
        return std::string();
    return path.substr(root.size() + 1);
}

std::string CUpdateStep::Full(const std::string& relative, const std::string& root)
{
    return root + "\\" + relative;
}
