// Replaces the global allocation functions of a benchmark program with counting ones.
// Only `operator new` is counted; every form funnels into the two counted routines below.

#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> gAllocations{0};

void* countedAllocate(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;  // a zero-size request must still give a unique pointer
  if (void* p = std::malloc(size)) return p;
  throw std::bad_alloc();
}

void* countedAllocateAligned(std::size_t size, std::align_val_t alignment) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  const auto align = static_cast<std::size_t>(alignment);
  // aligned_alloc wants the size to be a multiple of the alignment.
  const std::size_t rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;
  if (void* p = std::aligned_alloc(align, rounded)) return p;
  throw std::bad_alloc();
}

}  // namespace

namespace qel::bench {
std::uint64_t allocationCount() noexcept { return gAllocations.load(std::memory_order_relaxed); }
}  // namespace qel::bench

void* operator new(std::size_t size) { return countedAllocate(size); }
void* operator new[](std::size_t size) { return countedAllocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return countedAllocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return countedAllocateAligned(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
