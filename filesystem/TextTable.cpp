#include "filesystem/TextTable.h"

#include "setup/SjisString.h"

#include <cstring>
#include <new>

namespace {
bool IsBlank(uint8_t c) { return c == ' ' || c == '\t'; }
}

void CTextTable::Release()
{
    delete[] m_buffer;
    m_buffer = nullptr;
    m_read = nullptr;
    m_size = 0;
    m_linesRead = 0;
}

bool CTextTable::LoadBuffer(const void* text, uint32_t size)
{
    Release();
    if (size == 0xFFFFFFFFu)
        return false;
    m_buffer = new (std::nothrow) uint8_t[size_t(size) + 1];
    if (m_buffer == nullptr)
        return false;
    if (size)
        std::memcpy(m_buffer, text, size);
    m_buffer[size] = 0x0A;
    m_size = size;
    m_read = m_buffer;
    return true;
}

bool CTextTable::IsAtEnd() const
{
    return m_buffer == nullptr || m_read > m_buffer + m_size;
}

// One raw line from the read pointer; false when the buffer ends with
// nothing collected, or on a lead byte that is the buffer's last byte.
bool CTextTable::CollectLine(std::string& line)
{
    line.clear();
    const uint8_t* end = m_buffer + m_size + 1;
    while (m_read < end) {
        uint8_t c = *m_read;
        if (IsSjisLeadByte(c)) {
            if (m_read + 1 >= end) {
                m_read = end;
                return false;
            }
            line += char(c);
            line += char(m_read[1]);
            m_read += 2;
            continue;
        }
        ++m_read;
        if (c == 0x0A)
            return true;
        if (c != 0x0D)
            line += char(c);
    }
    // Past the extra byte: nothing more to read.
    m_read = m_buffer + m_size + 1;
    return !line.empty();
}

void CTextTable::CleanLine(std::string& line) const
{
    std::string out;
    out.reserve(line.size());
    bool lastSingle = false;  // the last kept byte is a one-byte character
    for (size_t i = 0; i < line.size(); ++i) {
        uint8_t c = uint8_t(line[i]);
        if (IsSjisLeadByte(c) && i + 1 < line.size()) {
            out += line[i];
            out += line[++i];
            lastSingle = false;
            continue;
        }
        if (c == '/' && i + 1 < line.size() && line[i + 1] == '/')
            break;
        if (lastSingle) {
            uint8_t last = uint8_t(out.back());
            if (m_collapseBlanks && IsBlank(c) && IsBlank(last))
                continue;
            if (m_collapseCommas && c == ',' && last == ',')
                continue;
        }
        out += char(c);
        lastSingle = true;
    }
    line.swap(out);
}

bool CTextTable::ReadLine(int fieldCount, std::string* fields)
{
    for (int i = 0; i < fieldCount; ++i)
        fields[i].clear();
    if (IsAtEnd())
        return false;
    std::string line;
    for (;;) {
        if (IsAtEnd() || !CollectLine(line))
            return false;
        CleanLine(line);
        if (!line.empty())
            break;
    }
    size_t i = (m_collapseBlanks && line[0] == ' ') ? 1 : 0;
    int field = 0;
    if (fieldCount > 0) {
        for (; i < line.size(); ++i) {
            uint8_t c = uint8_t(line[i]);
            if (IsSjisLeadByte(c) && i + 1 < line.size()) {
                fields[field] += line[i];
                fields[field] += line[++i];
                continue;
            }
            bool separator = (c == ',' && m_splitCommas) ||
                             (IsBlank(c) && m_splitBlanks && m_splitCommas);
            if (!separator) {
                fields[field] += char(c);
                continue;
            }
            if (++field >= fieldCount)
                break;
        }
    }
    ++m_linesRead;
    return true;
}

bool CTextTable::SkipLines(int n)
{
    if (m_buffer == nullptr)
        return false;
    m_read = m_buffer;
    m_linesRead = 0;
    for (int i = 0; i < n; ++i)
        if (!ReadLine(0, nullptr))
            return false;
    return m_linesRead == n;
}

#ifndef _WIN32
// Natively there is no CFile; LoadBuffer takes the text.
bool CTextTable::LoadFile(const std::string&) { return false; }
#endif
