#pragma once
#include "setup/UpdateStep.h"

// A file the update creates where none was; rollback deletes it.
class CCreateFileStep : public CUpdateStep {
public:
    explicit CCreateFileStep(const std::string& path) : CUpdateStep(path) {}

    Outcome Check(CStepFileSystem& files) override;
    // Creates the file, or empties it when this step made it before (a
    // retried or repeated entry).
    Outcome Do(CStepFileSystem& files) override;
    // Deletes the file; one not known to be made only while it is empty.
    Undo Rollback(CStepFileSystem& files) override;
    CJournalRecord ToRecord(const std::string& root) const override;
    static std::unique_ptr<CCreateFileStep> FromRecord(const CJournalRecord& record,
                                                       const std::string& root);
};
