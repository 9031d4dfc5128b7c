#include "SceneScript.h"

#include "filesystem/TextTable.h"
#include "surface/Transitions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct NamedTransition {
    const char* name;
    SceneTransition::Family family;
    int op;
};

const NamedTransition kNamed[] = {
    {"cut", SceneTransition::kCut, 0},
    {"fade", SceneTransition::kTwoPicture, kTransCrossfade},
    {"crossfade", SceneTransition::kExtended, kExCrossfade},
    {"slats", SceneTransition::kExtended, kExSlats},
    {"wipe", SceneTransition::kExtended, kExStripsFromTop},
    {"wipe-up", SceneTransition::kExtended, kExStripsFromBottom},
    {"wipe-right", SceneTransition::kExtended, kExStripsFromLeft},
    {"wipe-left", SceneTransition::kExtended, kExStripsFromRight},
    {"blinds-across", SceneTransition::kExtended, kExFadingSlats},
    {"blinds", SceneTransition::kExtended, kExBlinds2},
    {"ordered", SceneTransition::kExtended, kExOrderedDissolve},
    {"dissolve", SceneTransition::kExtended, kExRandomBlocks},
    {"mosaic", SceneTransition::kExtended, kExMosaicCrossfade},
    {"grow", SceneTransition::kExtended, kExGrow},
    {"shrink", SceneTransition::kExtended, kExShrink},
    {"zoom-in", SceneTransition::kExtended, kExZoomIn},
    {"zoom-out", SceneTransition::kExtended, kExZoomOut},
    {"scatter", SceneTransition::kExtended, kExAlphaScatterCrossfade},
};

const int kMaxFields = 16;

// Without the blanks and tabs at either end (neither byte is ever the second
// byte of a double-byte character).
std::string Trim(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && (s[begin] == ' ' || s[begin] == '\t'))
        ++begin;
    while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t'))
        --end;
    return s.substr(begin, end - begin);
}

// A whole decimal number within [low, high].
bool ParseNumber(const std::string& text, long low, long high, long& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

std::string Format(const char* format, int line, const std::string& text = std::string())
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, line, text.c_str());
    return buffer;
}

// Runs fn(line number, start, length) for every physical line of the text
// (a line ends at LF, which is never part of a double-byte character).
template <class Fn>
bool ForEachLine(const char* text, uint32_t size, Fn fn)
{
    int line = 0;
    uint32_t start = 0;
    while (start < size) {
        const void* lf = std::memchr(text + start, '\n', size - start);
        const uint32_t end = lf ? uint32_t(static_cast<const char*>(lf) - text) : size;
        if (!fn(++line, text + start, end - start))
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool FindTransition(const std::string& name, SceneTransition& transition)
{
    for (const NamedTransition& n : kNamed)
        if (name == n.name) {
            transition.family = n.family;
            transition.op = n.op;
            transition.name = name;
            return true;
        }
    const bool extended = name.compare(0, 2, "ex") == 0;
    if (!extended && name.compare(0, 2, "tp") != 0)
        return false;
    std::string digits = name.substr(2);
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative)
        digits.erase(0, 1);
    long op = 0;
    if (!ParseNumber(digits, 0, 99, op))
        return false;
    if (negative)
        op = -op;
    if (!(extended ? IsExTransition(int(op)) : IsTransition(int(op))))
        return false;
    transition.family = extended ? SceneTransition::kExtended : SceneTransition::kTwoPicture;
    transition.op = int(op);
    transition.name = name;
    return true;
}

bool CSceneScript::Fail(int line, const std::string& message)
{
    m_Error = line > 0 ? Format("%d行目: %s", line, message) : message;
    m_Scenes.clear();
    return false;
}

bool CSceneScript::Parse(const void* text, uint32_t size)
{
    m_Scenes.clear();
    m_Error.clear();
    if (text == nullptr && size != 0)
        return Fail(0, "シナリオがありません。");
    // Line by line through the text table reader, so that an error can name
    // the line it is on.
    const bool read = ForEachLine(static_cast<const char*>(text), size, [this](int line, const char* start,
                                                                               uint32_t length) {
        CTextTable table;
        table.SetSplitBlanks(false);
        table.SetCollapseBlanks(false);
        if (length == 0 || !table.LoadBuffer(start, length))
            return true;
        std::string fields[kMaxFields];
        if (!table.ReadLine(kMaxFields, fields))
            return true;  // empty or a comment
        for (std::string& field : fields)
            field = Trim(field);
        int count = kMaxFields;
        while (count > 0 && fields[count - 1].empty())
            --count;
        return count == 0 || ParseLine(line, fields, count);
    });
    if (!read)
        return false;
    if (m_Scenes.empty())
        return Fail(0, "シナリオに場面がひとつもありません。");
    const Scene& last = m_Scenes.back();
    if (last.pages.empty())
        return Fail(last.line, "場面「" + last.name + "」に文章がありません。");
    return true;
}

bool CSceneScript::ParseLine(int line, const std::string* fields, int count)
{
    const std::string& kind = fields[0];
    if (kind == "scene") {
        if (!m_Scenes.empty() && m_Scenes.back().pages.empty())
            return Fail(m_Scenes.back().line, "場面「" + m_Scenes.back().name + "」に文章がありません。");
        if (count < 4 || count > 5 || fields[1].empty() || fields[2].empty() || fields[3].empty())
            return Fail(line, "場面の行は scene, 名前, 画像, 切り替え[, 時間] です。");
        Scene scene;
        scene.name = fields[1];
        scene.picture = fields[2];
        scene.line = line;
        if (!FindTransition(fields[3], scene.transition))
            return Fail(line, "切り替え「" + fields[3] + "」はありません。");
        if (count == 5) {
            long ms = 0;
            if (!ParseNumber(fields[4], 0, long(kMaxDuration), ms))
                return Fail(line, "時間「" + fields[4] + "」は 0 から 60000 までの数ではありません。");
            scene.duration = uint32_t(ms);
        }
        m_Scenes.push_back(scene);
        return true;
    }
    if (kind == "text") {
        if (m_Scenes.empty())
            return Fail(line, "最初の場面より前に文章があります。");
        if (count < 3)
            return Fail(line, "文章の行は text, 話し手, 本文 です。");
        ScenePage page;
        page.speaker = fields[1];
        // Commas inside the text split it into fields; put them back.
        page.text = fields[2];
        for (int i = 3; i < count; ++i)
            page.text += "," + fields[i];
        if (page.text.empty())
            return Fail(line, "文章が空です。");
        m_Scenes.back().pages.push_back(page);
        return true;
    }
    return Fail(line, "「" + kind + "」は分からない行です。");
}

std::vector<SceneTransition> CSceneScript::GetTransitions() const
{
    std::vector<SceneTransition> used;
    for (const Scene& scene : m_Scenes) {
        bool seen = false;
        for (const SceneTransition& t : used)
            seen = seen || t == scene.transition;
        if (!seen)
            used.push_back(scene.transition);
    }
    return used;
}

std::string ParseVersionText(const void* text, uint32_t size)
{
    CTextTable table;
    table.SetSplitBlanks(false);
    if (text == nullptr || !table.LoadBuffer(text, size))
        return std::string();
    std::string field;
    while (table.ReadLine(1, &field)) {
        field = Trim(field);
        if (field.compare(0, 8, "version=") == 0)
            return Trim(field.substr(8));
    }
    return std::string();
}
