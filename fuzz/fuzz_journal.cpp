// The update's staging journal, and the recovery that acts on it: any bytes
// a damaged disk can hold, and any state a staging folder can be found in.
// A plan that reads back stores again unchanged; one that does not check
// makes the recovery touch nothing; one that does may change a game file
// only by putting that slot's staged file in its place, and no original
// goes missing: it stays at its destination or as a backup in the staging
// folder, which a settled update leaves only to keep another program's
// file. The earlier program's journal reader gets the same bytes.
#include "update/LegacyJournal.h"
#include "update/StagingJournal.h"
#include "update/UpdateStaging.h"
#include "MemoryUpdateFiles.h"

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kRoot = "C:\\game";
const uint32_t kRunId = 0x0badcafe;
const std::string kFolderName = "~QuillmoorUpdate-0badcafe";
const std::string kStaging = kRoot + "\\" + kFolderName;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Reads bytes one after another; zeros once they run out.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t Next() { return at < size ? data[at++] : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CLegacyJournal legacy;
    if (legacy.Parse(data, size))
        legacy.HasOpenSteps();
    if (size == 0)
        return 0;

    CMemoryUpdateFiles files;
    files.AddFile("C:\\outside.txt", "outside");
    files.AddFile(kRoot + "\\other.txt", "other");
    Reader in{data + 1, size - 1};
    std::vector<std::string> paths;
    std::vector<uint8_t> plan;
    bool switching = false;
    if (data[0] & 1) {
        // Raw bytes as the plan.
        plan.assign(data + 1, data + size);
        std::vector<std::string> read;
        if (CStagingJournal::ReadPlan(plan.data(), plan.size(), kRunId, read) == CStagingJournal::kGood) {
            std::vector<uint8_t> again;
            Check(CStagingJournal::WritePlan(kRunId, read, again) && again == plan);
            paths = read;
        }
    } else {
        // Paths separated by line feeds, then a zero byte and the state of
        // each slot on disk; a well-formed plan (and switching record) of them.
        std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
        size_t zero = text.find('\0');
        if (zero != std::string::npos) {
            in = Reader{data + 2 + zero, size - 2 - zero};
            text.resize(zero);
        } else {
            in = Reader{data, 0};
        }
        size_t begin = 0;
        while (begin < text.size() && paths.size() < 16) {
            size_t end = text.find('\n', begin);
            if (end == std::string::npos)
                end = text.size();
            if (end > begin)
                paths.push_back(text.substr(begin, end - begin));
            begin = end + 1;
        }
        if (!CStagingJournal::WritePlan(kRunId, paths, plan))
            return 0;
        switching = (data[0] & 2) != 0;
    }
    files.AddFolder(kStaging);
    files.AddFile(kStaging + "\\plan.jnl", std::string(plan.begin(), plan.end()));
    if (switching) {
        std::vector<uint8_t> record = CStagingJournal::WriteSwitching(
            kRunId, static_cast<uint32_t>(paths.size()), CStagingJournal::Crc32(plan.data(), plan.size()));
        files.AddFile(kStaging + "\\switch.jnl", std::string(record.begin(), record.end()));
    }
    // Each slot in a state the update can leave it in (not staged yet,
    // staged, its original moved out, switched in), with or without an
    // original, and what another program may have done meanwhile: a file at
    // a destination left empty, a file where a folder is needed, a
    // destination held open.
    std::vector<bool> hadOriginal(paths.size());
    std::vector<std::string> asBefore(paths.size(), "<missing>");  // each destination before the update
    for (size_t i = 0; i < paths.size(); ++i) {
        uint8_t state = in.Next();
        int phase = state & 3;
        if (!switching && phase > 1)
            phase = 1;
        if (switching && phase == 0)
            phase = 1;
        std::string destination = kRoot + "\\" + paths[i];
        std::string parent = CMemoryUpdateFiles::Parent(CMemoryUpdateFiles::Key(destination));
        std::string number = std::to_string(i);
        hadOriginal[i] = (state & 4) != 0 && files.GetKind(parent) != CUpdateFiles::kFile && !files.Has(destination);
        if (phase == 1 || phase == 2)
            files.AddFile(kStaging + "\\" + number + ".new", "staged " + number);
        if (hadOriginal[i]) {
            asBefore[i] = "original " + number;
            if (phase == 1)
                files.AddFile(destination, "original " + number);
            else
                files.AddFile(kStaging + "\\" + number + ".old", "original " + number);
        }
        if (phase == 3)
            files.AddFile(destination, "staged " + number);
        if (state & 8 && !files.Has(destination) && files.GetKind(parent) != CUpdateFiles::kFile)
            files.AddFile(destination, "foreign " + number);
        if (state & 16 && !files.Has(parent))
            files.AddFile(parent, "in the way");
        if (state & 32)
            files.held.insert(CMemoryUpdateFiles::Key(destination));
    }

    // As before, a slot without an original has what its destination held
    // (another slot's file in the way, say), unless that is its staged file.
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string now = files.Bytes(kRoot + "\\" + paths[i]);
        if (!hadOriginal[i])
            asBefore[i] = now == "staged " + std::to_string(i) ? "<missing>" : now;
    }
    std::map<std::string, std::string> before = files.Tree();
    CUpdateStaging staging;
    CUpdateStaging::LoadResult result = staging.Load(kRoot, kFolderName, files);
    bool settled = staging.Settle(files, (data[0] & 4) != 0);
    std::map<std::string, std::string> after = files.Tree();
    if (result != CUpdateStaging::kLoaded) {
        Check(before == after && settled);
        return 0;
    }

    // Nothing outside the game folder, nor a file no slot names, changes.
    std::map<std::string, size_t> slotOf;
    for (size_t i = 0; i < paths.size(); ++i)
        slotOf[CMemoryUpdateFiles::Key(kRoot + "\\" + paths[i])] = i;
    Check(files.Bytes("C:\\outside.txt") == "outside");
    if (!slotOf.count(CMemoryUpdateFiles::Key(kRoot + "\\other.txt")))
        Check(files.Bytes(kRoot + "\\other.txt") == "other");
    // No original is lost: it is at its destination, or in the staging
    // folder, or replaced by its slot's staged file. Once settled, the
    // folder is as before or as after, and the staging folder is gone.
    size_t switched = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string number = std::to_string(i);
        std::string now = files.Bytes(kRoot + "\\" + paths[i]);
        switched += now == "staged " + number;
        if (hadOriginal[i])
            Check(now == "original " + number || now == "staged " + number ||
                  (!settled && files.Bytes(kStaging + "\\" + number + ".old") == "original " + number));
    }
    if (settled) {
        // What another program put at a destination during a switch that
        // was then taken back stays in the staging folder ("N.old1" on).
        std::vector<std::string> left;
        if (files.ListFolder(kStaging, left))
            for (const std::string& name : left) {
                size_t at = name.find(".old");
                Check(at != std::string::npos && at + 4 < name.size() && name[at + 4] >= '1' && name[at + 4] <= '9');
            }
        Check(switched == 0 || switched == paths.size());
        for (size_t i = 0; switched == 0 && i < paths.size(); ++i)
            Check(files.Bytes(kRoot + "\\" + paths[i]) == asBefore[i]);
    }
    return 0;
}
