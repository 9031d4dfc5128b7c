// The blits on surfaces on DirectDraw give the bytes they give on memory
// surfaces: a sample of the same-size operations and both stretches in every
// format, from opaque, colour-keyed and alpha-plane sources, onto
// destinations with and without alpha, between two DirectDraw surfaces and
// between a DirectDraw surface and a memory surface either way round.
// The same for a sample of the transitions of both families.
// (The random operations 9 and 12 to 14, and the transitions drawn through
// them, seed from the clock at each call, so two calls cannot be compared
// byte for byte and are left out.)
#include "common/DirectDrawTest.h"
#include "surface/DDSurface.h"
#include "surface/MemorySurface.h"
#include "surface/PixelFormat.h"
#include "surface/RuleImage.h"
#include "surface/SurfaceLock.h"

#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

namespace {

using DDBlitTest = DirectDrawTest;

enum Kind { kOpaque, kKeyed, kAlpha };
const char* const kKindNames[] = {"opaque", "keyed", "alpha plane"};
const int kSrcW = 29, kSrcH = 21, kDstW = 37, kDstH = 26;

// The same picture in any surface: bytes from a little generator, the key
// colour in every seventh pixel of a keyed source, an alpha plane of every
// value for an alpha source (and for a destination with alpha on).
void Paint(CSurface& s, int format, int width, int height, uint32_t seed, Kind kind, bool alpha)
{
    ASSERT_TRUE(s.Create(width, height, format, false));
    {
        CSurfaceLock lock(&s);
        ASSERT_TRUE(lock.IsLocked());
        const int bpp = BytesPerPixel(format);
        const uint32_t key = ColorToPixel(format, s.GetColorKey());
        for (int y = 0; y < height; ++y) {
            BYTE* row = s.GetBits() + y * s.GetPitch();
            for (int x = 0; x < width; ++x) {
                seed = seed * 1103515245u + 12345u;
                const uint32_t v = kind == kKeyed && (x + 3 * y) % 7 == 0 ? key : seed >> 8;
                for (int k = 0; k < bpp; ++k)
                    row[x * bpp + k] = BYTE(v >> (8 * k));
            }
        }
    }
    s.SetColorKeyEnable(kind == kKeyed);
    if (kind == kAlpha || alpha) {
        s.SetAlphaEnable(true);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                s.SetAlpha(x, y, BYTE((x * 37 + y * 11 + seed) & 0xFF));
    }
}

// Where the two surfaces' pixels or alpha planes first differ, or "" when
// they agree.
std::string Difference(CSurface& a, CSurface& b)
{
    CSurfaceLock la(&a), lb(&b);
    if (!la.IsLocked() || !lb.IsLocked())
        return "not locked";
    int width, height;
    a.GetSize(width, height);
    const size_t used = size_t(width) * size_t(BytesPerPixel(a.GetBitCount()));
    for (int y = 0; y < height; ++y) {
        const BYTE *p = a.GetBits() + y * a.GetPitch(), *q = b.GetBits() + y * b.GetPitch();
        for (size_t i = 0; i < used; ++i)
            if (p[i] != q[i]) {
                std::ostringstream where;
                where << "pixel byte " << i << " of row " << y << ": " << int(p[i]) << " against " << int(q[i]);
                return where.str();
            }
    }
    if ((a.GetAlphaBits() == nullptr) != (b.GetAlphaBits() == nullptr))
        return "one has an alpha plane";
    if (a.GetAlphaBits() != nullptr)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (a.GetAlpha(x, y) != b.GetAlpha(x, y))
                    return "alpha at " + std::to_string(x) + ", " + std::to_string(y);
    return "";
}

struct Operation {
    const char* name;
    std::function<void(CSurface& dst, CSurface* src)> draw;
};

std::vector<Operation> Sample()
{
    const POINT at = {5, -3};
    const RECT part = {2, 1, 27, 20}, clip = {1, 0, 35, 24};
    auto same = [=](int op, int opacity, int param2) {
        return [=](CSurface& d, CSurface* s) { d.Blt(op, s, at, part, clip, opacity, param2); };
    };
    return {
        {"op 0 opaque", same(0, 255, 0)},
        {"op 0 opacity 128", same(0, 128, 0)},
        {"op 2 rotation 100 at 200", same(2, 200, 100)},
        {"op 4 rule wipe 512", same(4, 255, 512)},
        {"op 5 blinds 300", same(5, 255, 300)},
        {"op 6 blinds 700 at 90", same(6, 90, 700)},
        {"op 7 dissolve 600", same(7, 255, 600)},
        {"op 8 dissolve 400 at 128", same(8, 128, 400)},
        {"op 10 blur 3", same(10, 255, 3)},
        {"op 11 mosaic 4 at 128", same(11, 128, 4)},
        {"stretch op 0", [](CSurface& d, CSurface* s) {
             const RECT to = {-4, 2, 40, 25}, from = {1, 1, 28, 19};
             d.StretchBlt(0, s, to, from, 255, 0);
         }},
        {"stretch op 1 at 160", [](CSurface& d, CSurface* s) {
             const RECT to = {3, 1, 33, 24}, from = {0, 2, 29, 21};
             d.StretchBlt(1, s, to, from, 160, 0);
         }},
    };
}

TEST_F(DDBlitTest, TheSampleGivesTheBytesOfMemorySurfaces)
{
    OnWindow([] {
        // The rule of op 4, taken from a DirectDraw surface.
        CDDSurface rule(DirectDraw());
        Paint(rule, 24, 13, 9, 99, kOpaque, false);
        ASSERT_TRUE(CRuleImage::GetInstance().SetFromSurface(&rule, kDstW, kDstH));
        CRuleImage::GetInstance().SetSoftness(40);

        int compared = 0;
        for (int format : {15, 16, 24, 32})
            for (Kind kind : {kOpaque, kKeyed, kAlpha})
                for (bool dstAlpha : {false, true})
                    for (const Operation& op : Sample()) {
                        // memory onto memory: the reference.
                        CMemorySurface memSrc, memDst;
                        Paint(memSrc, format, kSrcW, kSrcH, 1, kind, false);
                        Paint(memDst, format, kDstW, kDstH, 2, kOpaque, dstAlpha);
                        op.draw(memDst, &memSrc);
                        // DirectDraw onto DirectDraw, DirectDraw onto memory,
                        // memory onto DirectDraw.
                        for (int mix = 0; mix < 3; ++mix) {
                            std::unique_ptr<CSurface> src, dst;
                            src.reset(mix == 2 ? static_cast<CSurface*>(new CMemorySurface)
                                               : new CDDSurface(DirectDraw()));
                            dst.reset(mix == 1 ? static_cast<CSurface*>(new CMemorySurface)
                                               : new CDDSurface(DirectDraw()));
                            Paint(*src, format, kSrcW, kSrcH, 1, kind, false);
                            Paint(*dst, format, kDstW, kDstH, 2, kOpaque, dstAlpha);
                            op.draw(*dst, src.get());
                            static const char* const mixes[] = {"DirectDraw onto DirectDraw",
                                                                "DirectDraw onto memory", "memory onto DirectDraw"};
                            ASSERT_EQ("", Difference(*dst, memDst))
                                << op.name << ", format " << format << ", " << kKindNames[kind] << " source"
                                << (dstAlpha ? ", destination alpha on" : "") << ", " << mixes[mix];
                            ++compared;
                        }
                    }
        EXPECT_EQ(4 * 3 * 2 * int(Sample().size()) * 3, compared);
        CRuleImage::GetInstance().Release();
    });
}

// Transitions from picture A to picture B: both pictures and the destination
// on DirectDraw against all three in memory.
TEST_F(DDBlitTest, TransitionsGiveTheBytesOfMemorySurfaces)
{
    OnWindow([] {
        CMemorySurface rule;
        Paint(rule, 24, 13, 9, 99, kOpaque, false);
        ASSERT_TRUE(CRuleImage::GetInstance().SetFromSurface(&rule, kDstW, kDstH));
        CRuleImage::GetInstance().SetSoftness(40);
        const POINT at = {3, 2}, second = {1, 4};
        const RECT part = {0, 0, kSrcW, kSrcH}, clip = {1, 1, 35, 25};
        const int extended[] = {-1, 1, 2, 3, 4, 5, 8, 9, 11, 15, 16, 18, 19, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
        int compared = 0, drawn = 0;
        for (int format : {15, 16, 24, 32})
            for (Kind kind : {kOpaque, kAlpha})
                for (int progress : {300, 700}) {
                    auto check = [&](const char* family, int op, const std::function<void(CSurface&, CSurface*,
                                                                                          CSurface*)>& draw) {
                        CMemorySurface memA, memB, memDst, untouched;
                        CDDSurface ddA(DirectDraw()), ddB(DirectDraw()), ddDst(DirectDraw());
                        for (CSurface* a : {static_cast<CSurface*>(&memA), static_cast<CSurface*>(&ddA)})
                            Paint(*a, format, kSrcW, kSrcH, 1, kind, false);
                        for (CSurface* b : {static_cast<CSurface*>(&memB), static_cast<CSurface*>(&ddB)})
                            Paint(*b, format, kSrcW, kSrcH, 3, kind, false);
                        for (CSurface* d : {static_cast<CSurface*>(&memDst), static_cast<CSurface*>(&ddDst),
                                            static_cast<CSurface*>(&untouched)})
                            Paint(*d, format, kDstW, kDstH, 2, kOpaque, false);
                        draw(memDst, &memA, &memB);
                        draw(ddDst, &ddA, &ddB);
                        ASSERT_EQ("", Difference(ddDst, memDst))
                            << family << " " << op << " at " << progress << ", format " << format << ", "
                            << kKindNames[kind] << " pictures";
                        drawn += Difference(memDst, untouched) != "";
                        ++compared;
                    };
                    check("transition", 1, [&](CSurface& d, CSurface* a, CSurface* b) {
                        d.BltTransition(1, a, b, at, part, second, part, clip, progress);
                    });
                    for (int op : extended)
                        check("extended transition", op, [&](CSurface& d, CSurface* a, CSurface* b) {
                            d.BltTransitionEx(op, a, b, at, part, part, clip, progress);
                        });
                }
        EXPECT_EQ(4 * 2 * 2 * (1 + int(sizeof extended / sizeof extended[0])), compared);
        EXPECT_GT(drawn, compared * 3 / 4) << "most of the sample must draw for the comparison to mean anything";
        CRuleImage::GetInstance().Release();
    });
}

// Drawing must have happened for the comparison to mean anything: the
// sample changes the destination in every format.
TEST_F(DDBlitTest, TheSampleDraws)
{
    OnWindow([] {
        for (int format : {15, 16, 24, 32})
            for (const Operation& op : Sample()) {
                if (std::string(op.name).find("rule") != std::string::npos)
                    continue;  // no rule image here
                CDDSurface src(DirectDraw()), dst(DirectDraw()), before(DirectDraw());
                Paint(src, format, kSrcW, kSrcH, 1, kOpaque, false);
                Paint(dst, format, kDstW, kDstH, 2, kOpaque, false);
                Paint(before, format, kDstW, kDstH, 2, kOpaque, false);
                op.draw(dst, &src);
                EXPECT_NE("", Difference(dst, before)) << op.name << " drew nothing in format " << format;
            }
    });
}

// A surface on DirectDraw drawn onto itself, and onto a surface the caller
// holds locked (refused by DirectDraw's lock: nothing is drawn).
TEST_F(DDBlitTest, OntoItselfAndOntoALockedSurface)
{
    OnWindow([] {
        for (int format : {16, 32}) {
            CMemorySurface mem;
            CDDSurface dd(DirectDraw());
            Paint(mem, format, kDstW, kDstH, 5, kOpaque, false);
            Paint(dd, format, kDstW, kDstH, 5, kOpaque, false);
            const POINT at = {4, 3};
            const RECT part = {0, 0, 20, 15};
            mem.Blt(0, &mem, at, part, 200, 0);
            dd.Blt(0, &dd, at, part, 200, 0);
            EXPECT_EQ("", Difference(dd, mem)) << "format " << format;

            CDDSurface src(DirectDraw()), copy(DirectDraw());
            Paint(src, format, kSrcW, kSrcH, 1, kOpaque, false);
            Paint(copy, format, kDstW, kDstH, 5, kOpaque, false);
            ASSERT_TRUE(dd.Lock());
            dd.Blt(0, &src, at, 255, 0);
            dd.Unlock();
            Paint(mem, format, kDstW, kDstH, 5, kOpaque, false);
            mem.Blt(0, &mem, at, part, 200, 0);
            EXPECT_EQ("", Difference(dd, mem)) << "locked by the caller: format " << format;
        }
    });
}

}  // namespace
