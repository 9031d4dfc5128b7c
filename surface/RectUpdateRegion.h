#pragma once
// The parts of a surface drawn into since the last repaint: up to five
// rectangles, merged as they touch, collapsed into one when there would be
// more, or into the whole surface once they cover its bounds.
#include "surface/PixelOps.h"

#include <cstdint>

class CRectUpdateRegion {
public:
    enum { kMaxEntries = 5 };

    CRectUpdateRegion();
    virtual ~CRectUpdateRegion() {}

    // Clears every entry and the whole-surface flag; pending bounds take effect.
    virtual void Reset();
    virtual void AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    virtual void AddRect(const PixelRect& rect) { AddRect(rect.left, rect.top, rect.right, rect.bottom); }
    virtual void AddRectSize(int32_t x, int32_t y, int32_t width, int32_t height);
    virtual int GetCount() const { return m_count; }
    // Entry index; an empty rectangle for an index out of range.
    virtual PixelRect GetRect(int index) const;
    // New bounds, in force from the next Reset.
    virtual void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);
    virtual PixelRect GetBounds() const { return m_bounds; }
    virtual bool HasBounds() const { return m_hasBounds != 0; }

    bool IsWholeDirty() const { return m_wholeDirty != 0; }

private:
    struct Entry {
        PixelRect rect;
        int64_t area;
        uint8_t merged;
    };

    void SetWhole();
    void MergeTouching();
    void CheckCoverage();

    Entry m_entries[kMaxEntries];
    int m_count;
    uint8_t m_wholeDirty;
    uint8_t m_hasBounds;
    PixelRect m_bounds;
    int64_t m_boundsArea;
    uint8_t m_pending;
    PixelRect m_pendingBounds;
};
