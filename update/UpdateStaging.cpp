#include "update/UpdateStaging.h"

#include "setup/SjisString.h"
#include "update/StagingJournal.h"

#include <algorithm>
#include <cstdio>
#include <map>

const char* const CUpdateStaging::kFolderPrefix = "~QuillmoorUpdate-";
const char* const CUpdateStaging::kLegacyJournal = "~QuillmoorUpdate.jnl";

namespace {

const char* const kPlanFile = "plan.jnl";
const char* const kPlanTemporary = "plan.tmp";
const char* const kSwitchFile = "switch.jnl";
const char* const kSwitchTemporary = "switch.tmp";
const size_t kIdDigits = 8;
// Longest path the system's ANSI calls take, and longest folder it makes.
const size_t kMaxPath = 259;
const size_t kMaxFolder = 247;
const size_t kMaxBackups = 100;

// path below root ("" when it is not below it).
std::string Relative(const std::string& path, const std::string& root)
{
    if (path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 || path[root.size()] != '\\')
        return std::string();
    return path.substr(root.size() + 1);
}

// The value of a hex digit, -1 for any other byte.
int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The run id of a staging folder's name; false when the name is not one.
bool ParseFolderName(const std::string& name, CUpdateFiles& files, uint32_t& id)
{
    size_t prefix = std::char_traits<char>::length(CUpdateStaging::kFolderPrefix);
    if (name.size() != prefix + kIdDigits ||
        files.FoldName(name.substr(0, prefix)) != files.FoldName(CUpdateStaging::kFolderPrefix))
        return false;
    id = 0;
    for (size_t i = prefix; i < name.size(); ++i) {
        int digit = HexValue(name[i]);
        if (digit < 0)
            return false;
        id = id << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

std::string FolderName(uint32_t id)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(id));
    return CUpdateStaging::kFolderPrefix + std::string(digits);
}

// Whether a first component is one of the update's own names.
bool IsReserved(const std::string& component, CUpdateFiles& files)
{
    std::string folded = files.FoldName(component);
    std::string prefix = files.FoldName(CUpdateStaging::kFolderPrefix);
    return folded.compare(0, prefix.size(), prefix) == 0 ||
           folded == files.FoldName(CUpdateStaging::kLegacyJournal);
}

// What reading a journal file means for the load.
CUpdateStaging::LoadResult LoadResultOf(CStagingJournal::ParseResult read)
{
    switch (read) {
    case CStagingJournal::kGood:
        return CUpdateStaging::kLoaded;
    case CStagingJournal::kUnknownVersion:
        return CUpdateStaging::kUnknownVersion;
    case CStagingJournal::kDamaged:
        break;
    }
    return CUpdateStaging::kDamaged;
}

}  // namespace

std::string CUpdateStaging::NormalizeRoot(const std::string& root)
{
    std::string clean = CleanPath(root);
    return clean.size() > 1 ? RemoveTrailingBackslash(clean) : clean;
}

void CUpdateStaging::Clear()
{
    m_Root.clear();
    m_Folder.clear();
    m_RunId = 0;
    m_PlanCrc = 0;
    m_Slots.clear();
    m_SlotOf.clear();
    m_EntryError.clear();
    m_Switching = false;
    m_Error = 0;
    m_FailedPath.clear();
    m_FailedSlot = kNoSlot;
    m_FailedDeleting = false;
}

bool CUpdateStaging::Fail(uint32_t error, const std::string& path, bool deleting)
{
    m_Error = error;
    m_FailedPath = path;
    m_FailedDeleting = deleting;
    return false;
}

template <class Op>
bool CUpdateStaging::Attempt(CUpdateFiles& files, Op op)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0)
            files.Pause(kPauseMs);
        if (op())
            return true;
    }
    return false;
}

bool CUpdateStaging::ParseName(const std::string& name, StagedName& parsed)
{
    size_t dot = name.find('.');
    if (dot == 0 || dot == std::string::npos || dot > 7)
        return false;
    parsed.slot = 0;
    for (size_t i = 0; i < dot; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
        parsed.slot = parsed.slot * 10 + static_cast<size_t>(name[i] - '0');
    }
    std::string rest = name.substr(dot + 1);
    size_t digits = rest.find_first_of("0123456789");
    parsed.kind = rest.substr(0, digits);
    parsed.numbered = digits != std::string::npos;
    parsed.number = 0;
    if (parsed.numbered) {
        if (rest.size() - digits > 3)
            return false;
        for (size_t i = digits; i < rest.size(); ++i) {
            if (rest[i] < '0' || rest[i] > '9')
                return false;
            parsed.number = parsed.number * 10 + static_cast<size_t>(rest[i] - '0');
        }
    }
    if (parsed.kind == "new")
        return !parsed.numbered;
    if (parsed.kind == "old")
        return true;
    return parsed.kind == "d" && parsed.numbered && parsed.number > 0;
}

std::string CUpdateStaging::StagedPath(size_t slot) const
{
    return InFolder(std::to_string(slot) + ".new");
}

std::string CUpdateStaging::BackupPath(size_t slot, size_t number) const
{
    return InFolder(std::to_string(slot) + ".old" + (number ? std::to_string(number) : std::string()));
}

std::string CUpdateStaging::MarkerPath(size_t slot, size_t depth) const
{
    return InFolder(std::to_string(slot) + ".d" + std::to_string(depth));
}

std::string CUpdateStaging::FolderOf(size_t slot, size_t depth) const
{
    std::vector<std::string> parts = SplitComponents(m_Slots[slot].relative);
    std::string folder = m_Root;
    for (size_t k = 0; k < depth && k < parts.size(); ++k)
        folder += "\\" + parts[k];
    return folder;
}

void CUpdateStaging::Plan(const std::string& root, const std::vector<std::string>& destinations,
                          CUpdateFiles& files)
{
    Clear();
    m_Root = NormalizeRoot(root);
    std::map<std::string, size_t> slotOfPath;
    for (const std::string& path : destinations) {
        std::string relative = Relative(CleanPath(path), m_Root);
        uint32_t error = 0;
        if (!CStagingJournal::IsSafeRelativePath(relative))
            error = CUpdateFiles::kErrorInvalidName;
        else if (IsReserved(SplitComponents(relative).front(), files))
            error = CUpdateFiles::kErrorAccessDenied;
        else if (m_Root.size() + 1 + relative.size() > kMaxPath)
            error = CUpdateFiles::kErrorFilenameExcedRange;
        m_EntryError.push_back(error);
        if (error) {
            m_SlotOf.push_back(kNoSlot);
            continue;
        }
        auto known = slotOfPath.emplace(files.FoldName(relative), m_Slots.size());
        if (known.second)
            m_Slots.push_back(Slot{relative, m_Root + "\\" + relative});
        m_SlotOf.push_back(known.first->second);
    }
}

size_t CUpdateStaging::SlotOf(size_t destination) const
{
    return destination < m_SlotOf.size() ? m_SlotOf[destination] : kNoSlot;
}

uint32_t CUpdateStaging::CheckDestination(size_t destination, CUpdateFiles& files)
{
    size_t slot = SlotOf(destination);
    if (slot == kNoSlot)
        return destination < m_EntryError.size() ? m_EntryError[destination] : CUpdateFiles::kErrorInvalidName;
    if (files.GetKind(m_Root + "\\") != CUpdateFiles::kFolder)
        return CUpdateFiles::kErrorPathNotFound;
    std::vector<std::string> parts = SplitComponents(m_Slots[slot].relative);
    std::string folder = m_Root;
    bool missing = false;
    for (size_t k = 0; k + 1 < parts.size(); ++k) {
        folder += "\\" + parts[k];
        if (!missing) {
            CUpdateFiles::Kind kind = files.GetKind(folder);
            if (kind == CUpdateFiles::kMissing)
                missing = true;
            else if (kind != CUpdateFiles::kFolder)
                return CUpdateFiles::kErrorPathNotFound;
        }
        if (missing && folder.size() > kMaxFolder)
            return CUpdateFiles::kErrorFilenameExcedRange;
    }
    if (missing)
        return 0;
    switch (files.GetKind(m_Slots[slot].full)) {
    case CUpdateFiles::kMissing:
        return 0;
    case CUpdateFiles::kFile:
        return files.CheckWritable(m_Slots[slot].full) ? 0 : files.LastError();
    default:
        return CUpdateFiles::kErrorAccessDenied;
    }
}

bool CUpdateStaging::Create(uint32_t runId, CUpdateFiles& files)
{
    m_Folder.clear();
    m_Switching = false;
    if (m_Slots.empty())
        return true;
    std::string folder = m_Root + "\\" + FolderName(runId);
    if (!files.MakeFolder(folder))
        return Fail(files.LastError(), folder);
    std::vector<std::string> paths;
    for (const Slot& slot : m_Slots)
        paths.push_back(slot.relative);
    std::vector<uint8_t> plan;
    CStagingJournal::WritePlan(runId, paths, plan);  // every slot's path is checked
    m_RunId = runId;
    m_PlanCrc = CStagingJournal::Crc32(plan.data(), plan.size());
    m_Folder = folder;
    if (files.WriteFile(InFolder(kPlanTemporary), plan) &&
        files.Rename(InFolder(kPlanTemporary), InFolder(kPlanFile)))
        return true;
    uint32_t error = files.LastError();
    files.RemoveFile(InFolder(kPlanTemporary));
    files.RemoveFolder(folder);
    m_Folder.clear();
    return Fail(error, folder + "\\" + kPlanFile);
}

bool CUpdateStaging::WriteSwitching(CUpdateFiles& files)
{
    if (m_Switching || m_Folder.empty())
        return true;
    std::vector<uint8_t> record =
        CStagingJournal::WriteSwitching(m_RunId, static_cast<uint32_t>(m_Slots.size()), m_PlanCrc);
    std::string temporary = InFolder(kSwitchTemporary);
    if (files.RemoveFile(temporary) && files.WriteFile(temporary, record) &&
        files.Rename(temporary, InFolder(kSwitchFile))) {
        m_Switching = true;
        return true;
    }
    uint32_t error = files.LastError();
    files.RemoveFile(temporary);
    return Fail(error, InFolder(kSwitchFile));
}

bool CUpdateStaging::MakeFolders(size_t slot, CUpdateFiles& files)
{
    size_t depth = SplitComponents(m_Slots[slot].relative).size();
    for (size_t k = 1; k < depth; ++k) {
        std::string folder = FolderOf(slot, k);
        CUpdateFiles::Kind kind = files.GetKind(folder);
        if (kind == CUpdateFiles::kFolder)
            continue;
        if (kind != CUpdateFiles::kMissing)
            return Fail(CUpdateFiles::kErrorPathNotFound, folder);
        // Marked before it is made: a marked folder is the update's.
        std::string marker = MarkerPath(slot, k);
        if (files.GetKind(marker) == CUpdateFiles::kMissing && !files.WriteFile(marker, std::vector<uint8_t>()))
            return Fail(files.LastError(), marker);
        if (!files.MakeFolder(folder)) {
            uint32_t error = files.LastError();
            if (files.GetKind(folder) != CUpdateFiles::kFolder)
                return Fail(error, folder);
            files.RemoveFile(marker);  // another program's, made meanwhile
        }
    }
    return true;
}

bool CUpdateStaging::SwitchSlot(size_t slot, CUpdateFiles& files)
{
    std::string staged = StagedPath(slot);
    const std::string& destination = m_Slots[slot].full;
    // A rename never replaces, so the staged file is tried first: it goes
    // where nothing is. Asking before each move costs more than a failed
    // move where a name is missing (a system that folds case looks for it
    // through the whole folder).
    if (files.Rename(staged, destination))
        return true;
    if (files.GetKind(staged) == CUpdateFiles::kMissing)
        return true;  // switched
    switch (files.GetKind(destination)) {
    case CUpdateFiles::kFile: {
        // The original, or what another program put there meanwhile: kept
        // under a name of its own until the update is complete.
        // Only the original is "N.old": the next number only when that name
        // is taken (a rename may also fail for a moment, the file in use).
        if (!files.Rename(destination, BackupPath(slot, 0))) {
            uint32_t error = files.LastError();
            if (files.GetKind(BackupPath(slot, 0)) == CUpdateFiles::kMissing)
                return Fail(error, destination);
            size_t number = 1;
            while (number < kMaxBackups && files.GetKind(BackupPath(slot, number)) != CUpdateFiles::kMissing)
                ++number;
            if (number == kMaxBackups)
                return Fail(CUpdateFiles::kErrorAlreadyExists, destination);
            if (!files.Rename(destination, BackupPath(slot, number)))
                return Fail(files.LastError(), destination);
        }
        break;
    }
    case CUpdateFiles::kMissing:
        if (!MakeFolders(slot, files))
            return false;
        break;
    default:  // a folder, or a file the update may not replace
        return Fail(CUpdateFiles::kErrorAccessDenied, destination);
    }
    return files.Rename(staged, destination) || Fail(files.LastError(), destination);
}

bool CUpdateStaging::Switch(CUpdateFiles& files)
{
    m_FailedSlot = kNoSlot;
    if (m_Folder.empty())
        return true;  // nothing staged
    if (!m_Switching)
        return Fail(CUpdateFiles::kErrorInvalidData, InFolder(kSwitchFile));
    for (size_t slot = 0; slot < m_Slots.size(); ++slot) {
        if (!Attempt(files, [&] { return SwitchSlot(slot, files); })) {
            m_FailedSlot = slot;
            return false;
        }
    }
    return true;
}

bool CUpdateStaging::TakeBackSlot(size_t slot, CUpdateFiles& files)
{
    std::string staged = StagedPath(slot);
    const std::string& destination = m_Slots[slot].full;
    if (files.GetKind(staged) == CUpdateFiles::kMissing) {
        switch (files.GetKind(destination)) {
        case CUpdateFiles::kMissing:
            break;
        case CUpdateFiles::kFolder:
            return Fail(CUpdateFiles::kErrorAccessDenied, destination);
        default:
            if (!files.Rename(destination, staged))
                return Fail(files.LastError(), destination);
        }
    }
    std::string backup = BackupPath(slot, 0);
    if (files.GetKind(backup) != CUpdateFiles::kMissing && !files.Rename(backup, destination))
        return Fail(files.LastError(), destination);
    return true;
}

bool CUpdateStaging::RemoveNewFolders(CUpdateFiles& files)
{
    std::vector<std::string> names;
    if (!files.ListFolder(m_Folder, names))
        return Fail(files.LastError(), m_Folder);
    std::vector<StagedName> markers;
    for (const std::string& name : names) {
        StagedName parsed;
        if (ParseName(name, parsed) && parsed.kind == "d" && parsed.slot < m_Slots.size())
            markers.push_back(parsed);
    }
    // Deepest first, so that a folder is empty of the update's own by its turn.
    std::sort(markers.begin(), markers.end(), [](const StagedName& a, const StagedName& b) {
        return a.number != b.number ? a.number > b.number : a.slot > b.slot;
    });
    for (const StagedName& marker : markers) {
        std::string folder = FolderOf(marker.slot, marker.number);
        bool removed = Attempt(files, [&] {
            // Another program's files in it: it is theirs now, and stays.
            return files.RemoveFolder(folder) || files.LastError() == CUpdateFiles::kErrorDirNotEmpty;
        });
        if (!removed)
            return Fail(files.LastError(), folder, true);
        std::string path = MarkerPath(marker.slot, marker.number);
        if (!Attempt(files, [&] { return files.RemoveFile(path); }))
            return Fail(files.LastError(), path, true);
    }
    return true;
}

bool CUpdateStaging::TakeBack(CUpdateFiles& files)
{
    m_FailedSlot = kNoSlot;
    if (m_Folder.empty())
        return true;
    for (size_t slot = m_Slots.size(); slot-- > 0;) {
        if (!Attempt(files, [&] { return TakeBackSlot(slot, files); })) {
            m_FailedSlot = slot;
            return false;
        }
    }
    if (!RemoveNewFolders(files))
        return false;
    std::string record = InFolder(kSwitchFile);
    if (!Attempt(files, [&] { return files.RemoveFile(record); }))
        return Fail(files.LastError(), record, true);
    m_Switching = false;
    return true;
}

bool CUpdateStaging::AllSwitched(CUpdateFiles& files, size_t* unswitched)
{
    // One listing rather than a question per slot.
    std::vector<std::string> names;
    if (files.ListFolder(m_Folder, names)) {
        for (const std::string& name : names) {
            StagedName parsed;
            if (ParseName(name, parsed) && parsed.kind == "new" && parsed.slot < m_Slots.size()) {
                if (unswitched)
                    *unswitched = parsed.slot;
                return false;
            }
        }
        return true;
    }
    for (size_t slot = 0; slot < m_Slots.size(); ++slot) {
        if (files.GetKind(StagedPath(slot)) != CUpdateFiles::kMissing) {
            if (unswitched)
                *unswitched = slot;
            return false;
        }
    }
    return true;
}

template <class Which>
bool CUpdateStaging::RemoveStaging(CUpdateFiles& files, Which which)
{
    std::vector<std::string> names;
    if (!files.ListFolder(m_Folder, names)) {
        if (files.GetKind(m_Folder) == CUpdateFiles::kMissing) {
            Clear();
            return true;
        }
        return Fail(files.LastError(), m_Folder, true);
    }
    // Everything that will go goes; the first that stays is reported.
    bool stuck = false;
    for (const std::string& name : names) {
        StagedName parsed;
        bool ours = name == kPlanTemporary || name == kSwitchTemporary ||
                    (ParseName(name, parsed) && parsed.slot < m_Slots.size() && which(parsed));
        std::string path = InFolder(name);
        if (ours && !Attempt(files, [&] { return files.RemoveFile(path); }) && !stuck) {
            stuck = true;
            Fail(files.LastError(), path, true);
        }
    }
    if (stuck)
        return false;
    // The journal last: until it goes, a later start finds what is left.
    for (const char* name : {kSwitchFile, kPlanFile}) {
        std::string path = InFolder(name);
        if (!Attempt(files, [&] { return files.RemoveFile(path); }))
            return Fail(files.LastError(), path, true);
    }
    // A folder that still holds what is not the update's is left to it.
    std::string folder = m_Folder;
    if (!Attempt(files, [&] {
            return files.RemoveFolder(folder) || files.LastError() == CUpdateFiles::kErrorDirNotEmpty;
        }))
        return Fail(files.LastError(), folder, true);
    Clear();
    return true;
}

bool CUpdateStaging::Finish(CUpdateFiles& files)
{
    if (m_Folder.empty())
        return true;
    size_t slot = 0;
    if (!AllSwitched(files, &slot))
        return Fail(CUpdateFiles::kErrorInvalidData, StagedPath(slot));  // not switched
    return RemoveStaging(files, [](const StagedName& name) { return name.kind != "new"; });
}

bool CUpdateStaging::Discard(CUpdateFiles& files)
{
    if (m_Folder.empty())
        return true;
    // A switching record on disk, whatever this run believes: take back first.
    if (files.GetKind(InFolder(kSwitchFile)) != CUpdateFiles::kMissing) {
        m_Switching = true;
        if (!TakeBack(files))
            return false;
    }
    return RemoveStaging(files, [](const StagedName& name) { return name.kind != "old"; });
}

bool CUpdateStaging::Settle(CUpdateFiles& files, bool preferBack)
{
    if (m_Folder.empty())
        return true;
    if (!m_Switching && files.GetKind(InFolder(kSwitchFile)) == CUpdateFiles::kMissing)
        return Discard(files);
    m_Switching = true;
    if (AllSwitched(files))
        return Finish(files);
    if (!preferBack && Switch(files))
        return Finish(files);
    return TakeBack(files) && Discard(files);
}

std::vector<std::string> CUpdateStaging::FindFolders(const std::string& root, CUpdateFiles& files)
{
    std::string base = NormalizeRoot(root);
    std::vector<std::string> names, found;
    files.ListFolder(base, names);
    for (const std::string& name : names) {
        uint32_t id;
        if (ParseFolderName(name, files, id) && files.GetKind(base + "\\" + name) == CUpdateFiles::kFolder)
            found.push_back(name);
    }
    return found;
}

CUpdateStaging::LoadResult CUpdateStaging::Load(const std::string& root, const std::string& folderName,
                                                CUpdateFiles& files)
{
    Clear();
    m_Root = NormalizeRoot(root);
    uint32_t id;
    if (!ParseFolderName(folderName, files, id))
        return kNoJournal;
    m_Folder = m_Root + "\\" + folderName;
    m_RunId = id;
    LoadResult result = kLoaded;
    std::vector<uint8_t> bytes;
    std::vector<std::string> paths;
    if (!files.ReadFile(InFolder(kPlanFile), bytes)) {
        result = kNoJournal;
    } else {
        result = LoadResultOf(CStagingJournal::ReadPlan(bytes.data(), bytes.size(), id, paths));
    }
    m_PlanCrc = CStagingJournal::Crc32(bytes.data(), bytes.size());
    std::map<std::string, size_t> seen;
    for (size_t i = 0; result == kLoaded && i < paths.size(); ++i) {
        // A plan holds only what this program plans: one slot per destination,
        // none of its own names, none too long.
        if (!seen.emplace(files.FoldName(paths[i]), i).second ||
            IsReserved(SplitComponents(paths[i]).front(), files) || m_Root.size() + 1 + paths[i].size() > kMaxPath)
            result = kDamaged;
        m_Slots.push_back(Slot{paths[i], m_Root + "\\" + paths[i]});
        m_SlotOf.push_back(i);
        m_EntryError.push_back(0);
    }
    std::vector<uint8_t> record;
    if (result == kLoaded && files.ReadFile(InFolder(kSwitchFile), record)) {
        result = LoadResultOf(CStagingJournal::ReadSwitching(record.data(), record.size(), id,
                                                             static_cast<uint32_t>(m_Slots.size()), m_PlanCrc));
        m_Switching = result == kLoaded;
    } else if (result == kLoaded && files.GetKind(InFolder(kSwitchFile)) != CUpdateFiles::kMissing) {
        result = kNoJournal;  // there, but it cannot be read now
    }
    if (result == kLoaded && !m_Switching) {
        // Backups exist only while switching: one without the record
        // contradicts the journal.
        std::vector<std::string> names;
        files.ListFolder(m_Folder, names);
        for (const std::string& name : names) {
            StagedName parsed;
            if (ParseName(name, parsed) && parsed.kind == "old")
                result = kDamaged;
        }
    }
    if (result != kLoaded) {
        m_Folder.clear();
        m_Slots.clear();
        m_SlotOf.clear();
        m_EntryError.clear();
        m_Switching = false;
    }
    return result;
}

bool CUpdateStaging::RemoveUnjournalled(const std::string& root, const std::string& folderName,
                                        CUpdateFiles& files)
{
    std::string folder = NormalizeRoot(root) + "\\" + folderName;
    std::vector<std::string> names;
    if (!files.ListFolder(folder, names))
        return false;
    for (const std::string& name : names) {
        StagedName parsed;
        if (name != kPlanTemporary && !(ParseName(name, parsed) && parsed.kind == "new"))
            return false;
    }
    for (const std::string& name : names)
        if (!files.RemoveFile(folder + "\\" + name))
            return false;
    return files.RemoveFolder(folder);
}
