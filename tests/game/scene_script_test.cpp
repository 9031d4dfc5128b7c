// The game's scene script reader and its text layout, natively.
#include "SceneScript.h"
#include "TextWrap.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Parse(CSceneScript& script, const std::string& text)
{
    return script.Parse(text.data(), uint32_t(text.size()));
}

TEST(SceneScript, ScenesPagesAndTransitions)
{
    CSceneScript script;
    ASSERT_TRUE(Parse(script,
                      "// 試し\r\n"
                      "scene, moor, bg\\moor.bmp, crossfade, 800\r\n"
                      "text, , 朝霧の荒野。\r\n"
                      "\r\n"
                      "text,ミラ,表示、ソフト, a,b\r\n"
                      "scene, port, bg\\ソ.bmp, ex23\n"
                      "text, , 港。  // 注\n"
                      "scene, end, bg\\moor.bmp, crossfade\n"
                      "text, , 終"))  // no final line break
        << script.GetError();
    const std::vector<Scene>& scenes = script.GetScenes();
    ASSERT_EQ(3u, scenes.size());
    EXPECT_EQ("moor", scenes[0].name);
    EXPECT_EQ("bg\\moor.bmp", scenes[0].picture);
    EXPECT_EQ(SceneTransition::kExtended, scenes[0].transition.family);
    EXPECT_EQ(1, scenes[0].transition.op);
    EXPECT_EQ(800u, scenes[0].duration);
    EXPECT_EQ(2, scenes[0].line);
    ASSERT_EQ(2u, scenes[0].pages.size());
    EXPECT_EQ("", scenes[0].pages[0].speaker);
    EXPECT_EQ("ミラ", scenes[0].pages[1].speaker);
    // Commas split fields; the text gets them back. "表" and "ソ" end in 0x5C.
    EXPECT_EQ("表示、ソフト,a,b", scenes[0].pages[1].text);
    EXPECT_EQ("bg\\ソ.bmp", scenes[1].picture);
    EXPECT_EQ(23, scenes[1].transition.op);
    EXPECT_EQ(1000u, scenes[1].duration) << "the default time";
    EXPECT_EQ("港。", scenes[1].pages[0].text) << "a remark is cut off";
    EXPECT_EQ("終", scenes[2].pages[0].text);
    ASSERT_EQ(2u, script.GetTransitions().size()) << "each transition once";
    EXPECT_EQ(23, script.GetTransitions()[1].op);
}

TEST(SceneScript, BadScriptsNameTheLine)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"", "シナリオに場面がひとつもありません。"},
        {"// only a remark\n", "シナリオに場面がひとつもありません。"},
        {"text, , 先\n", "1行目: 最初の場面より前に文章があります。"},
        {"scene, a, x.bmp, cut\nscene, b, y.bmp, cut\ntext, , t\n", "1行目: 場面「a」に文章がありません。"},
        {"scene, a, x.bmp, cut\n", "1行目: 場面「a」に文章がありません。"},
        {"\nscene, a, x.bmp, sparkle\n", "2行目: 切り替え「sparkle」はありません。"},
        {"scene, a, x.bmp\n", "1行目: 場面の行は scene, 名前, 画像, 切り替え[, 時間] です。"},
        {"scene, a, , cut\n", "1行目: 場面の行は scene, 名前, 画像, 切り替え[, 時間] です。"},
        {"scene, a, x.bmp, cut, 60001\n", "1行目: 時間「60001」は 0 から 60000 までの数ではありません。"},
        {"scene, a, x.bmp, cut, -5\n", "1行目: 時間「-5」は 0 から 60000 までの数ではありません。"},
        {"scene, a, x.bmp, cut\ntext, ミラ\n", "2行目: 文章の行は text, 話し手, 本文 です。"},
        {"scene, a, x.bmp, cut\nshow, x\n", "2行目: 「show」は分からない行です。"},
    };
    for (const auto& c : cases) {
        CSceneScript script;
        EXPECT_FALSE(Parse(script, c.text)) << c.text;
        EXPECT_EQ(c.error, script.GetError()) << c.text;
        EXPECT_TRUE(script.GetScenes().empty()) << c.text;
    }
    CSceneScript script;
    EXPECT_FALSE(script.Parse(nullptr, 4));
    EXPECT_TRUE(Parse(script, "scene, a, x.bmp, cut, 60000\ntext, , t\n")) << "the longest time";
}

TEST(SceneScript, TransitionNames)
{
    const struct {
        const char* name;
        bool known;
        SceneTransition::Family family;
        int op;
    } cases[] = {
        {"cut", true, SceneTransition::kCut, 0},       {"fade", true, SceneTransition::kTwoPicture, 1},
        {"blinds", true, SceneTransition::kExtended, 10}, {"ex-1", true, SceneTransition::kExtended, -1},
        {"ex1", true, SceneTransition::kExtended, 1},   {"ex36", true, SceneTransition::kExtended, 36},
        {"tp33", true, SceneTransition::kTwoPicture, 33}, {"ex0", false, {}, 0},
        {"ex37", false, {}, 0},                         {"ex-2", false, {}, 0},
        {"tp2", false, {}, 0},                          {"tp37", false, {}, 0},
        {"ex", false, {}, 0},                           {"ex1x", false, {}, 0},
        {"Cut", false, {}, 0},                          {"", false, {}, 0},
    };
    for (const auto& c : cases) {
        SceneTransition t;
        ASSERT_EQ(c.known, FindTransition(c.name, t)) << c.name;
        if (c.known) {
            EXPECT_EQ(c.family, t.family) << c.name;
            EXPECT_EQ(c.op, t.op) << c.name;
            EXPECT_EQ(c.name, t.name);
        }
    }
}

TEST(SceneScript, Version)
{
    const std::string text = "// 版\r\nname=Quillmoor\r\nversion= 1.06 \r\n";
    EXPECT_EQ("1.06", ParseVersionText(text.data(), uint32_t(text.size())));
    EXPECT_EQ("", ParseVersionText("version", 7));
    EXPECT_EQ("", ParseVersionText(nullptr, 0));
}

// Every character is 10 wide, a double-byte one 20.
int Width(const char*, size_t count)
{
    return int(count) * 10;
}

TEST(TextWrap, BreaksBetweenCharactersAndKeepsClosingMarks)
{
    // Four double-byte characters fit in 80.
    EXPECT_EQ((std::vector<std::string>{"あいうえ", "お"}), WrapText("あいうえお", 80, Width));
    // "。" would begin the second row: it stays on the first.
    EXPECT_EQ((std::vector<std::string>{"あいうえ。", "か"}), WrapText("あいうえ。か", 80, Width));
    // "ソ" (0x83 0x5C) is never split, and its 0x5C is no "\".
    EXPECT_EQ((std::vector<std::string>{"ソソソ", "ソ"}), WrapText("ソソソソ", 60, Width));
    EXPECT_EQ((std::vector<std::string>{"ab", "cd"}), WrapText("ab\\ncd", 200, Width));
    EXPECT_EQ((std::vector<std::string>{"表n"}), WrapText("表n", 200, Width)) << "0x5C 'n' inside 表n";
    EXPECT_EQ((std::vector<std::string>{"あ", "い"}), WrapText("あい", 5, Width)) << "wider than the box";
    EXPECT_EQ((std::vector<std::string>{""}), WrapText("", 100, Width));
    // A lead byte at the very end stands alone.
    EXPECT_EQ((std::vector<std::string>{"a\x82"}), WrapText("a\x82", 100, Width));
}

}  // namespace
