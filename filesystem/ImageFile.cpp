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

namespace {

enum : uint32_t { kRgb = 0, kBitFields = 3 };
// The only masks of a 32-bit picture whose pixels are stored as B, G, R, x.
const uint32_t kStandardMasks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};

}  // namespace

// What real tools write is read right or refused: the palette follows the
// info header (its own size) with as many entries as the header says, the
// rows start at the file header's offset when that offset is plausible
// (past the headers and palette, rows inside the file), and anything the
// layout cannot describe fails: compression, bit fields other than the
// standard ones, palette indices past the palette, rows past the end.
// Damaged headers never lead to absurd allocations: the rows must be present
// in the file before anything is allocated for them.
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
    const uint64_t fileSize = f.GetSize();
    if ((bits != 8 && bits != 24 && bits != 32) || width <= 0 || height <= 0 || width > 0x3FFFFFFF ||
        m_info.size < sizeof m_info || m_info.size > fileSize) {
        Release();
        return false;
    }

    uint64_t headerEnd = 14ull + m_info.size;
    if (m_info.compression == kBitFields) {
        // The masks follow a 40-byte header, or are its next fields.
        uint32_t masks[3];
        if (bits != 32 || (m_info.size > 40 && m_info.size < 52) || !f.Seek(14 + 40, 0) ||
            f.Read(masks, sizeof masks, 1) != 1 || std::memcmp(masks, kStandardMasks, sizeof masks) != 0) {
            Release();
            return false;
        }
        if (m_info.size == 40)
            headerEnd += sizeof masks;
    } else if (m_info.compression != kRgb) {
        Release();
        return false;
    }

    const uint64_t entries = bits == 8 && m_info.clrUsed == 0 ? 256 : m_info.clrUsed;
    const uint64_t paletteEnd = headerEnd + 4 * entries;
    const uint64_t srcBytes = uint64_t(RowStride(bits, width)) * uint32_t(height);
    const uint64_t dstBytes = uint64_t(RowStride(bits == 8 ? 24 : bits, width)) * uint32_t(height);
    auto rowsFit = [&](uint64_t start) { return start <= fileSize && srcBytes <= fileSize - start; };
    uint64_t pixelStart = m_file.offset;
    if (pixelStart < (bits == 8 ? paletteEnd : headerEnd) || !rowsFit(pixelStart))
        pixelStart = paletteEnd;
    if ((bits == 8 && entries > 256) || !rowsFit(pixelStart) || pixelStart > 0x7FFFFFFF ||
        dstBytes >= 0x7FFFFFFF) {
        Release();
        return false;
    }

    if (bits == 8) {
        uint8_t palette[1024];
        const uint32_t count = uint32_t(entries);
        uint8_t* indices = new (std::nothrow) uint8_t[size_t(srcBytes) + 1];
        m_pixels = new (std::nothrow) uint8_t[size_t(dstBytes) + 1];
        bool ok = indices && m_pixels && f.Seek(int32_t(headerEnd), 0) &&
                  (count == 0 || f.Read(palette, 4 * count, 1) == 1) && f.Seek(int32_t(pixelStart), 0) &&
                  f.Read(indices, 1, uint32_t(srcBytes)) == srcBytes;
        const uint32_t srcStride = RowStride(8, width), dstStride = RowStride(24, width);
        for (int32_t y = 0; ok && y < height; ++y) {
            const uint8_t* s = indices + size_t(y) * srcStride;
            uint8_t* d = m_pixels + size_t(y) * dstStride;
            for (int32_t x = 0; x < width; ++x, d += 3) {
                if (s[x] >= count) {  // no colour in the file
                    ok = false;
                    break;
                }
                const uint8_t* e = palette + 4 * s[x];
                d[0] = e[0]; d[1] = e[1]; d[2] = e[2];
            }
            if (ok)
                std::memset(d, 0, dstStride - 3 * uint32_t(width));
        }
        delete[] indices;
        if (!ok) {
            Release();
            return false;
        }
        m_info.bitCount = 24;
    } else {
        m_pixels = new (std::nothrow) uint8_t[size_t(dstBytes) + 1];
        if (m_pixels == nullptr || !f.Seek(int32_t(pixelStart), 0) ||
            f.Read(m_pixels, 1, uint32_t(dstBytes)) != dstBytes) {
            Release();
            return false;
        }
    }
    // The info header handed to GDI describes what is held: 40 bytes, plain
    // rows (standard masks are what plain 32-bit rows mean), no colour table.
    m_info.size = sizeof m_info;
    m_info.compression = kRgb;
    m_info.clrUsed = 0;
    m_info.clrImportant = 0;

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
