// The blit members of CSurface: they lock both surfaces, hand their pixels to
// the blit operations (BlitOps.h) and notify the destination.
#include "surface/Surface.h"

#include "framework/CriticalSection.h"
#include "surface/BlitGeometry.h"
#include "surface/BlitOps.h"
#include "surface/kernels/KernelTable.h"
#include "surface/RuleImage.h"
#include "surface/SurfaceBlitView.h"
#include "surface/SurfaceLock.h"

#include <mmsystem.h>

namespace {

PixelRect ToPixelRect(const RECT& r) { return PixelRect{r.left, r.top, r.right, r.bottom}; }

RECT ToRect(const PixelRect& r)
{
    RECT out = {r.left, r.top, r.right, r.bottom};
    return out;
}

// The destination and the source locked for one blit (a surface drawn onto
// itself once), with their views; not locked unless both are.
class BlitLocks {
public:
    BlitLocks(CSurface* dst, CSurface* src)
        : m_DstLock(dst), m_SrcLock(src == dst ? nullptr : src),
          m_Locked(m_DstLock.IsLocked() && (src == dst || m_SrcLock.IsLocked()))
    {
        if (!m_Locked)
            return;
        m_Dst = BlitView(dst);
        m_Src = src == dst ? m_Dst : BlitView(src);
    }
    bool IsLocked() const { return m_Locked; }
    const BlitSurface& Dst() const { return m_Dst; }
    const BlitSurface& Src() const { return m_Src; }

private:
    CSurfaceLock m_DstLock, m_SrcLock;
    bool m_Locked;
    BlitSurface m_Dst, m_Src;
};

RECT SurfaceRect(CSurface* s)
{
    int width, height;
    s->GetSize(width, height);
    RECT r = {0, 0, width, height};
    return r;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r;
    if (!IntersectRect(&r, &a, &b))
        SetRectEmpty(&r);
    return r;
}

bool BadRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top || r.right < 0 || r.bottom < 0; }

}  // namespace

BlitSurface BlitView(CSurface* s)
{
    BlitSurface v;
    const PixelView pixels = s->GetPixelView();
    v.bits = pixels.bits;
    v.pitch = pixels.pitch;
    v.width = pixels.width;
    v.height = pixels.height;
    v.format = pixels.format;
    const AlphaView alpha = s->GetAlphaView();
    v.alpha = alpha.bits;
    v.alphaPitch = alpha.pitch;
    const int mode = s->GetBlitMode();
    v.kind = mode < 0 ? 0 : mode & 3;
    v.colorKey = s->GetColorKey();
    return v;
}

bool CSurface::CopyThroughGdi(CSurface* source, const POINT& dst, const RECT& srcRect, const RECT& clip,
                              int opacity, RECT& touched)
{
    const int mode = GetBlitMode(), sourceMode = source->GetBlitMode();
    if (opacity < 255 || source == this || mode < 0 || sourceMode < 0 || (mode & 16) == 0 ||
        (sourceMode & 16) == 0 || (sourceMode & 3) != 0 || (mode & 3) == 2 ||
        GetBitCount() != source->GetBitCount() || CKernelTable::GetInstance().GetLevel() >= kCpuSSE)
        return false;
    int width, height, sourceWidth, sourceHeight;
    GetSize(width, height);
    source->GetSize(sourceWidth, sourceHeight);
    PixelRect d, s;
    if (!ClipBlt(width, height, sourceWidth, sourceHeight, dst.x, dst.y, ToPixelRect(srcRect), ToPixelRect(clip), d,
                 s))
        return false;
    HDC to = GetDC();
    if (to == NULL)
        return false;
    HDC from = source->GetDC();
    if (from == NULL) {
        ReleaseDC();
        return false;
    }
    const BOOL copied = ::BitBlt(to, d.left, d.top, d.right - d.left, d.bottom - d.top, from, s.left, s.top, SRCCOPY);
    source->ReleaseDC();
    ReleaseDC();
    touched = ToRect(d);
    return copied != FALSE;
}

void CSurface::Blt(int op, CSurface* source, const POINT& dst, const RECT& srcRect, const RECT& clip, int param1,
                   int param2)
{
    if (source == nullptr || op < kBlitCopy || op > kBlitLastOp || BadRect(srcRect) || BadRect(clip) || !IsCreated() ||
        !source->IsCreated())
        return;
    RECT touched;
    if ((op == kBlitCopy || op == kBlitCopy2) && CopyThroughGdi(source, dst, srcRect, clip, param1, touched)) {
        OnBlt(op, source, dst, srcRect, param1, param2, touched);
        return;
    }
    BlitRequest r;
    r.op = op;
    r.x = dst.x;
    r.y = dst.y;
    r.src = ToPixelRect(srcRect);
    r.clip = ToPixelRect(clip);
    r.param1 = param1;
    r.param2 = param2;
    r.seed = timeGetTime();
    PixelRect drawn;
    bool ran;
    {
        const BlitLocks locks(this, source);
        if (!locks.IsLocked())
            return;
        if (op == kBlitRuleWipe) {
            CRuleImage& rule = CRuleImage::GetInstance();
            CCriticalLock ruleLock(&rule.GetLock());
            const RuleMask mask = rule.GetMask();
            r.rule = mask.bits ? &mask : nullptr;
            ran = BltPixels(locks.Dst(), locks.Src(), r, drawn);
        } else {
            ran = BltPixels(locks.Dst(), locks.Src(), r, drawn);
        }
    }
    if (ran)
        OnBlt(op, source, dst, srcRect, param1, param2, ToRect(drawn));
}

void CSurface::Blt(int op, CSurface* source, const POINT& dst, const RECT& srcRect, int param1, int param2)
{
    Blt(op, source, dst, srcRect, SurfaceRect(this), param1, param2);
}

void CSurface::Blt(int op, CSurface* source, const POINT& dst, int param1, int param2)
{
    if (source != nullptr)
        Blt(op, source, dst, SurfaceRect(source), SurfaceRect(this), param1, param2);
}

void CSurface::Blt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, int param1, int param2)
{
    const POINT at = {dstRect.left, dstRect.top};
    const RECT clip = Intersect(dstRect, SurfaceRect(this));
    if (!IsRectEmpty(&clip))
        Blt(op, source, at, srcRect, clip, param1, param2);
}

void CSurface::Blt(int op, CSurface* source, const RECT& dstRect, int param1, int param2)
{
    if (source != nullptr)
        Blt(op, source, dstRect, SurfaceRect(source), param1, param2);
}

void CSurface::StretchBlt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, const RECT& clip,
                          int param1, int param2)
{
    if (source == nullptr || !IsCreated() || !source->IsCreated())
        return;
    if (dstRect.right - dstRect.left == srcRect.right - srcRect.left &&
        dstRect.bottom - dstRect.top == srcRect.bottom - srcRect.top) {
        const POINT at = {dstRect.left, dstRect.top};
        Blt(op, source, at, srcRect, clip, param1, param2);
        return;
    }
    StretchRequest r;
    r.op = op;
    r.dst = ToPixelRect(dstRect);
    r.src = ToPixelRect(srcRect);
    r.clip = ToPixelRect(clip);
    r.param1 = param1;
    PixelRect drawn;
    bool ran;
    {
        const BlitLocks locks(this, source);
        if (!locks.IsLocked())
            return;
        ran = StretchBltPixels(locks.Dst(), locks.Src(), r, drawn);
    }
    if (ran)
        OnStretchBlt(op, source, dstRect, srcRect, param1, param2, ToRect(drawn));
}

void CSurface::StretchBlt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, int param1, int param2)
{
    StretchBlt(op, source, dstRect, srcRect, SurfaceRect(this), param1, param2);
}

void CSurface::StretchBlt(int op, CSurface* source, const RECT& dstRect, int param1, int param2)
{
    if (source != nullptr)
        StretchBlt(op, source, dstRect, SurfaceRect(source), SurfaceRect(this), param1, param2);
}
