#pragma once
#include <cstdint>
#include <string>

// A small text file held whole in memory and handed out line by line, each
// line split into fields at commas and (optionally) blanks; "//" comments.
class CTextTable {
public:
    CTextTable() {}
    virtual ~CTextTable() { Release(); }

    void SetSplitBlanks(bool on) { m_splitBlanks = on; }
    void SetSplitCommas(bool on) { m_splitCommas = on; }
    void SetCollapseBlanks(bool on) { m_collapseBlanks = on; }
    void SetCollapseCommas(bool on) { m_collapseCommas = on; }

    // Reads the whole file through CFile (Windows build).
    bool LoadFile(const std::string& path);
    // Takes a copy of the text.
    bool LoadBuffer(const void* text, uint32_t size);
    bool IsAtEnd() const;
    bool ReadLine(int fieldCount, std::string* fields);
    bool SkipLines(int n);
    void Release();

private:
    bool CollectLine(std::string& line);
    void CleanLine(std::string& line) const;

    uint8_t* m_buffer = nullptr;
    const uint8_t* m_read = nullptr;
    uint32_t m_size = 0;
    int m_linesRead = 0;
    bool m_splitBlanks = true;
    bool m_splitCommas = true;
    bool m_collapseBlanks = true;
    bool m_collapseCommas = false;

    CTextTable(const CTextTable&) = delete;
    CTextTable& operator=(const CTextTable&) = delete;
};
