#pragma once
// The game's scene script: a text table of "scene" entries, each followed by
// the pages of text shown over its picture.
//
//   // comment
//   scene, NAME, PICTURE, TRANSITION[, MILLISECONDS]
//   text, SPEAKER, TEXT
//
// PICTURE is below the game's "data" folder ("bg\moor.bmp"); TRANSITION is
// how the scene replaces the one before (FindTransition); SPEAKER may be
// empty; "\n" in TEXT breaks the line. Shift-JIS throughout.
#include <cstdint>
#include <string>
#include <vector>

// One way of changing from one picture to the next.
struct SceneTransition {
    enum Family { kCut, kExtended, kTwoPicture };
    Family family = kCut;
    int op = 0;        // BltTransitionEx or BltTransition operation
    std::string name;  // as the script spelled it

    bool operator==(const SceneTransition& other) const { return family == other.family && op == other.op; }
};

// The transition of a script name: "cut", a named one ("crossfade",
// "blinds", "mosaic", ...), "exN" (extended -1 or 1..36) or "tpN"
// (two-picture 1 or 33..36). False for any other name.
bool FindTransition(const std::string& name, SceneTransition& transition);

struct ScenePage {
    std::string speaker;  // empty for narration
    std::string text;
};

struct Scene {
    std::string name;
    std::string picture;
    SceneTransition transition;
    uint32_t duration = 1000;  // milliseconds of the transition
    std::vector<ScenePage> pages;
    int line = 0;  // the script line of its "scene" entry
};

class CSceneScript {
public:
    // Reads the whole script. False on bad input, with a message for the
    // player that names the line (GetError); the scenes are then empty.
    bool Parse(const void* text, uint32_t size);

    const std::vector<Scene>& GetScenes() const { return m_Scenes; }
    const std::string& GetError() const { return m_Error; }
    // Every transition the script uses, once, in order of first use.
    std::vector<SceneTransition> GetTransitions() const;

    // Longest accepted transition time.
    static const uint32_t kMaxDuration = 60000;

private:
    bool ParseLine(int line, const std::string* fields, int count);
    bool Fail(int line, const std::string& message);

    std::vector<Scene> m_Scenes;
    std::string m_Error;
};

// The version of a "version.txt" ("version=1.06" gives "1.06"); empty when
// the text has no such line.
std::string ParseVersionText(const void* text, uint32_t size);
