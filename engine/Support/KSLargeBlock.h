// Blocks that may grow large and live long (an atlas's quads, a batch node's
// lists of sprites). Small ones come from the allocator; from 64 KiB on they
// are mapped from the system, so that growing one moves no bytes (mremap) and
// leaves no freed copy behind in a process that keeps its freed memory
// (KSDirector::keepFreedMemoryForFrames), and capacity not written yet takes
// no memory. Whether a block is mapped follows from its size alone: the
// caller passes the size it asked for every time.
#pragma once

#include <cstddef>

namespace kestrel {

// A zeroed block of `bytes`; null when it cannot be made.
void* ksAllocateBlock(size_t bytes);
// The block with its first min(oldBytes, newBytes) bytes kept (the rest is
// not zeroed); null when it cannot be made, the old block then left as it was.
void* ksResizeBlock(void* block, size_t oldBytes, size_t newBytes);
// Frees a block made by the two above; null is ignored.
void ksFreeBlock(void* block, size_t bytes);

} // namespace kestrel
