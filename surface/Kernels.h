#pragma once
// The kernel lists of every level, collected by the kernel table.
#include "surface/KernelTable.h"

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

#define QUILL_FILL_ENTRIES(level, Fn)                                                          \
    {KernelKey(kOpFill, 15), level, Fn<15>, #Fn "<15>"},                                       \
    {KernelKey(kOpFill, 16), level, Fn<16>, #Fn "<16>"},                                       \
    {KernelKey(kOpFill, 24), level, Fn<24>, #Fn "<24>"},                                       \
    {KernelKey(kOpFill, 32), level, Fn<32>, #Fn "<32>"}
