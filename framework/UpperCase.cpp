#include "framework/UpperCase.h"

uint16_t UpperCaseOf(uint16_t c)
{
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? uint16_t(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)  // à to þ, not ÷
        return uint16_t(c - 0x20);
    if (c == 0xFF)  // ÿ
        return 0x178;
    if (c == 0x3C2)  // final sigma
        return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3CB)  // α to ϋ
        return uint16_t(c - 0x20);
    if (c >= 0x430 && c <= 0x44F)  // а to я
        return uint16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)  // ѐ to џ
        return uint16_t(c - 0x50);
    if (c >= 0x2170 && c <= 0x217F)  // small Roman numerals
        return uint16_t(c - 0x10);
    if (c >= 0xFF41 && c <= 0xFF5A)  // full-width a to z
        return uint16_t(c - 0x20);
    return c;
}
