#include "support/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || __has_feature(address_sanitizer) || \
    __has_feature(thread_sanitizer)
#define LUMO_COUNT_ALLOCATIONS 0
#else
#define LUMO_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<std::size_t> g_allocations{0};
}

namespace lumo::testing {
bool allocation_counting_enabled() { return LUMO_COUNT_ALLOCATIONS != 0; }
std::size_t allocation_count() { return g_allocations.load(std::memory_order_relaxed); }
}  // namespace lumo::testing

#if LUMO_COUNT_ALLOCATIONS
// Replacing the global operators counts every C++ allocation of the process, on any thread.
namespace {
void* counted_allocation(std::size_t size, std::size_t alignment) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    void* p = alignment <= alignof(std::max_align_t)
                  ? std::malloc(size)
                  : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(std::size_t size) { return counted_allocation(size, 0); }
void* operator new[](std::size_t size) { return counted_allocation(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) {
    return counted_allocation(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return counted_allocation(size, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif
