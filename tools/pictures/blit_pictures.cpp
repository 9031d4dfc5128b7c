// Pictures of the blit operations for a person to look at, drawn through
// CSurface::Blt on DIB surfaces and saved with SaveBitmap, one sheet each:
// rotation at several angles (opaque, at half opacity, with a colour key),
// the rule-mask wipe at several progress values and softnesses, the mosaic
// at several cell sizes, the three scatters, and the blur (its copies at
// opacity / (n x n): near nothing at n 15, nothing from 16 on).
// Usage: blit_pictures OUTPUT_FOLDER
#include "surface/AutoSurface.h"
#include "surface/BlendTables.h"
#include "surface/RuleImage.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kCell = 168, kLabel = 18, kGap = 8;

// The source: a test card drawn through GDI into a DIB surface.
bool MakeCard(CAutoSurface& card, int width, int height)
{
    if (!card.Create(width, height, 32, true))
        return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            card.SetPixel(x, y, uint32_t(x * 255 / (width - 1)) << 16 | uint32_t(y * 255 / (height - 1)) << 8 | 0x60);
    HDC dc = card.GetDC();
    const COLORREF bars[] = {RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 255, 255), RGB(0, 255, 0),
                             RGB(255, 0, 255), RGB(255, 0, 0),     RGB(0, 0, 255)};
    for (int i = 0; i < 7; ++i) {
        RECT r = {8 + i * (width - 16) / 7, 8, 8 + (i + 1) * (width - 16) / 7, 30};
        HBRUSH b = CreateSolidBrush(bars[i]);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    HBRUSH white = CreateSolidBrush(RGB(250, 250, 250));
    HGDIOBJ oldBrush = SelectObject(dc, white);
    Ellipse(dc, width / 2 - 30, height / 2 - 22, width / 2 + 30, height / 2 + 38);
    SelectObject(dc, oldBrush);
    DeleteObject(white);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, width / 2 - 12, height / 2 + 2, "Q", 1);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, 8, height - 22, "Quillmoor", 9);
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, 1, 1, nullptr);
    LineTo(dc, width - 2, 1);
    LineTo(dc, width - 2, height - 2);
    LineTo(dc, 1, height - 2);
    LineTo(dc, 1, 1);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    card.ReleaseDC();
    return true;
}

// A sheet of columns x rows cells on a dark background with a checkered
// backdrop in every cell, so that what is not drawn shows.
struct Sheet {
    CAutoSurface surface;
    int columns, rows;
    bool Create(int c, int r)
    {
        columns = c, rows = r;
        if (!surface.Create(kGap + c * (kCell + kGap), kGap + r * (kCell + kLabel + kGap), 32, true))
            return false;
        surface.Fill(RGB(40, 40, 48));
        for (int j = 0; j < r; ++j)
            for (int i = 0; i < c; ++i) {
                const POINT at = Origin(i, j);
                for (int y = 0; y < kCell; ++y)
                    for (int x = 0; x < kCell; ++x)
                        surface.SetPixel(at.x + x, at.y + y, ((x / 12 + y / 12) & 1) ? 0x505058 : 0x68686F);
            }
        return true;
    }
    POINT Origin(int i, int j) const
    {
        POINT p = {kGap + i * (kCell + kGap), kGap + j * (kCell + kLabel + kGap)};
        return p;
    }
    RECT Cell(int i, int j) const
    {
        const POINT p = Origin(i, j);
        RECT r = {p.x, p.y, p.x + kCell, p.y + kCell};
        return r;
    }
    void Label(int i, int j, const char* text)
    {
        const POINT p = Origin(i, j);
        HDC dc = surface.GetDC();
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(230, 230, 230));
        TextOutA(dc, p.x + 2, p.y + kCell + 2, text, int(std::strlen(text)));
        surface.ReleaseDC();
    }
    bool Save(const std::string& folder, const char* name)
    {
        const std::string path = folder + "\\" + name;
        if (!surface.SaveBitmap(path)) {
            std::printf("cannot save %s\n", path.c_str());
            return false;
        }
        std::printf("%s\n", path.c_str());
        return true;
    }
};

// Draws the source centred in a cell, clipped to the cell.
void Centred(Sheet& sheet, int i, int j, int op, CSurface& source, int opacity, int param2)
{
    const RECT cell = sheet.Cell(i, j);
    const SIZE size = source.GetSize();
    const POINT at = {cell.left + (kCell - size.cx) / 2, cell.top + (kCell - size.cy) / 2};
    const RECT all = {0, 0, size.cx, size.cy};
    sheet.surface.Blt(op, &source, at, all, cell, opacity, param2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: blit_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string out = argv[1];
    BuildBlendTables();
    CAutoSurface card, keyed;
    if (!MakeCard(card, 150, 110) || !MakeCard(keyed, 150, 110))
        return 1;
    // The keyed card: its white disc is the key.
    keyed.SetColorKey(RGB(250, 250, 250));
    keyed.SetColorKeyEnable(true);

    // Rotation: 8 angles opaque, then half opacity and keyed.
    {
        Sheet sheet;
        if (!sheet.Create(8, 2))
            return 1;
        const int angles[] = {0, 64, 128, 256, 341, 512, 700, 900};
        for (int i = 0; i < 8; ++i) {
            char label[48];
            Centred(sheet, i, 0, 2, card, 255, angles[i]);
            std::snprintf(label, sizeof label, "angle %d", angles[i]);
            sheet.Label(i, 0, label);
            Centred(sheet, i, 1, 3, i % 2 ? keyed : card, i % 2 ? 255 : 128, angles[i]);
            std::snprintf(label, sizeof label, i % 2 ? "%d, colour key" : "%d, opacity 128", angles[i]);
            sheet.Label(i, 1, label);
        }
        if (!sheet.Save(out, "blit-rotation.bmp"))
            return 1;
    }

    // Rule-mask wipe: a rule of rings and a diagonal, softness 24 and 255.
    {
        CAutoSurface rule;
        if (!rule.Create(150, 110, 24, false))
            return 1;
        for (int y = 0; y < 110; ++y)
            for (int x = 0; x < 150; ++x) {
                const double r = std::sqrt(double((x - 75) * (x - 75) + (y - 55) * (y - 55)));
                const int v = (int(r * 3) + x / 2) % 256;
                rule.SetPixel(x, y, uint32_t(v));  // the grey value is the blue channel
            }
        CRuleImage& image = CRuleImage::GetInstance();
        if (!image.SetFromSurface(&rule, 0, 0))
            return 1;
        Sheet sheet;
        if (!sheet.Create(5, 2))
            return 1;
        const int progress[] = {0, 256, 512, 768, 1024};
        const int softness[] = {24, 255};
        for (int j = 0; j < 2; ++j) {
            image.SetSoftness(softness[j]);
            for (int i = 0; i < 5; ++i) {
                Centred(sheet, i, j, 4, card, 255, progress[i]);
                char label[48];
                std::snprintf(label, sizeof label, "%d, softness %d", progress[i], softness[j]);
                sheet.Label(i, j, label);
            }
        }
        image.Release();
        if (!sheet.Save(out, "blit-rule-wipe.bmp"))
            return 1;
    }

    // Mosaic at growing cell sizes, and at half opacity.
    {
        Sheet sheet;
        if (!sheet.Create(6, 1))
            return 1;
        const int cells[] = {0, 2, 4, 8, 16, 32};
        for (int i = 0; i < 6; ++i) {
            Centred(sheet, i, 0, 11, card, i == 5 ? 128 : 255, cells[i]);
            char label[48];
            std::snprintf(label, sizeof label, i == 5 ? "cell %d, opacity 128" : "cell %d", cells[i]);
            sheet.Label(i, 0, label);
        }
        if (!sheet.Save(out, "blit-mosaic.bmp"))
            return 1;
    }

    // Scatter: op 12 at three spreads, op 13 and 14 of a card whose alpha
    // plane is opaque only inside a disc.
    {
        CAutoSurface sprite;
        if (!MakeCard(sprite, 150, 110))
            return 1;
        sprite.FillAlpha(0);
        for (int y = 0; y < 110; ++y)
            for (int x = 0; x < 150; ++x)
                if ((x - 75) * (x - 75) + (y - 55) * (y - 55) < 50 * 50)
                    sprite.SetAlpha(x, y, 255);
        sprite.SetAlphaEnable(true);
        Sheet sheet;
        if (!sheet.Create(6, 1))
            return 1;
        const struct {
            int op, spread;
            bool alpha;
        } cases[] = {{12, 4, false}, {12, 16, false}, {12, 48, false}, {13, 16, true}, {14, 16, true}, {14, 48, false}};
        for (int i = 0; i < 6; ++i) {
            Centred(sheet, i, 0, cases[i].op, cases[i].alpha ? sprite : card, 255, cases[i].spread);
            char label[48];
            std::snprintf(label, sizeof label, "op %d, %d%s", cases[i].op, cases[i].spread,
                          cases[i].alpha ? ", alpha disc" : "");
            sheet.Label(i, 0, label);
        }
        if (!sheet.Save(out, "blit-scatter.bmp"))
            return 1;
    }

    // Blur: the shifted copies up to n 15 (at opacity 1 each), nothing at 16.
    {
        Sheet sheet;
        if (!sheet.Create(6, 1))
            return 1;
        const int sizes[] = {1, 2, 4, 8, 15, 16};
        for (int i = 0; i < 6; ++i) {
            Centred(sheet, i, 0, 10, card, 255, sizes[i]);
            char label[48];
            std::snprintf(label, sizeof label, "blur n %d", sizes[i]);
            sheet.Label(i, 0, label);
        }
        if (!sheet.Save(out, "blit-blur.bmp"))
            return 1;
    }
    return 0;
}
