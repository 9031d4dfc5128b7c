#pragma once
#include "update/UpdateFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The update's files, staged apart from the game and then switched in.
//
// Every file is first written into a staging folder of the update's own in
// the game folder ("~QuillmoorUpdate-" and the run id in 8 hex digits, made
// by this run), named by its slot ("12.new"); the game folder itself is not
// changed while the copy runs. The plan ("plan.jnl", see CStagingJournal)
// names each slot's destination. Once every staged file is durable, the
// switching record ("switch.jnl") is written, and then, slot by slot, the
// original is moved into the staging folder ("12.old") and the staged file
// to its destination, new folders made on the way (each marked first by an
// empty "12.d2": slot 12's folder of depth 2 is the update's). Every step
// is a rename on one volume. Then the backups go, then the journal and the
// folder.
//
// What happened is read from disk: a slot whose staged file is still in the
// staging folder has not been switched. Before the switching record, nothing
// in the game folder was touched and the staging folder is simply deleted.
// After it, the switch is finished and the backups deleted; should a slot
// not switch (a folder or a held file in the way), the switch is taken back
// instead, by moves out of the staging folder. Both directions can be
// repeated after any interruption. Nothing outside the staging folder is
// ever deleted but a backup the update moved there and the update's own new
// folders while empty.
class CUpdateStaging {
public:
    static const char* const kFolderPrefix;  // "~QuillmoorUpdate-"
    static const char* const kLegacyJournal;  // "~QuillmoorUpdate.jnl", an earlier program's
    static constexpr int kAttempts = 5;
    static constexpr unsigned kPauseMs = 200;
    static constexpr size_t kNoSlot = static_cast<size_t>(-1);

    CUpdateStaging() {}

    // Plans the update of root for the destinations (full paths below it,
    // in copy order): one slot per destination, shared by repeated ones.
    // Nothing on disk changes.
    void Plan(const std::string& root, const std::vector<std::string>& destinations, CUpdateFiles& files);
    size_t SlotCount() const { return m_Slots.size(); }
    // The destination's slot, kNoSlot when it cannot be one (DestinationError).
    size_t SlotOf(size_t destination) const;
    // 0 when the destination may be written now: its folders are folders or
    // missing, and it is missing or a file that could be opened for writing
    // without sharing. Otherwise the system error that says why.
    uint32_t CheckDestination(size_t destination, CUpdateFiles& files);

    // Makes the staging folder of runId and writes the plan into it. False,
    // with nothing left, on failure: kErrorAlreadyExists when the name is
    // taken (another id will do). True at once when there is no slot.
    bool Create(uint32_t runId, CUpdateFiles& files);
    bool IsCreated() const { return !m_Folder.empty(); }
    // Where the slot's file is staged.
    std::string StagedPath(size_t slot) const;

    // Writes the switching record; from here the update finishes.
    bool WriteSwitching(CUpdateFiles& files);
    // Switches every slot in order. False at a slot that would not switch
    // (FailedPath, Error); the slots before it stay switched.
    bool Switch(CUpdateFiles& files);
    // Takes every slot back in reverse, removes the new folders, then the
    // switching record. False when something stays stuck.
    bool TakeBack(CUpdateFiles& files);
    // After the switch: deletes the backups, the journal and the folder.
    bool Finish(CUpdateFiles& files);
    // Before the switch (or after it was taken back): deletes the staged
    // files, the journal and the folder.
    bool Discard(CUpdateFiles& files);
    // Completes what the staging folder says: discards it before the switch;
    // after it, finishes the switch (or, with preferBack or when a slot will
    // not switch, takes it back and discards). False when stuck.
    bool Settle(CUpdateFiles& files, bool preferBack);
    bool IsSwitching() const { return m_Switching; }

    // The staging folders in root (names of the update's pattern).
    static std::vector<std::string> FindFolders(const std::string& root, CUpdateFiles& files);
    enum LoadResult {
        kLoaded,
        kNoJournal,       // no plan that can be read: leave the folder alone
        kDamaged,         // a journal that does not check, or a folder that contradicts it
        kUnknownVersion,  // a journal of a later program
    };
    LoadResult Load(const std::string& root, const std::string& folderName, CUpdateFiles& files);
    // A staging folder without a plan that holds no more than staged copies
    // and an unfinished plan (never an original: none is moved there before
    // the plan is in place): removed. False, and nothing touched, otherwise.
    static bool RemoveUnjournalled(const std::string& root, const std::string& folderName, CUpdateFiles& files);

    void Clear();
    const std::string& Root() const { return m_Root; }
    const std::string& Folder() const { return m_Folder; }
    const std::string& Destination(size_t slot) const { return m_Slots[slot].full; }
    uint32_t Error() const { return m_Error; }
    const std::string& FailedPath() const { return m_FailedPath; }
    // The slot a failed Switch stopped at.
    size_t FailedSlot() const { return m_FailedSlot; }
    // Whether the last failure was a deletion (else a move).
    bool FailedDeleting() const { return m_FailedDeleting; }

    // root without a trailing backslash ("C:\" gives "C:").
    static std::string NormalizeRoot(const std::string& root);

private:
    CUpdateStaging(const CUpdateStaging&) = delete;
    CUpdateStaging& operator=(const CUpdateStaging&) = delete;

    struct Slot {
        std::string relative;
        std::string full;
    };
    // A name in the staging folder: "<slot>.<kind><number>".
    struct StagedName {
        size_t slot = 0;
        std::string kind;  // "new", "old", "d"
        size_t number = 0;
        bool numbered = false;
    };
    static bool ParseName(const std::string& name, StagedName& parsed);
    std::string InFolder(const std::string& name) const { return m_Folder + "\\" + name; }
    std::string BackupPath(size_t slot, size_t number) const;
    std::string MarkerPath(size_t slot, size_t depth) const;
    // The first `depth` components of the slot's destination, as a full path.
    std::string FolderOf(size_t slot, size_t depth) const;

    bool SwitchSlot(size_t slot, CUpdateFiles& files);
    bool MakeFolders(size_t slot, CUpdateFiles& files);
    bool TakeBackSlot(size_t slot, CUpdateFiles& files);
    bool RemoveNewFolders(CUpdateFiles& files);
    // Whether no staged file is left; else the first found in unswitched.
    bool AllSwitched(CUpdateFiles& files, size_t* unswitched = nullptr);
    // Deletes the names of the staging folder that `which` accepts, then the
    // journal files and the folder.
    template <class Which>
    bool RemoveStaging(CUpdateFiles& files, Which which);
    template <class Op>
    bool Attempt(CUpdateFiles& files, Op op);
    bool Fail(uint32_t error, const std::string& path, bool deleting = false);

    std::string m_Root;
    std::string m_Folder;  // empty: not made (or not loaded)
    uint32_t m_RunId = 0;
    uint32_t m_PlanCrc = 0;
    std::vector<Slot> m_Slots;
    std::vector<size_t> m_SlotOf;       // destination -> slot, or kNoSlot
    std::vector<uint32_t> m_EntryError;  // destination -> why it has no slot
    bool m_Switching = false;
    uint32_t m_Error = 0;
    std::string m_FailedPath;
    size_t m_FailedSlot = kNoSlot;
    bool m_FailedDeleting = false;
};
