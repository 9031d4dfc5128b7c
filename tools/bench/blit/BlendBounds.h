#pragma once
// Lower bounds of the 16- and 24-bit blends at AVX2: loops doing only the
// work every exact kernel of the rule must do (loads, the high multiplies,
// the 24-bit unpacking and repacking, stores), over rows of 800 pixels.
// They compute nothing useful; the benchmark times them against memcpy to
// show how near the real kernels are to what the rule allows here.
#include <cstddef>
#include <cstdint>

namespace bench {

// Six high multiplies per 16 pixels of 16 bits (three fields of source and
// destination), each row of width pixels (a multiple of 16).
void BlendBound16(uint8_t* dst, const uint8_t* src, ptrdiff_t pitch, int width, int height);
// Every pixel of 24 bits spread to lanes, its bytes weighed by two high
// multiplies, packed and stored (rows read up to 8 bytes past the end).
void BlendBound24(uint8_t* dst, const uint8_t* src, ptrdiff_t pitch, int width, int height);

}  // namespace bench
