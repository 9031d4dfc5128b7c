#pragma once
// Names of the display formats the system report prints. Pure: the format
// numbers are those of D3DFORMAT.
#include <cstdint>

// "R8G8B8" for 20 ... "X4R4G4B4" for 30; null for 28 and every other value.
const char* D3DFormatName(uint32_t format);
