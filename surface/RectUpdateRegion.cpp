#include "surface/RectUpdateRegion.h"

#include <algorithm>

namespace {

int64_t Area(const PixelRect& r)
{
    return (int64_t(r.right) - r.left) * (int64_t(r.bottom) - r.top);
}

bool Touch(const PixelRect& a, const PixelRect& b)
{
    return b.left <= a.right && a.left <= b.right && b.top <= a.bottom && a.top <= b.bottom;
}

void Unite(PixelRect& a, const PixelRect& b)
{
    a.left = std::min(a.left, b.left);
    a.top = std::min(a.top, b.top);
    a.right = std::max(a.right, b.right);
    a.bottom = std::max(a.bottom, b.bottom);
}

}  // namespace

CRectUpdateRegion::CRectUpdateRegion()
    : m_entries(), m_count(0), m_wholeDirty(0), m_hasBounds(0), m_bounds(), m_boundsArea(0),
      m_pending(0), m_pendingBounds()
{
}

void CRectUpdateRegion::Reset()
{
    m_count = 0;
    m_wholeDirty = 0;
    if (m_pending) {
        m_bounds = m_pendingBounds;
        m_boundsArea = Area(m_bounds);
        m_hasBounds = 1;
        m_pending = 0;
    }
}

void CRectUpdateRegion::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    m_pendingBounds = PixelRect{left, top, right, bottom};
    m_pending = 1;
}

PixelRect CRectUpdateRegion::GetRect(int index) const
{
    if (index < 0 || index >= m_count)
        return PixelRect{0, 0, 0, 0};
    return m_entries[index].rect;
}

void CRectUpdateRegion::AddRectSize(int32_t x, int32_t y, int32_t width, int32_t height)
{
    AddRect(x, y, int32_t(int64_t(x) + width), int32_t(int64_t(y) + height));
}

void CRectUpdateRegion::SetWhole()
{
    m_wholeDirty = 1;
    m_count = 1;
    m_entries[0] = Entry{m_bounds, m_boundsArea, 0};
}

void CRectUpdateRegion::AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (m_wholeDirty)
        return;
    PixelRect r{left, top, right, bottom};
    if (m_hasBounds) {
        r.left = std::max(r.left, m_bounds.left);
        r.top = std::max(r.top, m_bounds.top);
        r.right = std::min(r.right, m_bounds.right);
        r.bottom = std::min(r.bottom, m_bounds.bottom);
    }
    // Inverted rectangles (right before left) are as empty as flat ones.
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    if (m_count == 0) {
        m_entries[0] = Entry{r, Area(r), 0};
        m_count = 1;
        CheckCoverage();
        return;
    }
    for (int i = 0; i < m_count; ++i) {
        const PixelRect& e = m_entries[i].rect;
        if (r.left >= e.left && r.top >= e.top && e.right >= r.right && e.bottom >= r.bottom)
            return;
    }
    m_entries[m_count++] = Entry{r, Area(r), 0};
    if (m_count >= kMaxEntries) {
        if (m_hasBounds) {
            SetWhole();
            return;
        }
        PixelRect all = m_entries[0].rect;
        for (int i = 1; i < m_count; ++i)
            Unite(all, m_entries[i].rect);
        m_entries[0] = Entry{all, Area(all), 0};
        m_count = 1;
    }
    MergeTouching();
    CheckCoverage();
}

void CRectUpdateRegion::MergeTouching()
{
    for (int i = 0; i < m_count; ++i) {
        Entry& a = m_entries[i];
        if (a.merged)
            continue;
        // Grow a by every entry it touches, then by any that the grown
        // rectangle touches, until none is left. Earlier entries that are
        // still kept did not touch a before it grew.
        for (bool grew = true; grew;) {
            grew = false;
            for (int j = 0; j < m_count; ++j) {
                Entry& b = m_entries[j];
                if (j != i && !b.merged && Touch(a.rect, b.rect)) {
                    Unite(a.rect, b.rect);
                    a.area = Area(a.rect);
                    b.merged = 1;
                    grew = true;
                }
            }
        }
    }
    int kept = 0;
    for (int i = 0; i < m_count; ++i)
        if (!m_entries[i].merged)
            m_entries[kept++] = m_entries[i];
    m_count = kept;
}

void CRectUpdateRegion::CheckCoverage()
{
    if (!m_hasBounds)
        return;
    int64_t sum = 0;
    for (int i = 0; i < m_count; ++i)
        sum += m_entries[i].area;
    if (sum >= m_boundsArea)
        SetWhole();
}
