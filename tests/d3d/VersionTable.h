#pragma once
// The test's own table of Windows versions and the report's text for each,
// written from the list of version classes, not from the code under test.
#include <cstdint>
#include <string>

struct VersionRow {
    uint32_t platform, major, minor;
    const char* csd;
    uint32_t servicePack;
    int expectedClass;
    const char* expectedText;
};

extern const VersionRow kVersionRows[];
extern const size_t kVersionRowCount;

// The class and text the table's rules give for any version (a row of the
// table when one matches the platform, version and CSD mark exactly, else
// the rule of its range).
int ExpectedVersionClass(uint32_t platform, uint32_t major, uint32_t minor, const std::string& csd);
std::string ExpectedVersionText(uint32_t platform, uint32_t major, uint32_t minor, const std::string& csd,
                                uint32_t servicePack);
