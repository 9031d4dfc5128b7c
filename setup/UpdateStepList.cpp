#include "setup/UpdateStepList.h"

#include "setup/BackupNames.h"
#include "setup/CreateFileStep.h"
#include "setup/CreateFolderStep.h"
#include "setup/ReplaceFileStep.h"
#include "setup/SjisString.h"

namespace {

// Splits a full path at its last separator.
void SplitAtLast(const std::string& path, std::string& folder, std::string& name)
{
    size_t cut = FindLastSeparator(path);
    folder = cut == std::string::npos ? std::string() : path.substr(0, cut);
    name = cut == std::string::npos ? path : path.substr(cut + 1);
}

// Plans whose steps turn over more often than this are given up.
const int kReplans = 8;

}  // namespace

std::string CUpdateStepList::NormalizeRoot(const std::string& root)
{
    std::string clean = CleanPath(root);
    return clean.size() > 1 ? RemoveTrailingBackslash(clean) : clean;
}

void CUpdateStepList::Clear()
{
    m_Root.clear();
    m_Steps.clear();
    m_States.clear();
    m_Slots.clear();
    m_SlotOf.clear();
    m_Folders.clear();
    m_Names.clear();
    m_Reserved.clear();
    m_NextBackup.clear();
    m_Journal = nullptr;
    m_Committing = false;
    m_Error = 0;
    m_FailedPath.clear();
}

size_t CUpdateStepList::OpenCount() const
{
    size_t open = 0;
    for (StepState state : m_States)
        open += state != kClosed;
    return open;
}

void CUpdateStepList::Add(CUpdateStep* step)
{
    m_Steps.emplace_back(step);
    m_States.push_back(kPlanned);
}

bool CUpdateStepList::Fail(uint32_t error, const std::string& path)
{
    m_Error = error;
    m_FailedPath = path;
    return false;
}

template <class Op>
bool CUpdateStepList::Attempt(CStepFileSystem& files, Op op)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0)
            files.Pause(kPauseMs);
        if (op())
            return true;
    }
    return false;
}

void CUpdateStepList::Plan(const std::string& root, const std::vector<std::string>& destinations,
                           CStepFileSystem& files)
{
    Clear();
    m_Root = NormalizeRoot(root);
    const bool rootExists = files.GetKind(m_Root + "\\") == CStepFileSystem::kFolder;
    const std::string journalKey = files.FoldName(CJournal::kFileName);
    m_Reserved[files.FoldName(m_Root)].insert(journalKey);

    // Every destination's name is reserved first, so that no backup takes a
    // name a later file of the update needs.
    for (const std::string& path : destinations) {
        std::string folder, name;
        SplitAtLast(path, folder, name);
        m_Reserved[files.FoldName(folder)].insert(files.FoldName(name));
    }

    std::map<std::string, size_t> slotOfPath;
    for (const std::string& path : destinations) {
        auto known = slotOfPath.emplace(files.FoldName(path), m_Slots.size());
        m_SlotOf.push_back(known.first->second);
        if (!known.second)
            continue;
        Slot slot;
        slot.first = m_Steps.size();
        std::string relative = CUpdateStep::Relative(path, m_Root);
        std::string folder, name;
        SplitAtLast(path, folder, name);
        if (!rootExists)
            slot.error = CStepFileSystem::kErrorPathNotFound;
        else if (!CJournal::IsSafeRelativePath(relative))
            slot.error = CStepFileSystem::kErrorInvalidName;
        else if (files.FoldName(relative) == journalKey)
            slot.error = CStepFileSystem::kErrorAccessDenied;
        else if (EnsureFolder(folder, files) == kFolderBlocked)
            slot.error = CStepFileSystem::kErrorPathNotFound;
        else
            PlanFile(path, slot, files);
        slot.planned = slot.step < 0 ? m_Steps.size() : static_cast<size_t>(slot.step);
        m_Slots.push_back(slot);
    }
}

CUpdateStepList::FolderState CUpdateStepList::EnsureFolder(const std::string& folder,
                                                           CStepFileSystem& files)
{
    if (folder.size() <= m_Root.size())
        return kFolderExists;  // the root (paths are checked to lie below it)
    std::string key = files.FoldName(folder);
    auto known = m_Folders.find(key);
    if (known != m_Folders.end())
        return known->second;
    std::string parent, name;
    SplitAtLast(folder, parent, name);
    FolderState state = EnsureFolder(parent, files);
    if (state == kFolderExists) {
        switch (files.GetKind(folder)) {
        case CStepFileSystem::kFolder:
            state = kFolderExists;
            break;
        case CStepFileSystem::kMissing:
            state = kFolderPlanned;
            break;
        default:
            state = kFolderBlocked;  // a file is in the way
            break;
        }
    }
    if (state == kFolderPlanned) {
        Add(new CCreateFolderStep(folder));
        m_Names[key];  // a new folder holds nothing
        m_Names[files.FoldName(parent)].insert(files.FoldName(name));
    }
    m_Folders[key] = state;
    return state;
}

std::set<std::string>& CUpdateStepList::Names(const std::string& folder, CStepFileSystem& files)
{
    std::string key = files.FoldName(folder);
    auto known = m_Names.find(key);
    if (known != m_Names.end())
        return known->second;
    std::set<std::string>& names = m_Names[key];
    std::vector<std::string> listed;
    if (files.ListFolder(folder, listed))
        for (const std::string& name : listed)
            names.insert(files.FoldName(name));
    return names;
}

std::string CUpdateStepList::NextBackupName(const std::string& path, bool checkDisk,
                                            CStepFileSystem& files)
{
    std::string folder, name;
    SplitAtLast(path, folder, name);
    std::string key = files.FoldName(folder);
    std::set<std::string>& names = Names(folder, files);
    const std::set<std::string>& reserved = m_Reserved[key];
    for (uint64_t& n = m_NextBackup[key];; ++n) {
        std::string candidate = CBackupNames::Candidate(name, n);
        if (candidate.empty())
            return candidate;
        std::string folded = files.FoldName(candidate);
        if (names.count(folded) || reserved.count(folded))
            continue;
        names.insert(folded);
        if (checkDisk && files.GetKind(folder + "\\" + candidate) != CStepFileSystem::kMissing)
            continue;
        ++n;
        return candidate;
    }
}

void CUpdateStepList::PlanFile(const std::string& path, Slot& slot, CStepFileSystem& files)
{
    std::string folder, name;
    SplitAtLast(path, folder, name);
    std::set<std::string>& names = Names(folder, files);
    if (!names.insert(files.FoldName(name)).second) {
        std::string backup = NextBackupName(path, false, files);
        if (backup.empty()) {
            slot.error = CStepFileSystem::kErrorFilenameExcedRange;
            return;
        }
        Add(new CReplaceFileStep(path, backup));
    } else {
        Add(new CCreateFileStep(path));
    }
    slot.step = static_cast<int>(m_Steps.size() - 1);
}

bool CUpdateStepList::Begin(CJournalStorage& journal)
{
    if (m_Steps.empty())
        return true;
    std::vector<uint8_t> bytes = CJournal::Header(CJournal::kRunning);
    for (const auto& step : m_Steps)
        CJournal::Append(step->ToRecord(m_Root), bytes);  // planned paths are checked
    if (!journal.Create(bytes))
        return Fail(journal.LastError(), m_Root + "\\" + CJournal::kFileName);
    if (!journal.Flush()) {
        uint32_t error = journal.LastError();
        journal.Remove();
        return Fail(error, m_Root + "\\" + CJournal::kFileName);
    }
    m_Journal = &journal;
    return true;
}

bool CUpdateStepList::Mark(size_t step, CJournalRecord::Type mark, StepState state)
{
    bool written = false;
    if (m_Journal) {
        std::vector<uint8_t> bytes;
        CJournalRecord record;
        record.type = mark;
        record.index = static_cast<uint32_t>(step);
        CJournal::Append(record, bytes);
        written = m_Journal->Append(bytes);
    }
    if (written || mark == CJournalRecord::kClosed)
        m_States[step] = state;
    return written;
}

bool CUpdateStepList::JournalFailed()
{
    return Fail(m_Journal ? m_Journal->LastError() : CStepFileSystem::kErrorAccessDenied,
                m_Root + "\\" + CJournal::kFileName);
}

bool CUpdateStepList::DoStep(size_t step, CStepFileSystem& files, CUpdateStep::Outcome& outcome)
{
    CUpdateStep& todo = *m_Steps[step];
    if (m_States[step] != kBegun && m_States[step] != kMade) {
        outcome = todo.Check(files);
        if (outcome != CUpdateStep::kDone)
            return true;
        if (!Mark(step, CJournalRecord::kBegun, kBegun))
            return JournalFailed();
    }
    outcome = todo.Do(files);
    // Made (a retried file emptied, too): marked so before anything is
    // written into it.
    if (outcome == CUpdateStep::kDone && m_States[step] == kBegun &&
        !Mark(step, CJournalRecord::kMade, kMade))
        return JournalFailed();
    // Nothing of it stands: closed again, so that neither a rollback nor a
    // later start takes anything back for it; a retry begins it anew.
    if (outcome == CUpdateStep::kFailed && !todo.IsMade())
        Mark(step, CJournalRecord::kClosed, kPlanned);
    return true;
}

bool CUpdateStepList::Prepare(size_t destination, CStepFileSystem& files)
{
    if (destination >= m_SlotOf.size())
        return Fail(CStepFileSystem::kErrorInvalidName, std::string());
    Slot& slot = m_Slots[m_SlotOf[destination]];
    if (slot.step < 0)
        return Fail(slot.error, std::string());
    CUpdateStep::Outcome outcome;
    for (size_t i = slot.first; i < slot.planned; ++i) {
        if (m_States[i] != kPlanned || !m_Steps[i]->IsFolder())
            continue;
        if (!DoStep(i, files, outcome))
            return false;
        switch (outcome) {
        case CUpdateStep::kDone:
            break;
        case CUpdateStep::kNotOurs:
            Close(i);
            break;
        default:
            return Fail(m_Steps[i]->Error(), m_Steps[i]->Path());
        }
    }
    for (int replan = 0; replan < kReplans; ++replan) {
        size_t i = static_cast<size_t>(slot.step);
        CUpdateStep& step = *m_Steps[i];
        if (!DoStep(i, files, outcome))
            return false;
        CUpdateStep* next = nullptr;
        switch (outcome) {
        case CUpdateStep::kDone:
        case CUpdateStep::kNotOurs:
            return true;
        case CUpdateStep::kFailed:
            return Fail(step.Error(), step.Path());
        case CUpdateStep::kFoundNothing:
            next = new CCreateFileStep(step.Path());
            break;
        case CUpdateStep::kFoundFile:
        case CUpdateStep::kBackupTaken: {
            std::string backup = NextBackupName(step.Path(), true, files);
            if (backup.empty()) {
                Mark(i, CJournalRecord::kClosed, kPlanned);
                return Fail(CStepFileSystem::kErrorFilenameExcedRange, step.Path());
            }
            next = new CReplaceFileStep(step.Path(), backup);
            break;
        }
        }
        // The step changed nothing. Its close and its successor are
        // recorded, the successor flushed, before the successor is begun.
        m_States[i] = kPlanned;
        std::unique_ptr<CUpdateStep> owned(next);
        std::vector<uint8_t> bytes;
        CJournalRecord closed;
        closed.type = CJournalRecord::kClosed;
        closed.index = static_cast<uint32_t>(i);
        CJournal::Append(closed, bytes);
        CJournal::Append(next->ToRecord(m_Root), bytes);
        if (!m_Journal || !m_Journal->Append(bytes) || !m_Journal->Flush())
            return JournalFailed();
        m_States[i] = kClosed;
        Add(owned.release());
        slot.step = static_cast<int>(m_Steps.size() - 1);
    }
    return Fail(CStepFileSystem::kErrorAccessDenied, m_Steps[slot.step]->Path());
}

CUpdateStepList::CommitResult CUpdateStepList::Commit(CStepFileSystem& files)
{
    if (m_Steps.empty()) {
        Clear();
        return kCommitted;
    }
    if (!m_Committing) {
        std::vector<uint8_t> mark(1, CJournal::kCommitting);
        if (!m_Journal || !m_Journal->Overwrite(CJournal::kStateOffset, mark) || !m_Journal->Flush()) {
            Fail(m_Journal ? m_Journal->LastError() : CStepFileSystem::kErrorAccessDenied,
                 m_Root + "\\" + CJournal::kFileName);
            return kNotCommitted;
        }
        m_Committing = true;
    }
    bool stuck = false;
    for (size_t i = 0; i < m_Steps.size(); ++i) {
        if (m_States[i] == kClosed)
            continue;
        if (m_States[i] == kPlanned) {
            Close(i);  // never begun: nothing was kept for it
            continue;
        }
        CUpdateStep& step = *m_Steps[i];
        if (Attempt(files, [&] { return step.Commit(files); })) {
            Close(i);
        } else if (!stuck) {
            stuck = true;
            Fail(step.Error(), step.CommitPath());
        }
    }
    if (stuck) {
        m_Journal->Flush();
        return kLeftovers;
    }
    if (!Attempt(files, [&] { return m_Journal->Remove(); })) {
        Fail(m_Journal->LastError(), m_Root + "\\" + CJournal::kFileName);
        return kLeftovers;
    }
    Clear();
    return kCommitted;
}

bool CUpdateStepList::Rollback(CStepFileSystem& files)
{
    if (m_Steps.empty()) {
        Clear();
        return true;
    }
    // Once committing, backups are going: only finishing leaves a whole
    // update behind.
    if (m_Committing)
        return Commit(files) == kCommitted;
    bool stuck = false;
    for (size_t i = m_Steps.size(); i-- > 0;) {
        if (m_States[i] == kClosed)
            continue;
        if (m_States[i] == kPlanned) {
            Close(i);  // never tried: nothing to take back
            continue;
        }
        CUpdateStep& step = *m_Steps[i];
        CUpdateStep::Undo undo = CUpdateStep::kStuck;
        for (int attempt = 0; attempt < kAttempts && undo == CUpdateStep::kStuck; ++attempt) {
            if (attempt > 0)
                files.Pause(kPauseMs);
            undo = step.Rollback(files);
        }
        // A folder that still holds files is left; it is ours to remove only
        // when what the update put in it is gone.
        if (undo == CUpdateStep::kUndone || (undo == CUpdateStep::kKept && !stuck)) {
            Close(i);
        } else if (!stuck) {
            stuck = true;
            Fail(undo == CUpdateStep::kKept ? CStepFileSystem::kErrorDirNotEmpty : step.Error(),
                 step.Path());
        }
    }
    if (stuck) {
        if (m_Journal)
            m_Journal->Flush();
        return false;
    }
    if (m_Journal && !Attempt(files, [&] { return m_Journal->Remove(); }))
        return Fail(m_Journal->LastError(), m_Root + "\\" + CJournal::kFileName);
    Clear();
    return true;
}

void CUpdateStepList::Load(const std::string& root, const CJournal& journal, CJournalStorage& storage)
{
    Clear();
    m_Root = NormalizeRoot(root);
    m_Journal = &storage;
    m_Committing = journal.GetState() == CJournal::kCommitting;
    for (const CJournalRecord& record : journal.Records()) {
        if (record.IsStep()) {
            m_Steps.push_back(CUpdateStep::FromRecord(record, m_Root));
            // A journal without marks counts every step made. A replace
            // step's backup is looked for even when its begun mark is missing
            // (written, but lost with the system before it reached the disk);
            // once committing it is not, as the commit mark was flushed after
            // every begun mark.
            StepState state = kPlanned;
            if (!journal.MarksBegun())
                state = kMade;
            else if (record.type == CJournalRecord::kReplaceFile && !m_Committing)
                state = kBegun;
            m_States.push_back(state);
        } else if (record.index < m_States.size()) {
            m_States[record.index] = record.type == CJournalRecord::kBegun  ? kBegun
                                     : record.type == CJournalRecord::kMade ? kMade
                                                                            : kClosed;
        }
    }
    // Whether a step was done is not known: its rollback or commit looks.
    // One begun but not made was stopped between the two marks, so that of
    // a new file only an empty one can be the update's.
    for (size_t i = 0; i < m_Steps.size(); ++i)
        if (m_States[i] == kMade)
            m_Steps[i]->SetMade();
}

bool CUpdateStepList::Recover(CStepFileSystem& files)
{
    return Rollback(files);
}
