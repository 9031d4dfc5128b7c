// Pictures of surfaces on DirectDraw for a person to look at, drawn on a
// window's DirectDraw object: one gradient picture loaded into a DirectDraw
// surface of each format (15, 16, 24, 32) and labelled through the surface's
// device context (top row); below, the same pictures with a sprite (a disc on
// the green colour key) put on by DirectDraw itself, keyed, once at its size
// with DDBltFast and once stretched with DDBlt, and once without the key.
// The rows are copied into a sheet (itself a DirectDraw surface) through
// the surfaces' device contexts, saved with SaveBitmap and, with --show,
// painted into the window for five seconds.
// Usage: ddraw_pictures OUTPUT_FOLDER [--show]
#include "filesystem/File.h"
#include "framework/DirectDrawManager.h"
#include "surface/DDSurface.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kW = 240, kH = 184, kGap = 8;

// Channel ramps over the top, a colour field below (as the surface sheet).
std::vector<uint8_t> GradientBitmap()
{
    const int stride = kW * 3;
    std::vector<uint8_t> f(54 + size_t(stride) * kH, 0);
    const uint32_t size = uint32_t(f.size());
    const uint8_t header[54] = {'B', 'M', uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), 0, 0, 0, 0, 0, 54,
                                0, 0, 0, 40, 0, 0, 0, uint8_t(kW), uint8_t(kW >> 8), 0, 0, uint8_t(kH), 0, 0, 0, 1, 0,
                                24};
    std::memcpy(f.data(), header, sizeof header);
    for (int y = 0; y < kH; ++y) {
        uint8_t* row = &f[54 + size_t(kH - 1 - y) * stride];  // bottom-up
        for (int x = 0; x < kW; ++x) {
            int r, g, b;
            const int band = y / 24;
            if (band < 4) {
                const int v = x * 255 / (kW - 1);
                r = band == 0 || band == 3 ? v : 0;
                g = band == 1 || band == 3 ? v : 0;
                b = band == 2 || band == 3 ? v : 0;
            } else {
                r = x * 255 / (kW - 1);
                g = (y - 96) * 255 / (kH - 97);
                b = 255 - r;
            }
            row[3 * x] = uint8_t(b), row[3 * x + 1] = uint8_t(g), row[3 * x + 2] = uint8_t(r);
        }
    }
    return f;
}

void Label(CSurface& s, int x, int y, const char* text)
{
    HDC dc = s.GetDC();
    if (dc == NULL)
        return;
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, x, y, text, int(std::strlen(text)));
    s.ReleaseDC();
}

// A 48 x 48 disc, yellow with a red ring, on the green key.
bool MakeSprite(CDDSurface& sprite, int format)
{
    if (!sprite.Create(48, 48, format, false))
        return false;
    sprite.Fill(RGB(0, 255, 0));
    HDC dc = sprite.GetDC();
    if (dc == NULL)
        return false;
    HBRUSH fill = CreateSolidBrush(RGB(255, 220, 0));
    HPEN ring = CreatePen(PS_SOLID, 5, RGB(200, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, fill), oldPen = SelectObject(dc, ring);
    Ellipse(dc, 4, 4, 44, 44);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    DeleteObject(ring);
    sprite.ReleaseDC();
    sprite.SetColorKeyEnable(true);
    return true;
}

// Copies a picture into the sheet through both device contexts.
void Put(CSurface& sheet, CSurface& picture, int x, int y)
{
    HDC from = picture.GetDC();
    HDC to = sheet.GetDC();
    if (from != NULL && to != NULL)
        BitBlt(to, x, y, kW, kH, from, 0, 0, SRCCOPY);
    sheet.ReleaseDC();
    picture.ReleaseDC();
}

CSurface* g_Sheet = nullptr;
const UINT kShowMs = 5000;  // how long --show keeps the window

LRESULT CALLBACK SheetProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && g_Sheet != nullptr) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd, &ps);
        HDC from = g_Sheet->GetDC();
        if (from) {
            BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                   ps.rcPaint.bottom - ps.rcPaint.top, from, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
            g_Sheet->ReleaseDC();
        }
        EndPaint(hWnd, &ps);
        return 0;
    }
    if (message == WM_TIMER) {
        DestroyWindow(hWnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: ddraw_pictures OUTPUT_FOLDER [--show]\n");
        return 2;
    }
    const std::string out = argv[1];
    const bool show = argc > 2 && std::strcmp(argv[2], "--show") == 0;
    const std::string source = out + "\\gradient.bmp";
    {
        const std::vector<uint8_t> bmp = GradientBitmap();
        CFile f;
        if (!f.Create(source, true) || f.Write(bmp.data(), 1, uint32_t(bmp.size())) != bmp.size()) {
            std::printf("cannot write %s\n", source.c_str());
            return 1;
        }
    }

    const int sheetW = 4 * kW + 5 * kGap, sheetH = 2 * kH + 3 * kGap;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SheetProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuillDirectDrawSheet";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    RECT frame = {0, 0, sheetW, sheetH};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hWnd = CreateWindowA("QuillDirectDrawSheet", "DirectDraw surfaces", WS_OVERLAPPEDWINDOW, 0, 0,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, wc.hInstance,
                              nullptr);
    CDirectDrawManager& manager = CDirectDrawManager::GetInstance();
    if (hWnd == NULL || !manager.Initialize(hWnd)) {
        std::printf("no DirectDraw object for the window\n");
        return 1;
    }
    CDirectDraw* dd = manager.GetDirectDraw(hWnd);
    int status = 0;
    {
        CDDSurface sheet(dd);
        if (!sheet.Create(sheetW, sheetH, 32, false))
            return 1;
        sheet.Fill(RGB(48, 48, 48));
        const int formats[] = {15, 16, 24, 32};
        for (int i = 0; i < 4; ++i) {
            CDDSurface picture(dd), sprite(dd);
            if (!picture.Load(source, formats[i], false) || !MakeSprite(sprite, formats[i])) {
                std::printf("cannot make the pictures in format %d\n", formats[i]);
                return 1;
            }
            char label[32];
            std::snprintf(label, sizeof label, " %d bits ", formats[i]);
            Label(picture, 4, kH - 20, label);
            Put(sheet, picture, kGap + i * (kW + kGap), kGap);

            const RECT whole = {0, 0, 48, 48}, stretched = {96, 20, 192, 116};
            picture.DDBltFast(&sprite, 24, 36, &whole);
            picture.DDBlt(&sprite, &stretched, &whole);
            sprite.SetColorKeyEnable(false);
            picture.DDBltFast(&sprite, 24, 110, &whole);
            Label(picture, 4, kH - 20, " keyed, stretched, plain ");
            Put(sheet, picture, kGap + i * (kW + kGap), 2 * kGap + kH);
        }
        const std::string saved = out + "\\ddraw-surfaces.bmp";
        if (!sheet.SaveBitmap(saved)) {
            std::printf("cannot save %s\n", saved.c_str());
            return 1;
        }
        std::printf("%s\n", saved.c_str());

        if (show) {
            g_Sheet = &sheet;
            ShowWindow(hWnd, SW_SHOW);
            UpdateWindow(hWnd);
            SetTimer(hWnd, 1, kShowMs, nullptr);  // closes itself: nothing has to kill it
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            g_Sheet = nullptr;
        }
    }
    manager.Uninitialize(hWnd);
    if (IsWindow(hWnd))
        DestroyWindow(hWnd);
    return status;
}
