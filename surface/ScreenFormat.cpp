#include "surface/ScreenFormat.h"

#include <windows.h>

int GetScreenBitCount()
{
    HDC dc = ::GetDC(NULL);
    if (dc == NULL)
        return 0;
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ::ReleaseDC(NULL, dc);
    return bits;
}
