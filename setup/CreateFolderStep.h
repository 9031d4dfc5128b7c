#pragma once
#include "setup/UpdateStep.h"

// A folder the update creates; rollback removes it again while it is empty.
class CCreateFolderStep : public CUpdateStep {
public:
    explicit CCreateFolderStep(const std::string& path) : CUpdateStep(path) {}

    Outcome Check(CStepFileSystem& files) override;
    Outcome Do(CStepFileSystem& files) override;
    Undo Rollback(CStepFileSystem& files) override;
    bool IsFolder() const override { return true; }
    CJournalRecord ToRecord(const std::string& root) const override;
    static std::unique_ptr<CCreateFolderStep> FromRecord(const CJournalRecord& record,
                                                         const std::string& root);
};
