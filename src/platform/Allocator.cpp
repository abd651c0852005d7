#include "Allocator.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Allocator {
void keepLargeBlocks() {
#if defined(__GLIBC__)
    // Large blocks come from the heap rather than their own mappings, and the
    // heap is not trimmed back to the system.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}
} // namespace Allocator
