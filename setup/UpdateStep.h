#pragma once
#include "setup/JournalRecord.h"
#include "setup/StepFileSystem.h"

#include <cstdint>
#include <memory>
#include <string>

// One reversible change the update makes below the game folder. Do makes it,
// Rollback takes it back, Commit drops what was kept for a rollback. Each
// step is stored in the journal as one record, marked begun there right
// before Do and made right after it, before anything is written into a file
// it opened; a later start reads them back. So a file step begun but not
// made can have left only an empty file; Rollback and Commit work from what
// is on disk, and doing either twice does no harm.
class CUpdateStep {
public:
    // What Do came to.
    enum Outcome {
        kDone,          // made (a file step leaves its file open for the copy)
        kFailed,        // not made; Error() tells why
        kNotOurs,       // a folder of that name was there already
        kFoundFile,     // a file to be created is there: replace it instead
        kFoundNothing,  // a file to be replaced is gone: create it instead
        kBackupTaken,   // the backup name is taken: choose another
    };
    // What Rollback came to.
    enum Undo {
        kUndone,  // nothing of the step remains
        kStuck,   // it could not be taken back; Error() tells why
        kKept,    // a folder left in place because others' files are in it
    };

    explicit CUpdateStep(const std::string& path) : m_Path(path) {}
    virtual ~CUpdateStep() {}

    // What Do would come to if nothing changed meanwhile, found without
    // changing anything, where looking is cheap: kDone when Do may make its
    // change. A step is marked begun only after this, so that one whose plan
    // is seen not to hold never counts as begun.
    virtual Outcome Check(CStepFileSystem& files) = 0;
    virtual Outcome Do(CStepFileSystem& files) = 0;
    virtual Undo Rollback(CStepFileSystem& files) = 0;
    // False when what was kept could not be dropped.
    virtual bool Commit(CStepFileSystem&) { return true; }
    virtual bool IsFolder() const { return false; }
    // Whether the change stands: Do made it (and nothing took it back yet),
    // or the journal marks it made. A failed Do that made nothing needs no
    // rollback.
    bool IsMade() const { return m_Made; }
    // A step read back from the journal with its made mark.
    void SetMade() { m_Made = true; }

    // The step's record, paths relative to root (a folder without a trailing
    // backslash).
    virtual CJournalRecord ToRecord(const std::string& root) const = 0;
    // The step a step record describes, paths made full below root.
    static std::unique_ptr<CUpdateStep> FromRecord(const CJournalRecord& record,
                                                   const std::string& root);

    const std::string& Path() const { return m_Path; }
    // The file Commit deletes (the step's own path when it keeps nothing).
    virtual const std::string& CommitPath() const { return m_Path; }
    // The system error of the last failure.
    uint32_t Error() const { return m_Error; }

    // path below root ("" when it is not below it) and back.
    static std::string Relative(const std::string& path, const std::string& root);
    static std::string Full(const std::string& relative, const std::string& root);

protected:
    Outcome Fail(uint32_t error)
    {
        m_Error = error;
        return kFailed;
    }
    Undo Stuck(uint32_t error)
    {
        m_Error = error;
        return kStuck;
    }

    std::string m_Path;
    uint32_t m_Error = 0;
    bool m_Made = false;

private:
    CUpdateStep(const CUpdateStep&) = delete;
    CUpdateStep& operator=(const CUpdateStep&) = delete;
};
