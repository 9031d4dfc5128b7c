#pragma once

#include <cstdint>

// The capital of a UTF-16 code unit for the letters of the code pages the
// program runs with: Basic Latin, Latin-1, Greek, Cyrillic, the small Roman
// numerals and the full-width Latin letters, as the system's CharUpperBuffW
// maps them. Everything else is returned unchanged.
uint16_t UpperCaseOf(uint16_t c);
