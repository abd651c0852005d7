#include "Allocator.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Allocator {
void keepLargeBlocks() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}
} // namespace Allocator
