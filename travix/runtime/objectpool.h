// Memory for the runtime's objects: an import makes and frees many small
// objects of a few sizes, which free lists per size serve faster than the
// general heap. Internal to the runtime; XObject's allocation functions
// and the attribute maps are its only users.
#ifndef TRAVIX_OBJECT_POOL_H
#define TRAVIX_OBJECT_POOL_H

#include <cstddef>

namespace travix_pool {

// A block of at least `size` bytes, aligned as operator new aligns;
// throws std::bad_alloc.
void* Allocate(std::size_t size);
// Takes back a block that Allocate gave for the same size.
void Free(void* block, std::size_t size) noexcept;

} // namespace travix_pool

#endif
