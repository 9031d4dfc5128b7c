// The update journal: any bytes a damaged disk can hold. What is read back
// must store again unchanged, and acting on it (rollback or the rest of a
// commit) may touch only what its records name below the game folder, and
// of that only what a step that counts as begun may have made: a file or
// folder at the path of a create step never begun (or closed since) stays,
// and so does a file with bytes at the path of one begun but not made.
#include "setup/Journal.h"
#include "setup/UpdateStepList.h"
#include "MemoryFileSystem.h"

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kRoot = "C:\\game";

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

// Half the inputs are taken as they are; the other half as records without
// their checksums, which are added here, so that the fuzzer reaches what
// lies behind the checks as well as the checks.
std::vector<uint8_t> Input(const uint8_t* data, size_t size)
{
    if (size == 0 || (data[0] & 1) == 0)
        return std::vector<uint8_t>(data + (size ? 1 : 0), data + size);
    std::vector<uint8_t> out;
    size_t at = 1;
    for (size_t i = 0; i < CJournal::kHeaderSize && at < size; ++i)
        out.push_back(data[at++]);
    while (size - at >= 3) {
        size_t length = data[at + 1] | data[at + 2] << 8;
        if (length > size - at - 3)
            length = size - at - 3;
        size_t start = out.size();
        out.push_back(data[at]);
        out.push_back(uint8_t(length));
        out.push_back(uint8_t(length >> 8));
        out.insert(out.end(), data + at + 3, data + at + 3 + length);
        uint32_t crc = CJournal::Checksum(out.data() + start, out.size() - start);
        for (int k = 0; k < 4; ++k)
            out.push_back(uint8_t(crc >> (8 * k)));
        at += 3 + length;
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* raw, size_t rawSize)
{
    std::vector<uint8_t> input = Input(raw, rawSize);
    const uint8_t* data = input.data();
    size_t size = input.size();
    CJournal journal;
    if (!journal.Parse(data, size))
        return 0;
    Check(journal.ValidSize() <= size);

    // Read back, stored again, read again: the same records.
    std::vector<uint8_t> stored = CJournal::Header(journal.GetState(), journal.GetVersion());
    for (const CJournalRecord& record : journal.Records())
        Check(CJournal::Append(record, stored));
    CJournal again;
    Check(again.Parse(stored.data(), stored.size()));
    Check(again.Records() == journal.Records() && again.GetState() == journal.GetState() &&
          again.GetVersion() == journal.GetVersion() && !again.IsDamaged());

    // Which steps count as begun, and which as made: every one in a
    // journal without marks; else the last mark of each holds.
    bool committing = journal.GetState() == CJournal::kCommitting;
    std::vector<const CJournalRecord*> steps;
    std::vector<bool> begun, made;
    for (const CJournalRecord& record : journal.Records()) {
        if (record.IsStep()) {
            steps.push_back(&record);
            begun.push_back(!journal.MarksBegun());
            made.push_back(!journal.MarksBegun());
        } else {
            begun[record.index] = record.type == CJournalRecord::kBegun || record.type == CJournalRecord::kMade;
            made[record.index] = record.type == CJournalRecord::kMade;
        }
    }

    // A game folder holding something at every name the records give, and
    // files no record names, inside and outside it.
    CMemoryFileSystem files;
    files.AddFile("C:\\outside.txt", "outside");
    files.AddFile(kRoot + "\\other.txt", "other");
    // created: made new files, deleted whatever they hold; begunFiles: new
    // files begun but not made, deleted only while empty.
    std::set<std::string> created, begunFiles, folders, replaced, backups;
    std::set<std::pair<std::string, std::string>> putBack;  // backup -> path
    for (size_t i = 0; i < steps.size(); ++i) {
        const CJournalRecord& record = *steps[i];
        std::string path = kRoot + "\\" + record.path;
        std::string key = CMemoryFileSystem::Key(path);
        switch (record.type) {
        case CJournalRecord::kCreateFolder:
            if (begun[i])
                folders.insert(key);
            if (!files.Has(path))
                files.AddFolder(path);
            break;
        case CJournalRecord::kCreateFile:
            if (made[i])
                created.insert(key);
            else if (begun[i])
                begunFiles.insert(key);
            // Every other one empty, as the update leaves a file it was
            // killed creating.
            if (!files.Has(path) && files.GetKind(CMemoryFileSystem::Parent(path)) != CStepFileSystem::kFile)
                files.AddFile(path, i % 2 ? "" : "new");
            break;
        case CJournalRecord::kReplaceFile: {
            std::string backup = CMemoryFileSystem::Parent(key) + "\\" + CMemoryFileSystem::Key(record.backup);
            // Put back without its mark too (it may have been lost), but
            // once committing only a begun step's backup is dropped.
            if (begun[i] || !committing) {
                replaced.insert(key);
                backups.insert(backup);
                putBack.insert(std::make_pair(backup, key));
            }
            if (!files.Has(backup) && files.GetKind(CMemoryFileSystem::Parent(backup)) != CStepFileSystem::kFile)
                files.AddFile(backup, "original");
            break;
        }
        default:
            break;
        }
    }
    CMemoryJournal storage(files);
    storage.exists = true;
    storage.bytes.assign(data, data + journal.ValidSize());
    CUpdateStepList list;
    list.Load(kRoot, journal, storage);
    list.Recover(files);

    for (const CMemoryFileSystem::Change& change : files.changes) {
        if (change.op == "delete")
            Check(created.count(change.path) || (begunFiles.count(change.path) && change.removed.empty()) ||
                  (committing && backups.count(change.path)));
        else if (change.op == "rmdir")
            Check(folders.count(change.path) != 0);
        else if (change.op == "rename")
            Check(!committing && putBack.count(std::make_pair(change.path, change.to)));
        else
            Check(change.op.compare(0, 8, "journal-") == 0);
    }
    Check(files.Bytes("C:\\outside.txt") == "outside");
    // A file no begun step may have made keeps its bytes (a rename puts a
    // backup's bytes over a replaced file).
    Check(files.Bytes(kRoot + "\\other.txt") == "other" || created.count(CMemoryFileSystem::Key(kRoot + "\\other.txt")) ||
          replaced.count(CMemoryFileSystem::Key(kRoot + "\\other.txt")) ||
          backups.count(CMemoryFileSystem::Key(kRoot + "\\other.txt")));
    return 0;
}
