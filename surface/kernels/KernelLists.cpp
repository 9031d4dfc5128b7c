#include "surface/kernels/Kernels.h"

std::vector<KernelList> GetKernelLists()
{
    return {kSurfaceKernelsPortable, kSurfaceKernelsMMX, kSurfaceKernelsSSE, kSurfaceKernelsSSE2,
            kSurfaceKernelsAVX2};
}
