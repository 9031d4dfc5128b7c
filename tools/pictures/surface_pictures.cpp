// Pictures of the surface layer for a person to look at: one gradient picture
// loaded into a DIB surface of each format (15, 16, 24, 32), labelled through
// the surface's device context, copied side by side into one sheet with
// BitBlt and saved with SaveBitmap. With --show the sheet is also painted into
// a window from its device context until the window is closed.
// Usage: surface_pictures OUTPUT_FOLDER [--show]
#include "filesystem/File.h"
#include "surface/AutoSurface.h"
#include "surface/PixelFormat.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kW = 240, kH = 184;

// Channel ramps (red, green, blue, grey) over the top, a colour wheel-ish
// field below: the steps of 5 and 6 bits show as bands.
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

CAutoSurface* g_Sheet = nullptr;

LRESULT CALLBACK SheetProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
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
        std::printf("usage: surface_pictures OUTPUT_FOLDER [--show]\n");
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

    const int formats[] = {15, 16, 24, 32};
    CAutoSurface sheet;
    if (!sheet.Create(4 * kW + 5 * 8, kH + 16, 32, true))
        return 1;
    sheet.Fill(RGB(48, 48, 48));
    HDC to = sheet.GetDC();
    for (int i = 0; i < 4; ++i) {
        CAutoSurface picture;
        if (!picture.Load(source, formats[i], true)) {
            std::printf("cannot load %s in format %d\n", source.c_str(), formats[i]);
            return 1;
        }
        HDC dc = picture.GetDC();
        char label[16];
        std::snprintf(label, sizeof label, " %d bits ", formats[i]);
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        TextOutA(dc, 4, kH - 20, label, int(std::strlen(label)));
        BitBlt(to, 8 + i * (kW + 8), 8, kW, kH, dc, 0, 0, SRCCOPY);
        picture.ReleaseDC();
    }
    sheet.ReleaseDC();
    const std::string saved = out + "\\surface-formats.bmp";
    if (!sheet.SaveBitmap(saved)) {
        std::printf("cannot save %s\n", saved.c_str());
        return 1;
    }
    std::printf("%s\n", saved.c_str());

    if (show) {
        g_Sheet = &sheet;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = SheetProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuillSurfaceSheet";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        RECT r = {0, 0, sheet.GetSize().cx, sheet.GetSize().cy};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        HWND hWnd = CreateWindowA("QuillSurfaceSheet", "Surface formats", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
        if (!hWnd)
            return 1;
        SetTimer(hWnd, 1, 5000, nullptr);  // closes itself: nothing has to kill it
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
