#include "TransitionScene.h"

#include "surface/RuleImage.h"
#include "surface/SurfaceLock.h"
#include "surface/Transitions.h"

#include <windows.h>

#include <cmath>
#include <cstdint>

namespace {

uint32_t Rgb(double r, double g, double b)
{
    auto c = [](double v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

uint32_t Mix(uint32_t a, uint32_t b, double t)
{
    auto ch = [&](int shift) { return (1 - t) * (a >> shift & 255) + t * (b >> shift & 255); };
    return Rgb(ch(16), ch(8), ch(0));
}

// Fills a 32-bit surface pixel by pixel from f(x, y) -> 0x00RRGGBB.
template <class F> void Paint(CSurface& s, F f)
{
    int width, height;
    s.GetSize(width, height);
    CSurfaceLock lock(&s);
    if (!lock.IsLocked() || s.GetBits() == nullptr)
        return;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(s.GetBits() + y * s.GetPitch());
        for (int x = 0; x < width; ++x)
            row[x] = f(x, y);
    }
}

// A large letter in the corner, so that a frame shows whose pixels it holds.
void Letter(CSurface& s, const char* text, COLORREF colour, int x, int y, int size)
{
    HDC dc = s.GetDC();
    if (dc == nullptr)
        return;
    HFONT font = CreateFontA(size, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "Arial");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, x + size / 24 + 1, y + size / 24 + 1, text, int(lstrlenA(text)));
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text, int(lstrlenA(text)));
    SelectObject(dc, old);
    DeleteObject(font);
    s.ReleaseDC();
}

// Converts a 32-bit master into the target surface's format.
bool Adopt(CAutoSurface& target, CAutoSurface& master, int format)
{
    int width, height;
    master.GetSize(width, height);
    if (!target.Create(width, height, format, false))
        return false;
    const POINT at = {0, 0};
    target.Blt(0, &master, at, 255, 0);
    return true;
}

}  // namespace

const std::vector<CTransitionScene::Step>& CTransitionScene::GetSteps()
{
    static const std::vector<Step> steps = [] {
        std::vector<Step> s;
        for (int op : {1, 33, 34, 35, 36})
            s.push_back(Step{false, op});
        s.push_back(Step{true, -1});
        for (int op = 1; op <= 36; ++op)
            s.push_back(Step{true, op});
        return s;
    }();
    return steps;
}

std::string CTransitionScene::Describe(const Step& step)
{
    return std::string(step.extended ? "extended " : "two-picture ") + std::to_string(step.op) + ": " +
           (step.extended ? ExTransitionName(step.op) : TransitionName(step.op));
}

bool CTransitionScene::Create(int width, int height, int format, const std::string& pictureFile)
{
    m_Format = format;
    return MakeFirst(width, height, pictureFile) && MakeSecond(width, height) && MakeRule(width, height);
}

bool CTransitionScene::MakeFirst(int width, int height, const std::string& pictureFile)
{
    CAutoSurface master, loaded;
    if (!master.Create(width, height, 32, true))
        return false;
    if (!pictureFile.empty() && loaded.Load(pictureFile, 32, false)) {
        const RECT whole = {0, 0, width, height};
        master.StretchBlt(1, &loaded, whole, 255, 0);
    } else {
        // A moor at dusk: a violet sky over two ridges of hills.
        Paint(master, [&](int x, int y) {
            const double t = double(y) / height;
            const double ridge1 = height * (0.62 + 0.05 * std::sin(x * 0.013) + 0.02 * std::sin(x * 0.051));
            const double ridge2 = height * (0.74 + 0.04 * std::sin(x * 0.009 + 1.7));
            if (y > ridge2) return Mix(0x203018, 0x0C140A, (y - ridge2) / (height - ridge2));
            if (y > ridge1) return Mix(0x34402A, 0x1E2818, (y - ridge1) / (ridge2 - ridge1 + 1));
            return Mix(0x2A1C4C, 0xE0905A, t / 0.62);
        });
    }
    Letter(master, "A", RGB(255, 255, 255), width / 24, height / 24, height / 4);
    return Adopt(m_First, master, m_Format);
}

bool CTransitionScene::MakeSecond(int width, int height)
{
    CAutoSurface master;
    if (!master.Create(width, height, 32, true))
        return false;
    // A sunrise over the sea: a bright sun, a blue sky, bands of water.
    const double sunX = width * 0.62, sunY = height * 0.48, sunR = height * 0.12;
    Paint(master, [&](int x, int y) {
        const double horizon = height * 0.58;
        const double d = std::hypot(x - sunX, y - sunY);
        if (y < horizon) {
            if (d < sunR) return 0xFFF4C0u;
            const double glow = std::exp(-(d - sunR) / (height * 0.2));
            return Mix(Mix(0x2468C8, 0x9CD0F0, y / horizon), 0xFFD070, glow * 0.8);
        }
        const double band = 0.5 + 0.5 * std::sin(y * 0.35 + std::sin(x * 0.02) * 2);
        const double shine = std::exp(-std::fabs(x - sunX) / (width * 0.06)) * (1 - (y - horizon) / height);
        return Mix(Mix(0x0C3A6E, 0x1A5C94, band), 0xFFE6A0, shine * 0.9);
    });
    Letter(master, "B", RGB(255, 224, 64), width - width / 24 - height / 6, height / 24, height / 4);
    return Adopt(m_Second, master, m_Format);
}

bool CTransitionScene::MakeRule(int width, int height)
{
    // A spiral: the wipe of transition 2 turns from the centre outwards.
    CAutoSurface grey;
    if (!grey.Create(width, height, 32, false))
        return false;
    Paint(grey, [&](int x, int y) {
        const double dx = x - width / 2.0, dy = y - height / 2.0;
        const double r = std::hypot(dx, dy) / std::hypot(width / 2.0, height / 2.0);
        const double turn = (std::atan2(dy, dx) + 3.14159265358979) / (2 * 3.14159265358979);
        const double v = std::fmod(r * 0.8 + turn * 0.2, 1.0);
        return uint32_t(v * 255) * 0x010101u;
    });
    CRuleImage& rule = CRuleImage::GetInstance();
    rule.SetSoftness(48);
    return rule.SetFromSurface(&grey, width, height);
}

void CTransitionScene::Draw(CSurface& frame, const Step& step, int progress)
{
    int width, height;
    m_First.GetSize(width, height);
    const RECT whole = {0, 0, width, height};
    const POINT at = {0, 0};
    if (step.extended)
        frame.BltTransitionEx(step.op, &m_First, &m_Second, at, whole, whole, whole, progress);
    else
        frame.BltTransition(step.op, &m_First, &m_Second, at, whole, at, whole, whole, progress);
}
