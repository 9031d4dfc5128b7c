#pragma once
// A surface handle that remembers where it was drawn into since the window
// last repainted it.
#include "surface/AutoSurface.h"
#include "surface/RectUpdateRegion.h"

class CTrackedSurface : public CAutoSurface {
public:
    // Both set the region's bounds to the new surface, from its next Reset.
    bool Create(int width, int height, int format, bool useDib) override;
    bool Load(const std::string& fileName, int format, bool useDib) override;

    void OnStretchBlt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, int param1, int param2,
                      const RECT& touched) override;
    void OnBlt(int op, CSurface* source, const POINT& dst, const RECT& srcRect, int param1, int param2,
               const RECT& touched) override;
    void OnBlt2(int op, CSurface* first, CSurface* second, const POINT& dst, const RECT& firstRect,
                const RECT& secondRect, const RECT& clip, int progress, const RECT& touched) override;
    void OnTransition(int op, CSurface* first, CSurface* second, const POINT& firstDst, const RECT& firstRect,
                      const POINT& secondDst, const RECT& secondRect, const RECT& clip, int progress,
                      const RECT& touched) override;

    CRectUpdateRegion& GetUpdateRegion() { return m_Region; }

protected:
    void OnDrawn(const RECT& r) override { m_Region.AddRect(r.left, r.top, r.right, r.bottom); }

private:
    void SetPendingBounds();

    CRectUpdateRegion m_Region;
};
