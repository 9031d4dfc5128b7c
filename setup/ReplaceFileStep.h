#pragma once
#include "setup/UpdateStep.h"

// A file the update replaces: the original is renamed to a backup name in the
// same folder first; rollback puts it back, commit deletes it.
class CReplaceFileStep : public CUpdateStep {
public:
    CReplaceFileStep(const std::string& path, const std::string& backupName);

    Outcome Check(CStepFileSystem& files) override;
    // Renames the original aside and creates the file; a folder or a
    // read-only file of that name is refused (access denied) and left as it
    // is. When the new file cannot be created the original goes back.
    Outcome Do(CStepFileSystem& files) override;
    Undo Rollback(CStepFileSystem& files) override;
    bool Commit(CStepFileSystem& files) override;
    const std::string& CommitPath() const override { return m_BackupPath; }
    CJournalRecord ToRecord(const std::string& root) const override;
    static std::unique_ptr<CReplaceFileStep> FromRecord(const CJournalRecord& record,
                                                        const std::string& root);

    const std::string& BackupName() const { return m_BackupName; }
    const std::string& BackupPath() const { return m_BackupPath; }

private:
    std::string m_BackupName;
    std::string m_BackupPath;
};
