#pragma once
#include "setup/Journal.h"
#include "setup/JournalStorage.h"
#include "setup/StepFileSystem.h"
#include "setup/UpdateStep.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The update's changes to the game folder as a list of reversible steps,
// kept in a journal in that folder so that a later start can finish what a
// killed process left: roll back an update that had not committed, finish
// the commit of one that had.
//
// The whole plan (one step per destination file, each after the folders it
// needs) is written to the journal and flushed before the first change. Each
// step is then marked begun in the journal right before its change, so that
// a later start takes back only steps that were begun: a file that turns up
// at a planned destination the update had not reached is not the update's.
// A step whose attempt made nothing is closed again (and begun anew when
// retried). A step whose plan no longer holds when it is done (the file came
// or went meanwhile, or its backup name was taken) is closed and replaced by
// a new step, written and flushed first, as its backup name must be on disk
// before the backup is.
//
// The marks are written, not flushed: a killed process loses nothing it has
// written, and a flush per file would cost the copy about half its speed. If
// the system itself goes down, a mark may be lost: a replaced file's
// original is still put back wherever its backup is found, begun or not; a
// created file or folder whose mark was lost is left in place.
//
// The list rolls back in reverse and commits in order. Steps that cannot be
// undone after a few attempts stay open in the journal; the next start
// completes them.
class CUpdateStepList {
public:
    enum CommitResult {
        kCommitted,
        kLeftovers,     // complete, but a backup could not be deleted yet
        kNotCommitted,  // the commit mark could not be written
    };
    static constexpr int kAttempts = 5;
    static constexpr unsigned kPauseMs = 200;

    CUpdateStepList() {}

    // Plans the steps for the destinations (full paths below root, in copy
    // order); one slot per destination, shared by repeated ones.
    void Plan(const std::string& root, const std::vector<std::string>& destinations,
              CStepFileSystem& files);
    // Writes the plan as a new journal and flushes it. True as well when
    // there is nothing to do (no journal is made then).
    bool Begin(CJournalStorage& journal);

    // Makes the folders the destination needs and its file, open for the
    // copy. On failure Error() and FailedPath() tell why.
    bool Prepare(size_t destination, CStepFileSystem& files);
    // Marks the journal committing, then drops every backup in order and
    // removes the journal.
    CommitResult Commit(CStepFileSystem& files);
    // Takes back, in reverse, every step that was tried; true when nothing
    // remains and the journal is gone. A list that has begun committing
    // finishes its commit instead.
    bool Rollback(CStepFileSystem& files);

    // Takes the steps of a journal read back from root; Recover then rolls
    // them back, or, if the journal was committing, finishes the commit.
    // Steps never begun are left alone, except that a replace step's backup
    // is put back wherever it is found.
    void Load(const std::string& root, const CJournal& journal, CJournalStorage& storage);
    bool IsCommitting() const { return m_Committing; }
    // Rollback (or the rest of the commit); false when a step could not be
    // completed (the journal stays).
    bool Recover(CStepFileSystem& files);

    void Clear();
    // Steps still open (to do, or to be taken back or committed).
    size_t OpenCount() const;
    size_t StepCount() const { return m_Steps.size(); }
    const CUpdateStep& Step(size_t i) const { return *m_Steps[i]; }
    const std::string& Root() const { return m_Root; }
    uint32_t Error() const { return m_Error; }
    const std::string& FailedPath() const { return m_FailedPath; }

    // root without a trailing backslash ("C:\" gives "C:").
    static std::string NormalizeRoot(const std::string& root);

private:
    CUpdateStepList(const CUpdateStepList&) = delete;
    CUpdateStepList& operator=(const CUpdateStepList&) = delete;

    enum StepState : uint8_t { kPlanned, kBegun, kMade, kClosed };
    enum FolderState { kFolderExists, kFolderPlanned, kFolderBlocked };
    struct Slot {
        size_t first = 0;     // the first step planned for it (its folders)
        size_t planned = 0;   // its file step as planned
        int step = -1;        // its file step now; -1: cannot be made
        uint32_t error = 0;   // why not
    };

    FolderState EnsureFolder(const std::string& folder, CStepFileSystem& files);
    std::set<std::string>& Names(const std::string& folder, CStepFileSystem& files);
    std::string NextBackupName(const std::string& path, bool checkDisk, CStepFileSystem& files);
    void PlanFile(const std::string& path, Slot& slot, CStepFileSystem& files);
    void Add(CUpdateStep* step);
    // Writes a mark of the step and sets its state (a closed mark: kClosed,
    // or kPlanned for a step to be begun anew). Begun and made fail when the
    // mark cannot be written; a closed mark only spares a later start work
    // that is harmless to repeat, so its failure is ignored.
    bool Mark(size_t step, CJournalRecord::Type mark, StepState state);
    void Close(size_t step) { Mark(step, CJournalRecord::kClosed, kClosed); }
    // Checks the step and, unless that finds it would change nothing, marks
    // it begun, does it and marks it made; an attempt that made nothing is
    // closed again. False only when a mark could not be written (Error()
    // tells why).
    bool DoStep(size_t step, CStepFileSystem& files, CUpdateStep::Outcome& outcome);
    bool JournalFailed();
    bool Fail(uint32_t error, const std::string& path);
    template <class Op>
    bool Attempt(CStepFileSystem& files, Op op);

    std::string m_Root;
    std::vector<std::unique_ptr<CUpdateStep>> m_Steps;
    std::vector<StepState> m_States;
    std::vector<Slot> m_Slots;
    std::vector<size_t> m_SlotOf;  // destination -> slot
    std::map<std::string, FolderState> m_Folders;           // folded path -> state
    std::map<std::string, std::set<std::string>> m_Names;   // folded folder -> names there
    std::map<std::string, std::set<std::string>> m_Reserved;  // folded folder -> destinations
    std::map<std::string, uint64_t> m_NextBackup;           // folded folder -> counter
    CJournalStorage* m_Journal = nullptr;
    bool m_Committing = false;
    uint32_t m_Error = 0;
    std::string m_FailedPath;
};
