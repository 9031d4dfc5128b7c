#include "TextWrap.h"

#include <cstring>

namespace {

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Marks that never begin a row: the ideographic comma and full stop, the
// closing brackets, "！", "？", "ー" and the small "っ"/"ッ"; single-byte
// punctuation of the same kind.
bool IsClosingMark(const char* c, size_t count)
{
    static const char* const kDouble[] = {
        "\x81\x41", "\x81\x42", "\x81\x43", "\x81\x44", "\x81\x45", "\x81\x49", "\x81\x48", "\x81\x5B",
        "\x81\x76", "\x81\x78", "\x81\x6A", "\x81\x6E", "\x81\x70", "\x81\x72", "\x81\x74", "\x81\x5C",
        "\x82\xC1", "\x83\x62", "\x81\x63",
    };
    if (count == 1)
        return std::strchr(",.!?)]}", c[0]) != nullptr && c[0] != '\0';
    for (const char* d : kDouble)
        if (c[0] == d[0] && c[1] == d[1])
            return true;
    return false;
}

}  // namespace

std::vector<std::string> WrapText(const std::string& text, int maxWidth, const CharWidth& widthOf)
{
    std::vector<std::string> rows;
    std::string row;
    int width = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t count = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            rows.push_back(row);
            row.clear();
            width = 0;
            i += 2;
            continue;
        }
        const int w = widthOf(text.data() + i, count);
        if (!row.empty() && width + w > maxWidth && !IsClosingMark(text.data() + i, count)) {
            rows.push_back(row);
            row.clear();
            width = 0;
        }
        row.append(text, i, count);
        width += w;
        i += count;
    }
    if (!row.empty() || rows.empty())
        rows.push_back(row);
    return rows;
}
