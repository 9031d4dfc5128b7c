// The game's scene script and its text layout with any input: a parsed
// script's pages are wrapped at a width taken from the first byte.
#include "SceneScript.h"
#include "TextWrap.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int width = data[0] * 4;
    CSceneScript script;
    if (!script.Parse(data + 1, uint32_t(size - 1)))
        return 0;
    size_t rows = 0;
    for (const Scene& scene : script.GetScenes())
        for (const ScenePage& page : scene.pages)
            rows += WrapText(page.text, width, [](const char*, size_t count) { return int(count) * 9; }).size();
    if (rows == 0 || script.GetTransitions().empty())
        std::abort();  // a parsed script has a scene with a page
    return 0;
}
