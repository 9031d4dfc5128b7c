#include "d3dx/TextureImage.h"

#include "d3dx/PixelFormat.h"
#include "filesystem/FileInterface.h"
#include "filesystem/ImageFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kMaxSide = 16384;

uint32_t Get16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

// Source weights of one destination pixel along one axis.
struct Tap {
    uint32_t first;
    std::vector<float> weights;
};

// Area coverage: destination pixel i covers [i, i+1) * src / dst.
std::vector<Tap> AreaTaps(uint32_t src, uint32_t dst)
{
    std::vector<Tap> taps(dst);
    const double scale = double(src) / dst;
    for (uint32_t i = 0; i < dst; ++i) {
        const double a = i * scale, b = (i + 1) * scale;
        uint32_t first = uint32_t(a), last = std::min(src - 1, uint32_t(std::ceil(b)) - 1);
        if (last < first)
            last = first;
        taps[i].first = first;
        for (uint32_t s = first; s <= last; ++s) {
            const double lo = std::max(a, double(s)), hi = std::min(b, double(s) + 1);
            taps[i].weights.push_back(float(std::max(0.0, hi - lo) / scale));
        }
    }
    return taps;
}

// Linear interpolation between pixel centres, clamped at the edges.
std::vector<Tap> LinearTaps(uint32_t src, uint32_t dst)
{
    std::vector<Tap> taps(dst);
    for (uint32_t i = 0; i < dst; ++i) {
        double x = (i + 0.5) * src / dst - 0.5;
        x = std::max(0.0, std::min(double(src - 1), x));
        const uint32_t x0 = uint32_t(x);
        const float f = float(x - x0);
        taps[i].first = x0;
        if (x0 + 1 < src && f > 0)
            taps[i].weights = {1 - f, f};
        else
            taps[i].weights = {1};
    }
    return taps;
}

std::vector<Tap> PointTaps(uint32_t src, uint32_t dst)
{
    std::vector<Tap> taps(dst);
    for (uint32_t i = 0; i < dst; ++i) {
        taps[i].first = uint32_t((uint64_t(2) * i + 1) * src / (uint64_t(2) * dst));
        taps[i].weights = {1};
    }
    return taps;
}

}  // namespace

void CTextureImage::Assign(uint32_t width, uint32_t height, std::vector<uint32_t> pixels)
{
    m_width = width;
    m_height = height;
    m_pixels = std::move(pixels);
}

bool CTextureImage::Decode(const void* data, size_t size)
{
    *this = CTextureImage();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (p == nullptr || size == 0 || size > 0x7FFFFFFF)
        return false;
    bool ok = size >= 2 && p[0] == 'B' && p[1] == 'M' ? DecodeBitmap(p, size) : DecodeTarga(p, size);
    if (!ok)
        *this = CTextureImage();
    return ok;
}

bool CTextureImage::DecodeBitmap(const uint8_t* data, size_t size)
{
    if (size < 54)
        return false;
    const uint32_t infoSize = Get32(data + 14);
    const int32_t width = int32_t(Get32(data + 18)), height = int32_t(Get32(data + 22));
    const uint32_t bits = Get16(data + 28);

    CImageFile image;
    if (width <= 0 || height <= 0 || uint32_t(width) > kMaxSide || uint32_t(height) > kMaxSide)
        return false;
    // An alpha plane follows when exactly width x height bytes remain after the rows.
    const uint64_t rows = 14ull + infoSize + (bits == 8 ? 1024 : 0) +
                          uint64_t(image.RowStride(int(bits), width)) * uint32_t(height);
    const uint64_t plane = uint64_t(uint32_t(width)) * uint32_t(height);
    CMemoryFile file(data, uint32_t(size));
    CMemoryFile alpha;
    const bool hasPlane = rows < size && size - rows == plane;
    if (hasPlane)
        alpha.Assign(data + rows, uint32_t(plane));
    if (!image.LoadFrom(file, hasPlane ? &alpha : nullptr, "") || image.GetBitCount() < 24)
        return false;

    const uint8_t* pixels = image.GetPixels();
    const uint8_t* alphaPlane = image.GetAlpha();
    const uint32_t stride = image.GetStride(), step = uint32_t(image.GetBitCount()) / 8;
    m_width = uint32_t(width);
    m_height = uint32_t(height);
    m_pixels.resize(size_t(m_width) * m_height);
    for (uint32_t y = 0; y < m_height; ++y) {
        const uint32_t fileRow = m_height - 1 - y;  // bottom-up in the file
        const uint8_t* s = pixels + size_t(fileRow) * stride;
        const uint8_t* a = alphaPlane ? alphaPlane + size_t(fileRow) * m_width : nullptr;
        uint32_t* d = &m_pixels[size_t(y) * m_width];
        for (uint32_t x = 0; x < m_width; ++x, s += step)
            d[x] = (a ? uint32_t(a[x]) << 24 : 0xFF000000u) | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
    }
    m_hasAlpha = alphaPlane != nullptr;
    m_sourceFormat = m_hasAlpha ? d3dx::kFmtA8R8G8B8
                     : bits == 8 ? d3dx::kFmtP8
                     : bits == 24 ? d3dx::kFmtR8G8B8
                                  : d3dx::kFmtX8R8G8B8;
    m_fileFormat = d3dx::kFileBmp;
    return true;
}

bool CTextureImage::DecodeTarga(const uint8_t* data, size_t size)
{
    if (size < 18)
        return false;
    const uint32_t idLength = data[0], mapType = data[1], type = data[2];
    const uint32_t mapLength = Get16(data + 5), mapEntryBits = data[7];
    const uint32_t width = Get16(data + 12), height = Get16(data + 14);
    const uint32_t depth = data[16], descriptor = data[17];
    const bool grey = type == 3 || type == 11, rle = type == 10 || type == 11;
    if ((type != 2 && type != 3 && type != 10 && type != 11) || mapType > 1 || width == 0 || height == 0)
        return false;
    if (grey ? depth != 8 : (depth != 15 && depth != 16 && depth != 24 && depth != 32))
        return false;
    if ((descriptor & 0xC0) != 0)  // interleaved rows
        return false;
    const uint32_t bytes = (depth + 7) / 8;
    size_t at = 18 + idLength + (mapType ? size_t(mapLength) * ((mapEntryBits + 7) / 8) : 0);
    if (at > size)
        return false;
    const uint64_t count = uint64_t(width) * height;
    // Raw data must be present in full; a run packet of 1 + bytes covers at most 128 pixels.
    if (!rle && count * bytes > size - at)
        return false;
    if (rle && count > uint64_t(size - at) * 128)
        return false;

    const uint32_t alphaBits = descriptor & 0x0F;
    auto read = [&](const uint8_t* s) -> uint32_t {
        switch (bytes) {
        case 1: return 0xFF000000u | uint32_t(s[0]) * 0x010101u;
        case 2: {
            const uint32_t v = Get16(s);
            const uint32_t a = depth == 16 && alphaBits ? (v & 0x8000 ? 0xFF : 0) : 0xFF;
            return a << 24 | Expand5(v >> 10 & 31) << 16 | Expand5(v >> 5 & 31) << 8 | Expand5(v & 31);
        }
        case 3: return 0xFF000000u | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
        default: return (alphaBits ? uint32_t(s[3]) << 24 : 0xFF000000u) | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
        }
    };

    std::vector<uint32_t> stream(static_cast<size_t>(count));
    if (!rle) {
        for (size_t i = 0; i < stream.size(); ++i, at += bytes)
            stream[i] = read(data + at);
    } else {
        size_t i = 0;
        while (i < stream.size()) {
            if (at >= size)
                return false;
            const uint32_t head = data[at++];
            const size_t n = std::min<size_t>((head & 0x7F) + 1, stream.size() - i);
            if (head & 0x80) {
                if (bytes > size - at)
                    return false;
                std::fill_n(stream.begin() + ptrdiff_t(i), n, read(data + at));
                at += bytes;
            } else {
                if (n * bytes > size - at)
                    return false;
                for (size_t k = 0; k < n; ++k, at += bytes)
                    stream[i + k] = read(data + at);
            }
            i += n;
        }
    }

    // Rows are stored bottom-up unless bit 5 says top-down; bit 4 mirrors them.
    m_width = width;
    m_height = height;
    m_pixels.resize(size_t(count));
    const bool topDown = (descriptor & 0x20) != 0, rightToLeft = (descriptor & 0x10) != 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t sy = topDown ? y : height - 1 - y;
        for (uint32_t x = 0; x < width; ++x)
            m_pixels[size_t(y) * width + x] = stream[size_t(sy) * width + (rightToLeft ? width - 1 - x : x)];
    }
    m_hasAlpha = alphaBits != 0 && (depth == 32 || depth == 16);
    m_sourceFormat = grey ? d3dx::kFmtL8
                     : bytes == 2 ? (m_hasAlpha ? d3dx::kFmtA1R5G5B5 : d3dx::kFmtX1R5G5B5)
                     : bytes == 3 ? d3dx::kFmtR8G8B8
                                  : (m_hasAlpha ? d3dx::kFmtA8R8G8B8 : d3dx::kFmtX8R8G8B8);
    m_fileFormat = d3dx::kFileTga;
    return true;
}

void CTextureImage::ApplyColorKey(uint32_t key)
{
    if (key == 0)
        return;
    for (uint32_t& p : m_pixels)
        if (p == key)
            p = 0;
}

uint32_t CTextureImage::FullMipCount(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t side = std::max(width, height); side > 1; side >>= 1)
        ++levels;
    return levels;
}

CTextureImage CTextureImage::Resized(uint32_t width, uint32_t height, uint32_t filter) const
{
    CTextureImage out;
    out.m_sourceFormat = m_sourceFormat;
    out.m_fileFormat = m_fileFormat;
    out.m_hasAlpha = m_hasAlpha;
    out.m_width = width;
    out.m_height = height;
    out.m_pixels.assign(size_t(width) * height, 0);
    if (width == 0 || height == 0 || m_width == 0 || m_height == 0)
        return out;

    if (filter == d3dx::kFilterNone || (width == m_width && height == m_height)) {
        const uint32_t w = std::min(width, m_width), h = std::min(height, m_height);
        for (uint32_t y = 0; y < h; ++y)
            std::memcpy(&out.m_pixels[size_t(y) * width], &m_pixels[size_t(y) * m_width], w * 4);
        return out;
    }

    auto taps = [&](uint32_t src, uint32_t dst) {
        switch (filter) {
        case d3dx::kFilterPoint: return PointTaps(src, dst);
        case d3dx::kFilterLinear: return LinearTaps(src, dst);
        case d3dx::kFilterTriangle: return dst <= src ? AreaTaps(src, dst) : LinearTaps(src, dst);
        default: return AreaTaps(src, dst);
        }
    };
    const std::vector<Tap> tx = taps(m_width, width), ty = taps(m_height, height);

    // Horizontal pass into floats, then vertical.
    std::vector<float> rows(size_t(width) * m_height * 4);
    for (uint32_t y = 0; y < m_height; ++y) {
        const uint32_t* s = &m_pixels[size_t(y) * m_width];
        float* d = &rows[size_t(y) * width * 4];
        for (uint32_t x = 0; x < width; ++x, d += 4) {
            const Tap& t = tx[x];
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const uint32_t c = s[t.first + k];
                const float w = t.weights[k];
                d[0] += w * float(c >> 24);
                d[1] += w * float(c >> 16 & 0xFF);
                d[2] += w * float(c >> 8 & 0xFF);
                d[3] += w * float(c & 0xFF);
            }
        }
    }
    for (uint32_t y = 0; y < height; ++y) {
        const Tap& t = ty[y];
        for (uint32_t x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* s = &rows[(size_t(t.first + k) * width + x) * 4];
                for (int c = 0; c < 4; ++c)
                    acc[c] += t.weights[k] * s[c];
            }
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c)
                v = v << 8 | uint32_t(std::min(255.0f, std::max(0.0f, acc[c] + 0.5f)));
            out.m_pixels[size_t(y) * width + x] = v;
        }
    }
    return out;
}
