#pragma once
#include "filesystem/PackFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// An index prepared for repeated lookups: lowered names hashed to their first
// entry. Finds exactly what PackFindMember finds on the same bytes.
class CPackIndex {
public:
    void Build(const uint8_t* index, uint32_t length);
    bool Find(const std::string& key, const std::string& altKey, PackEntry& found) const;
    size_t GetCount() const { return m_entries.size(); }

private:
    std::vector<PackEntry> m_entries;  // up to any damage, in index order
    std::unordered_map<std::string, size_t> m_first;  // lowered name -> entry
};
