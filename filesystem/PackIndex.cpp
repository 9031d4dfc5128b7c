#include "filesystem/PackIndex.h"

#include "setup/SjisString.h"

void CPackIndex::Build(const uint8_t* index, uint32_t length)
{
    PackParseIndex(index, length, m_entries);
    m_first.clear();
    m_first.reserve(m_entries.size());
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_first.emplace(ToLowerAscii(m_entries[i].name), i);  // keeps the first
}

bool CPackIndex::Find(const std::string& key, const std::string& altKey, PackEntry& found) const
{
    auto a = m_first.find(key), b = m_first.find(altKey);
    size_t i = m_entries.size();
    if (a != m_first.end())
        i = a->second;
    if (b != m_first.end() && b->second < i)
        i = b->second;
    if (i == m_entries.size())
        return false;
    found = m_entries[i];
    return true;
}
