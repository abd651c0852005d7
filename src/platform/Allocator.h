#pragma once

namespace Allocator {
// Keeps large blocks the program frees for its next use instead of handing them
// back to the system: refilling a list of a million entries then reuses the
// memory of the last fill rather than faulting in fresh pages.
void keepLargeBlocks();
} // namespace Allocator
