#include "surface/RuleImage.h"
#include "framework/ServiceObject.h"

#include "surface/MemorySurface.h"
#include "surface/SurfaceLock.h"

#include <new>

CRuleImage& CRuleImage::GetInstance()
{
    return CServiceObject<CRuleImage>::Get();
}

CRuleImage::CRuleImage() : m_Bits(nullptr), m_Width(0), m_Height(0), m_Pitch(0), m_Softness(255) {}

void CRuleImage::SetSoftness(int softness)
{
    CCriticalLock lock(&m_Lock);
    m_Softness = softness < 0 ? 0 : softness > 255 ? 255 : softness;
}

int CRuleImage::GetSoftness()
{
    CCriticalLock lock(&m_Lock);
    return m_Softness;
}

SIZE CRuleImage::GetSize()
{
    CCriticalLock lock(&m_Lock);
    SIZE size = {m_Width, m_Height};
    return size;
}

bool CRuleImage::IsLoaded()
{
    CCriticalLock lock(&m_Lock);
    return m_Bits != nullptr;
}

bool CRuleImage::SetFromSurface(CSurface* surface, int width, int height)
{
    CCriticalLock lock(&m_Lock);
    Release();
    if (surface == nullptr || !surface->IsCreated() || width < 0 || height < 0)
        return false;
    int surfaceWidth, surfaceHeight;
    surface->GetSize(surfaceWidth, surfaceHeight);
    if (width == 0)
        width = surfaceWidth;
    if (height == 0)
        height = surfaceHeight;
    if (width > 0x7FFFFFFC)
        return false;
    const int pitch = (width + 3) & ~3;
    if (height > 0 && size_t(pitch) > size_t(SIZE_MAX) / size_t(height))
        return false;
    BYTE* bits = new (std::nothrow) BYTE[size_t(pitch) * size_t(height)];
    if (bits == nullptr)
        return false;
    bool filled;
    {
        CSurfaceLock surfaceLock(surface);
        filled = surfaceLock.IsLocked() && FillRuleFromPixels(surface->GetPixelView(), width, height, bits, pitch);
    }
    if (!filled) {
        delete[] bits;
        return false;
    }
    m_Bits = bits;
    m_Width = width;
    m_Height = height;
    m_Pitch = pitch;
    return true;
}

bool CRuleImage::LoadRuleImage(const std::string& path, int width, int height)
{
    CMemorySurface picture;
    picture.SetAutoRestore(false);
    if (!picture.Load(path, 24, false)) {
        Release();
        return false;
    }
    return SetFromSurface(&picture, width, height);
}

void CRuleImage::Release()
{
    CCriticalLock lock(&m_Lock);
    delete[] m_Bits;
    m_Bits = nullptr;
    m_Width = m_Height = m_Pitch = 0;
}

RuleMask CRuleImage::GetMask()
{
    CCriticalLock lock(&m_Lock);
    RuleMask mask;
    mask.bits = m_Bits;
    mask.width = m_Width;
    mask.height = m_Height;
    mask.pitch = m_Pitch;
    mask.softness = m_Softness;
    return mask;
}
