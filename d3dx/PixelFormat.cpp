#include "d3dx/PixelFormat.h"

namespace d3dx {
namespace {

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }

}  // namespace

uint32_t FormatBytesPerPixel(uint32_t format)
{
    switch (format) {
    case kFmtA8R8G8B8: case kFmtX8R8G8B8: return 4;
    case kFmtR8G8B8: return 3;
    case kFmtR5G6B5: case kFmtX1R5G5B5: case kFmtA1R5G5B5: case kFmtA4R4G4B4:
    case kFmtX4R4G4B4: case kFmtA8R3G3B2: case kFmtA8L8: return 2;
    case kFmtR3G3B2: case kFmtA8: case kFmtL8: case kFmtA4L4: return 1;
    default: return 0;
    }
}

bool FormatHasAlpha(uint32_t format)
{
    switch (format) {
    case kFmtA8R8G8B8: case kFmtA1R5G5B5: case kFmtA4R4G4B4: case kFmtA8R3G3B2:
    case kFmtA8: case kFmtA8L8: case kFmtA4L4: return true;
    default: return false;
    }
}

void EncodePixels(uint32_t format, const uint32_t* argb, size_t count, uint8_t* out)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = argb[i];
        const uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        const uint32_t l = (77 * r + 150 * g + 29 * b) >> 8;
        switch (format) {
        case kFmtA8R8G8B8:
        case kFmtX8R8G8B8: {
            const uint32_t v = format == kFmtX8R8G8B8 ? (c | 0xFF000000u) : c;
            out[0] = uint8_t(v); out[1] = uint8_t(v >> 8); out[2] = uint8_t(v >> 16); out[3] = uint8_t(v >> 24);
            out += 4;
            break;
        }
        case kFmtR8G8B8: out[0] = uint8_t(b); out[1] = uint8_t(g); out[2] = uint8_t(r); out += 3; break;
        case kFmtR5G6B5: Put16(out, (r >> 3) << 11 | (g >> 2) << 5 | b >> 3); out += 2; break;
        case kFmtX1R5G5B5: Put16(out, 0x8000 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3); out += 2; break;
        case kFmtA1R5G5B5: Put16(out, (a >> 7) << 15 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3); out += 2; break;
        case kFmtA4R4G4B4: Put16(out, (a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4); out += 2; break;
        case kFmtX4R4G4B4: Put16(out, 0xF000 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4); out += 2; break;
        case kFmtR3G3B2: *out++ = uint8_t((r & 0xE0) | (g >> 5) << 2 | b >> 6); break;
        case kFmtA8R3G3B2: Put16(out, a << 8 | (r & 0xE0) | (g >> 5) << 2 | b >> 6); out += 2; break;
        case kFmtA8: *out++ = uint8_t(a); break;
        case kFmtL8: *out++ = uint8_t(l); break;
        case kFmtA8L8: Put16(out, a << 8 | l); out += 2; break;
        case kFmtA4L4: *out++ = uint8_t((a >> 4) << 4 | l >> 4); break;
        default: return;
        }
    }
}

bool DecodePixel(uint32_t format, const uint8_t* in, uint32_t& argb)
{
    // Only the two-byte formats read the second byte.
    const uint32_t v16 = FormatBytesPerPixel(format) == 2 ? uint32_t(in[0]) | uint32_t(in[1]) << 8 : 0;
    switch (format) {
    case kFmtR8G8B8: argb = Argb(255, in[2], in[1], in[0]); return true;
    case kFmtA8R8G8B8: argb = Argb(in[3], in[2], in[1], in[0]); return true;
    case kFmtX8R8G8B8: argb = Argb(255, in[2], in[1], in[0]); return true;
    case kFmtR5G6B5: argb = Argb(255, v16 >> 8 & 0xF8, v16 >> 3 & 0xFC, v16 << 3); return true;
    case kFmtX1R5G5B5: argb = Argb(255, v16 >> 7 & 0xF8, v16 >> 2 & 0xF8, v16 << 3); return true;
    case kFmtA1R5G5B5: argb = Argb(v16 & 0x8000 ? 255 : 0, v16 >> 7 & 0xF8, v16 >> 2 & 0xF8, v16 << 3); return true;
    case kFmtA4R4G4B4:
    case kFmtX4R4G4B4: {
        const uint32_t top = v16 >> 12;
        const uint32_t a = format == kFmtX4R4G4B4 ? 255 : top == 0 ? 0 : (top << 4 | 0x0F);
        argb = Argb(a, (v16 >> 8 & 0xF) << 4, (v16 >> 4 & 0xF) << 4, (v16 & 0xF) << 4);
        return true;
    }
    case kFmtR3G3B2: argb = Argb(255, in[0] & 0xE0, (in[0] & 0x1C) << 3, in[0] << 6); return true;
    case kFmtA8R3G3B2: argb = Argb(in[1], in[0] & 0xE0, (in[0] & 0x1C) << 3, in[0] << 6); return true;
    case kFmtA8: argb = Argb(in[0], 0, 0, 0); return true;
    case kFmtL8: argb = Argb(255, in[0], in[0], in[0]); return true;
    case kFmtA8L8: argb = Argb(in[1], in[0], in[0], in[0]); return true;
    case kFmtA4L4: argb = Argb((in[0] >> 4) << 4, (in[0] & 0xF) << 4, (in[0] & 0xF) << 4, (in[0] & 0xF) << 4); return true;
    default: return false;
    }
}

}  // namespace d3dx
