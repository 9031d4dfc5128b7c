// The transition members of CSurface: they lock the destination and both
// pictures, hand their pixels to the transitions (Transitions.h) and notify
// the destination.
#include "surface/Surface.h"

#include "framework/CriticalSection.h"
#include "surface/RuleImage.h"
#include "surface/SurfaceBlitView.h"
#include "surface/SurfaceLock.h"
#include "surface/Transitions.h"

#include <mmsystem.h>

namespace {

PixelRect ToPixelRect(const RECT& r) { return PixelRect{r.left, r.top, r.right, r.bottom}; }

RECT ToRect(const PixelRect& r)
{
    RECT out = {r.left, r.top, r.right, r.bottom};
    return out;
}

// The destination and the two pictures locked for one call, each surface
// once; a picture that is missing, empty or cannot be locked is null.
class TransitionLocks {
public:
    TransitionLocks(CSurface* dst, CSurface* first, CSurface* second)
        : m_DstLock(dst), m_FirstLock(ToLock(first, dst, nullptr)), m_SecondLock(ToLock(second, dst, first))
    {
        if (!m_DstLock.IsLocked())
            return;
        m_Dst = BlitView(dst);
        m_HasFirst = Take(first, dst, m_FirstLock, m_First);
        if (second != nullptr && second == first) {
            m_Second = m_First;
            m_HasSecond = m_HasFirst;
        } else {
            m_HasSecond = Take(second, dst, m_SecondLock, m_Second);
        }
    }

    bool IsLocked() const { return m_DstLock.IsLocked(); }
    const BlitSurface& Dst() const { return m_Dst; }
    const BlitSurface* First() const { return m_HasFirst ? &m_First : nullptr; }
    const BlitSurface* Second() const { return m_HasSecond ? &m_Second : nullptr; }

private:
    // The surface a picture's lock takes: none when the picture is missing,
    // empty, or locked already as the destination or the other picture.
    static CSurface* ToLock(CSurface* s, CSurface* dst, CSurface* other)
    {
        return s == nullptr || s == dst || s == other || !s->IsCreated() ? nullptr : s;
    }
    bool Take(CSurface* s, CSurface* dst, const CSurfaceLock& lock, BlitSurface& view) const
    {
        if (s == nullptr || !s->IsCreated())
            return false;
        if (s == dst) {
            view = m_Dst;
            return true;
        }
        if (!lock.IsLocked())
            return false;
        view = BlitView(s);
        return true;
    }

    CSurfaceLock m_DstLock, m_FirstLock, m_SecondLock;
    BlitSurface m_Dst, m_First, m_Second;
    bool m_HasFirst = false, m_HasSecond = false;

    TransitionLocks(const TransitionLocks&) = delete;
    TransitionLocks& operator=(const TransitionLocks&) = delete;
};

TransitionRequest MakeRequest(int op, const POINT& firstDst, const RECT& firstRect, const POINT& secondDst,
                              const RECT& secondRect, const RECT& clip, int progress)
{
    TransitionRequest r;
    r.op = op;
    r.firstX = firstDst.x;
    r.firstY = firstDst.y;
    r.firstRect = ToPixelRect(firstRect);
    r.secondX = secondDst.x;
    r.secondY = secondDst.y;
    r.secondRect = ToPixelRect(secondRect);
    r.clip = ToPixelRect(clip);
    r.progress = progress;
    r.seed = timeGetTime();
    return r;
}

ExTransitionRequest MakeExRequest(int op, const POINT& dst, const RECT& firstRect, const RECT& secondRect,
                                  const RECT& clip, int progress)
{
    ExTransitionRequest r;
    r.op = op;
    r.x = dst.x;
    r.y = dst.y;
    r.firstRect = ToPixelRect(firstRect);
    r.secondRect = ToPixelRect(secondRect);
    r.clip = ToPixelRect(clip);
    r.progress = progress;
    r.seed = timeGetTime();
    return r;
}


}  // namespace

void CSurface::BltTransition(int op, CSurface* first, CSurface* second, const POINT& firstDst,
                             const RECT& firstRect, const POINT& secondDst, const RECT& secondRect, const RECT& clip,
                             int progress)
{
    if (!IsTransition(op) || !IsCreated())
        return;
    const TransitionRequest r = MakeRequest(op, firstDst, firstRect, secondDst, secondRect, clip, progress);
    PixelRect drawn;
    bool ran;
    {
        TransitionLocks locks(this, first, second);
        if (!locks.IsLocked())
            return;
        ran = TransitionPixels(locks.Dst(), locks.First(), locks.Second(), r, drawn);
    }
    if (ran)
        OnTransition(op, first, second, firstDst, firstRect, secondDst, secondRect, clip, progress, ToRect(drawn));
}

void CSurface::BltTransitionEx(int op, CSurface* first, CSurface* second, const POINT& dst, const RECT& firstRect,
                               const RECT& secondRect, const RECT& clip, int progress)
{
    if (!IsExTransition(op) || !IsCreated())
        return;
    ExTransitionRequest r = MakeExRequest(op, dst, firstRect, secondRect, clip, progress);
    PixelRect drawn;
    bool ran;
    {
        TransitionLocks locks(this, first, second);
        if (!locks.IsLocked())
            return;
        if (op == kExRule) {
            CRuleImage& rule = CRuleImage::GetInstance();
            CCriticalLock ruleLock(&rule.GetLock());
            const RuleMask mask = rule.GetMask();
            r.rule = mask.bits ? &mask : nullptr;
            ran = ExTransitionPixels(locks.Dst(), locks.First(), locks.Second(), r, drawn);
        } else {
            ran = ExTransitionPixels(locks.Dst(), locks.First(), locks.Second(), r, drawn);
        }
    }
    if (ran)
        OnBlt2(op, first, second, dst, firstRect, secondRect, clip, progress, ToRect(drawn));
}

RECT CSurface::GetTransitionRect(int op, CSurface* first, CSurface* second, const POINT& firstDst,
                                 const RECT& firstRect, const POINT& secondDst, const RECT& secondRect,
                                 const RECT& clip, int progress)
{
    RECT none = {0, 0, 0, 0};
    if (!IsTransition(op) || !IsCreated())
        return none;
    const TransitionRequest r = MakeRequest(op, firstDst, firstRect, secondDst, secondRect, clip, progress);
    TransitionLocks locks(this, first, second);
    if (!locks.IsLocked())
        return none;
    return ToRect(QueryTransition(locks.Dst(), locks.First(), locks.Second(), r));
}

RECT CSurface::GetTransitionExRect(int op, CSurface* first, CSurface* second, const POINT& dst,
                                   const RECT& firstRect, const RECT& secondRect, const RECT& clip, int progress)
{
    RECT none = {0, 0, 0, 0};
    if (!IsExTransition(op) || !IsCreated())
        return none;
    ExTransitionRequest r = MakeExRequest(op, dst, firstRect, secondRect, clip, progress);
    TransitionLocks locks(this, first, second);
    if (!locks.IsLocked())
        return none;
    if (op == kExRule) {
        CRuleImage& rule = CRuleImage::GetInstance();
        CCriticalLock ruleLock(&rule.GetLock());
        const RuleMask mask = rule.GetMask();
        r.rule = mask.bits ? &mask : nullptr;
        return ToRect(QueryExTransition(locks.Dst(), locks.First(), locks.Second(), r));
    }
    return ToRect(QueryExTransition(locks.Dst(), locks.First(), locks.Second(), r));
}
