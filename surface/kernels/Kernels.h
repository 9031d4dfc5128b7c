#pragma once
// The kernel lists of every level, collected by the kernel table.
#include "surface/kernels/KernelTable.h"

#include <vector>

// Every list the table is made from (KernelLists.cpp).
std::vector<KernelList> GetKernelLists();

// Lists of the surface kernels, one per level file. A list of a level the
// build cannot produce (another processor family) is empty.
extern const KernelList kSurfaceKernelsPortable;
extern const KernelList kSurfaceKernelsMMX;
extern const KernelList kSurfaceKernelsSSE;
extern const KernelList kSurfaceKernelsSSE2;
extern const KernelList kSurfaceKernelsAVX2;

// The entries of one pixel operation for every pair of source and
// destination formats, as the level files register them.
#define QUILL_CONVERT_ENTRIES(level, Fn)                                                       \
    {KernelKey(kOpConvert, 15, 15), level, Fn<15, 15>, #Fn "<15,15>"},                         \
    {KernelKey(kOpConvert, 15, 16), level, Fn<15, 16>, #Fn "<15,16>"},                         \
    {KernelKey(kOpConvert, 15, 24), level, Fn<15, 24>, #Fn "<15,24>"},                         \
    {KernelKey(kOpConvert, 15, 32), level, Fn<15, 32>, #Fn "<15,32>"},                         \
    {KernelKey(kOpConvert, 15, 8), level, Fn<15, 8>, #Fn "<15,8>"},                            \
    {KernelKey(kOpConvert, 16, 15), level, Fn<16, 15>, #Fn "<16,15>"},                         \
    {KernelKey(kOpConvert, 16, 16), level, Fn<16, 16>, #Fn "<16,16>"},                         \
    {KernelKey(kOpConvert, 16, 24), level, Fn<16, 24>, #Fn "<16,24>"},                         \
    {KernelKey(kOpConvert, 16, 32), level, Fn<16, 32>, #Fn "<16,32>"},                         \
    {KernelKey(kOpConvert, 16, 8), level, Fn<16, 8>, #Fn "<16,8>"},                            \
    {KernelKey(kOpConvert, 24, 15), level, Fn<24, 15>, #Fn "<24,15>"},                         \
    {KernelKey(kOpConvert, 24, 16), level, Fn<24, 16>, #Fn "<24,16>"},                         \
    {KernelKey(kOpConvert, 24, 24), level, Fn<24, 24>, #Fn "<24,24>"},                         \
    {KernelKey(kOpConvert, 24, 32), level, Fn<24, 32>, #Fn "<24,32>"},                         \
    {KernelKey(kOpConvert, 24, 8), level, Fn<24, 8>, #Fn "<24,8>"},                            \
    {KernelKey(kOpConvert, 32, 15), level, Fn<32, 15>, #Fn "<32,15>"},                         \
    {KernelKey(kOpConvert, 32, 16), level, Fn<32, 16>, #Fn "<32,16>"},                         \
    {KernelKey(kOpConvert, 32, 24), level, Fn<32, 24>, #Fn "<32,24>"},                         \
    {KernelKey(kOpConvert, 32, 32), level, Fn<32, 32>, #Fn "<32,32>"},                         \
    {KernelKey(kOpConvert, 32, 8), level, Fn<32, 8>, #Fn "<32,8>"}

// The converting pairs only (formats that differ): equal formats are plain
// copies, which the C library's memcpy does at every level.
#define QUILL_CONVERTING_ENTRIES(level, Fn)                                                    \
    {KernelKey(kOpConvert, 15, 16), level, Fn<15, 16>, #Fn "<15,16>"},                         \
    {KernelKey(kOpConvert, 15, 24), level, Fn<15, 24>, #Fn "<15,24>"},                         \
    {KernelKey(kOpConvert, 15, 32), level, Fn<15, 32>, #Fn "<15,32>"},                         \
    {KernelKey(kOpConvert, 16, 15), level, Fn<16, 15>, #Fn "<16,15>"},                         \
    {KernelKey(kOpConvert, 16, 24), level, Fn<16, 24>, #Fn "<16,24>"},                         \
    {KernelKey(kOpConvert, 16, 32), level, Fn<16, 32>, #Fn "<16,32>"},                         \
    {KernelKey(kOpConvert, 24, 15), level, Fn<24, 15>, #Fn "<24,15>"},                         \
    {KernelKey(kOpConvert, 24, 16), level, Fn<24, 16>, #Fn "<24,16>"},                         \
    {KernelKey(kOpConvert, 24, 32), level, Fn<24, 32>, #Fn "<24,32>"},                         \
    {KernelKey(kOpConvert, 32, 15), level, Fn<32, 15>, #Fn "<32,15>"},                         \
    {KernelKey(kOpConvert, 32, 16), level, Fn<32, 16>, #Fn "<32,16>"},                         \
    {KernelKey(kOpConvert, 32, 24), level, Fn<32, 24>, #Fn "<32,24>"}

#define QUILL_FILL_ENTRIES(level, Fn)                                                          \
    {KernelKey(kOpFill, 15), level, Fn<15>, #Fn "<15>"},                                       \
    {KernelKey(kOpFill, 16), level, Fn<16>, #Fn "<16>"},                                       \
    {KernelKey(kOpFill, 24), level, Fn<24>, #Fn "<24>"},                                       \
    {KernelKey(kOpFill, 32), level, Fn<32>, #Fn "<32>"}

// Every pair of surface formats (destination, source) of a blend.
#define QUILL_PAIR_ENTRY(op, level, Fn, d, s) {KernelKey(op, d, s), level, Fn<d, s>, #Fn "<" #d "," #s ">"}
#define QUILL_PAIR_ENTRIES(op, level, Fn)                                                      \
    QUILL_PAIR_ENTRY(op, level, Fn, 15, 15), QUILL_PAIR_ENTRY(op, level, Fn, 15, 16),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 15, 24), QUILL_PAIR_ENTRY(op, level, Fn, 15, 32),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 16, 15), QUILL_PAIR_ENTRY(op, level, Fn, 16, 16),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 16, 24), QUILL_PAIR_ENTRY(op, level, Fn, 16, 32),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 24, 15), QUILL_PAIR_ENTRY(op, level, Fn, 24, 16),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 24, 24), QUILL_PAIR_ENTRY(op, level, Fn, 24, 32),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 32, 15), QUILL_PAIR_ENTRY(op, level, Fn, 32, 16),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 32, 24), QUILL_PAIR_ENTRY(op, level, Fn, 32, 32)

// The pairs of equal formats only (the vector blends).
#define QUILL_SAME_FORMAT_ENTRIES(op, level, Fn)                                               \
    QUILL_PAIR_ENTRY(op, level, Fn, 15, 15), QUILL_PAIR_ENTRY(op, level, Fn, 16, 16),          \
    QUILL_PAIR_ENTRY(op, level, Fn, 24, 24), QUILL_PAIR_ENTRY(op, level, Fn, 32, 32)

// Every pair with a source kind as the key's variant.
#define QUILL_KIND_ENTRY(op, level, Fn, d, s, k)                                               \
    {KernelKey(op, d, s, k), level, Fn<d, s, k>, #Fn "<" #d "," #s "," #k ">"}
#define QUILL_KIND_ENTRIES_OF(op, level, Fn, d, s)                                             \
    QUILL_KIND_ENTRY(op, level, Fn, d, s, 0), QUILL_KIND_ENTRY(op, level, Fn, d, s, 1),        \
    QUILL_KIND_ENTRY(op, level, Fn, d, s, 2)
#define QUILL_KIND_ENTRIES(op, level, Fn)                                                      \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 15, 15), QUILL_KIND_ENTRIES_OF(op, level, Fn, 15, 16), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 15, 24), QUILL_KIND_ENTRIES_OF(op, level, Fn, 15, 32), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 16, 15), QUILL_KIND_ENTRIES_OF(op, level, Fn, 16, 16), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 16, 24), QUILL_KIND_ENTRIES_OF(op, level, Fn, 16, 32), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 24, 15), QUILL_KIND_ENTRIES_OF(op, level, Fn, 24, 16), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 24, 24), QUILL_KIND_ENTRIES_OF(op, level, Fn, 24, 32), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 32, 15), QUILL_KIND_ENTRIES_OF(op, level, Fn, 32, 16), \
    QUILL_KIND_ENTRIES_OF(op, level, Fn, 32, 24), QUILL_KIND_ENTRIES_OF(op, level, Fn, 32, 32)

// The row formats of a stretch: the four surface formats and alpha bytes.
#define QUILL_ROW_ENTRIES(op, level, Fn)                                                       \
    {KernelKey(op, 8), level, Fn<8>, #Fn "<8>"}, {KernelKey(op, 15), level, Fn<15>, #Fn "<15>"}, \
    {KernelKey(op, 16), level, Fn<16>, #Fn "<16>"}, {KernelKey(op, 24), level, Fn<24>, #Fn "<24>"}, \
    {KernelKey(op, 32), level, Fn<32>, #Fn "<32>"}
