#include "filesystem/ImageFile.h"

#include "filesystem/FileInterface.h"

#include <cstring>
#include <new>

void CImageFile::Release()
{
    delete[] m_pixels;
    delete[] m_alpha;
    m_pixels = nullptr;
    m_alpha = nullptr;
    std::memset(&m_file, 0, sizeof m_file);
    std::memset(&m_info, 0, sizeof m_info);
    m_name.clear();
}

uint32_t CImageFile::RowStride(int bitCount, int width)
{
    uint32_t bytes;
    switch (bitCount) {
    case 8: bytes = uint32_t(width); break;
    case 24: bytes = uint32_t(width) * 3; break;
    case 32: bytes = uint32_t(width) * 4; break;
    default: bytes = 0; break;
    }
    return (bytes + 3) & ~3u;
}

uint32_t CImageFile::GetMemorySize()
{
    uint32_t h = m_info.height > 0 ? uint32_t(m_info.height) : 0;
    return GetStride() * h + GetAlphaStride() * h;
}

// Damaged headers must not lead to absurd allocations: dimensions are
// positive, and the rows must be present in the file before anything is
// allocated for them.
bool CImageFile::LoadFrom(CFileInterface& f, CFileInterface* alpha, const std::string& name)
{
    Release();
    if (f.Read(&m_file, sizeof m_file, 1) != 1 || f.Read(&m_info, sizeof m_info, 1) != 1 ||
        m_file.type != 0x4D42) {
        Release();
        return false;
    }
    const int bits = m_info.bitCount;
    const int32_t width = m_info.width, height = m_info.height;
    if ((bits != 8 && bits != 24 && bits != 32) || width <= 0 || height <= 0 ||
        width > 0x3FFFFFFF) {
        Release();
        return false;
    }
    const uint64_t fileSize = f.GetSize();
    const uint64_t pixelStart = 14ull + m_info.size + (bits == 8 ? 1024 : 0);
    const uint64_t srcBytes = uint64_t(RowStride(bits, width)) * uint32_t(height);
    const uint64_t dstBytes = uint64_t(RowStride(bits == 8 ? 24 : bits, width)) * uint32_t(height);
    if (pixelStart > fileSize || srcBytes > fileSize - pixelStart || dstBytes >= 0x7FFFFFFF) {
        Release();
        return false;
    }

    if (bits == 8) {
        uint8_t palette[1024];
        uint8_t* indices = new (std::nothrow) uint8_t[size_t(srcBytes) + 1];
        m_pixels = new (std::nothrow) uint8_t[size_t(dstBytes) + 1];
        bool ok = indices && m_pixels && f.Read(palette, 1024, 1) == 1 &&
                  f.Seek(int32_t(pixelStart), 0) &&
                  f.Read(indices, 1, uint32_t(srcBytes)) == srcBytes;
        if (ok) {
            const uint32_t srcStride = RowStride(8, width), dstStride = RowStride(24, width);
            for (int32_t y = 0; y < height; ++y) {
                const uint8_t* s = indices + size_t(y) * srcStride;
                uint8_t* d = m_pixels + size_t(y) * dstStride;
                for (int32_t x = 0; x < width; ++x, d += 3) {
                    const uint8_t* e = palette + 4 * s[x];
                    d[0] = e[0]; d[1] = e[1]; d[2] = e[2];
                }
                std::memset(d, 0, dstStride - 3 * uint32_t(width));
            }
            m_info.bitCount = 24;
        }
        delete[] indices;
        if (!ok) {
            Release();
            return false;
        }
    } else {
        m_pixels = new (std::nothrow) uint8_t[size_t(dstBytes) + 1];
        if (m_pixels == nullptr || !f.Seek(int32_t(pixelStart), 0) ||
            f.Read(m_pixels, 1, uint32_t(dstBytes)) != dstBytes) {
            Release();
            return false;
        }
    }

    if (alpha != nullptr) {
        const uint64_t planeBytes = uint64_t(uint32_t(width)) * uint32_t(height);
        if (planeBytes <= alpha->GetSize()) {
            m_alpha = new (std::nothrow) uint8_t[size_t(planeBytes) + 1];
            if (m_alpha && alpha->Read(m_alpha, 1, uint32_t(planeBytes)) != planeBytes) {
                delete[] m_alpha;
                m_alpha = nullptr;
            }
        }
    }
    m_name = name;
    return true;
}

#ifndef _WIN32
// Natively there is neither CFile nor a device context; LoadFrom does the work.
bool CImageFile::Load(const std::string&) { return false; }
bool CImageFile::Draw(void*, int, int, int, int, int, int) { return false; }
#endif
