#pragma once
// The two pictures of the transition player, the list of operations it
// plays and the drawing of one frame: picture A (a bitmap file, or a drawn
// moor when there is none), picture B (a drawn sunrise) and a rule image for
// extended transition 2, in one pixel format.
#include "surface/AutoSurface.h"

#include <string>
#include <vector>

class CTransitionScene {
public:
    // One operation of one family.
    struct Step {
        bool extended;
        int op;
    };
    // Two-picture 1 and 33 to 36, then extended -1 and 1 to 36.
    static const std::vector<Step>& GetSteps();
    // "two-picture 34: scatter crossfade" or "extended 23: grow from the centre".
    static std::string Describe(const Step& step);

    // Makes both pictures at width x height in the format; A from the file
    // when it loads. False when a surface cannot be made.
    bool Create(int width, int height, int format, const std::string& pictureFile);
    int GetFormat() const { return m_Format; }

    // The state of a step at a progress (0..1024) over the whole frame.
    void Draw(CSurface& frame, const Step& step, int progress);

private:
    bool MakeFirst(int width, int height, const std::string& pictureFile);
    bool MakeSecond(int width, int height);
    bool MakeRule(int width, int height);

    CAutoSurface m_First, m_Second;
    int m_Format = 0;
};
