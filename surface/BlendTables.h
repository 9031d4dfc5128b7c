#pragma once
// The blend tables and the sine table, built once at start-up (the start-up
// object calls BuildBlendTables) and read-only afterwards.
#include <cstdint>

// [a][v] = a x v / 255.
extern uint8_t BlendTable8[256][256];
// [L][p]: each channel c of the 15-bit (16-bit) pixel p scaled to c x L / 31;
// bit 15 of a 15-bit pixel is dropped. Level 0 is all zeros, level 31 the
// identity (below 0x8000 for 15 bits).
extern uint16_t BlendTable555[32][65536];
extern uint16_t BlendTable565[32][65536];
// sin(2 pi i / 512) x 65536, truncated; the cosine of i is entry i + 128
// (indices masked to 0..511).
extern int32_t SineTable[512];

// Fills the four tables; later calls return at once. Safe from any thread.
void BuildBlendTables();
// Fills them again now, whether built or not (measurements; not while others
// read them).
void FillBlendTables();
bool AreBlendTablesBuilt();

inline int32_t Sine(int index) { return SineTable[index & 511]; }
inline int32_t Cosine(int index) { return SineTable[(index + 128) & 511]; }
