#pragma once
// The uninstall record: what an installation put on the disk, as text lines
// ended by CR LF, one record after another:
//   "#AppName," product / "#UninstallFile" / file lines / "##" /
//   "#UninstallDirectory" / folder lines / "##"
// A path line is absolute, or relative to the product's folder. Pure: the
// writer and the reader (Uninstall) do the file and system work.
#include <string>
#include <vector>

// The lines of one record, each with its "\r\n".
std::vector<std::string> FormatUninstallRecord(const std::string& product,
                                               const std::vector<std::string>& files,
                                               const std::vector<std::string>& folders);

// One record as far as it is acted on: the files to delete and the folders
// to remove. An incomplete record ends in a format error; it holds only the
// paths before the error (a last line that is not "##" is never one).
struct CUninstallRecord {
    std::string product;
    std::vector<std::string> files;
    std::vector<std::string> folders;
    bool complete = false;
};

// The records of a text whose non-empty lines are given whole (comments cut,
// no field splitting). Markers are compared in full with the line's first
// comma field; a record starts at a line whose first field is "#AppName" and
// its product is everything after the first comma. Reading stops at the first
// line that starts no record, or after an incomplete record.
std::vector<CUninstallRecord> ParseUninstallRecords(const std::vector<std::string>& lines);
