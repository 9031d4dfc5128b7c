#include "setup/UninstallRecord.h"

namespace {

const char kAppName[] = "#AppName";
const char kFiles[] = "#UninstallFile";
const char kFolders[] = "#UninstallDirectory";
const char kEnd[] = "##";

// The line up to its first comma. No Shift-JIS care is needed: a comma is
// never the second byte of a double-byte character.
std::string FirstField(const std::string& line)
{
    return line.substr(0, line.find(','));
}

// Lines up to the next "##", which must come: each path line before it is
// taken when another line follows it. False when the text ends first.
bool ReadSection(const std::vector<std::string>& lines, size_t& at, std::vector<std::string>& paths)
{
    for (; at < lines.size(); ++at) {
        if (FirstField(lines[at]) == kEnd) {
            ++at;
            return true;
        }
        if (at + 1 < lines.size())
            paths.push_back(lines[at]);
    }
    return false;
}

// A marker line that has a line after it.
bool ReadMarker(const std::vector<std::string>& lines, size_t& at, const char* marker)
{
    if (at + 1 >= lines.size() || FirstField(lines[at]) != marker)
        return false;
    ++at;
    return true;
}

}  // namespace

std::vector<std::string> FormatUninstallRecord(const std::string& product,
                                               const std::vector<std::string>& files,
                                               const std::vector<std::string>& folders)
{
    std::vector<std::string> out;
    out.reserve(files.size() + folders.size() + 5);
    out.push_back(std::string(kAppName) + "," + product + "\r\n");
    out.push_back(std::string(kFiles) + "\r\n");
    for (const std::string& file : files)
        out.push_back(file + "\r\n");
    out.push_back(std::string(kEnd) + "\r\n");
    out.push_back(std::string(kFolders) + "\r\n");
    for (const std::string& folder : folders)
        out.push_back(folder + "\r\n");
    out.push_back(std::string(kEnd) + "\r\n");
    return out;
}

std::vector<CUninstallRecord> ParseUninstallRecords(const std::vector<std::string>& lines)
{
    std::vector<CUninstallRecord> records;
    size_t at = 0;
    while (at < lines.size() && FirstField(lines[at]) == kAppName) {
        const std::string& head = lines[at++];
        records.emplace_back();
        CUninstallRecord& record = records.back();
        size_t comma = head.find(',');
        record.product = comma == std::string::npos ? std::string() : head.substr(comma + 1);
        if (!ReadMarker(lines, at, kFiles) || !ReadSection(lines, at, record.files) ||
            !ReadMarker(lines, at, kFolders) || !ReadSection(lines, at, record.folders))
            return records;
        record.complete = true;
    }
    return records;
}
