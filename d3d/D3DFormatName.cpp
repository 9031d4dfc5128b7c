#include "d3d/D3DFormatName.h"

const char* D3DFormatName(uint32_t format)
{
    switch (format) {
    case 20: return "R8G8B8";
    case 21: return "A8R8G8B8";
    case 22: return "X8R8G8B8";
    case 23: return "R5G6B5";
    case 24: return "X1R5G5B5";
    case 25: return "A1R5G5B5";
    case 26: return "A4R4G4B4";
    case 27: return "R3G3B2";
    case 29: return "A8R3G3B2";
    case 30: return "X4R4G4B4";
    default: return nullptr;
    }
}
