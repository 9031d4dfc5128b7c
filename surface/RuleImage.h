#pragma once
// The process-wide grey picture of the rule-mask wipes (same-size op 4 and
// the rule transition): one byte per pixel, and the softness of the wipe's
// edge.
#include "framework/CriticalSection.h"
#include "surface/RuleMask.h"

#include <windows.h>

#include <string>

class CSurface;
template <class T>
class CServiceObject;

class CRuleImage {
public:
    // Made on first use; never destroyed.
    static CRuleImage& GetInstance();

    // 0..255; below 0 gives 0, 256 and above 255. 255 at first.
    void SetSoftness(int softness);
    int GetSoftness();
    SIZE GetSize();
    bool IsLoaded();
    // The grey bytes of a surface (blue, from the first byte of each pixel of
    // 24 and 32, the low byte shifted left by 3 of 15 and 16), repeated
    // across and down to width x height; a width or height of 0 takes the
    // surface's. False, and no image, for an empty surface or a size the
    // memory cannot hold.
    bool SetFromSurface(CSurface* surface, int width, int height);
    // Loads a picture into a temporary format-24 surface, then as above.
    bool LoadRuleImage(const std::string& path, int width, int height);
    void Release();

    // The image as the blits read it, while the caller holds GetLock().
    CCriticalSection& GetLock() { return m_Lock; }
    RuleMask GetMask();

private:
    friend class CServiceObject<CRuleImage>;
    CRuleImage();

    CCriticalSection m_Lock;
    BYTE* m_Bits;
    int m_Width;
    int m_Height;
    int m_Pitch;
    int m_Softness;

    CRuleImage(const CRuleImage&) = delete;
    CRuleImage& operator=(const CRuleImage&) = delete;
};
