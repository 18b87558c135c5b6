#include "core/platform/Allocator.h"

#include <cstdlib> // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavrin::platform {

void keepLargeBuffers()
{
#if defined(__GLIBC__)
    // Blocks up to the largest threshold glibc allows come from the heap, not a mapping of
    // their own; freed memory is given back only beyond 128 MiB at the heap's top.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

} // namespace tavrin::platform
