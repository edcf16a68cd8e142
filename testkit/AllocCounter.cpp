// Global operator new and delete replaced for the whole process that links
// this (on Linux the plugin library and the SDK layer included; a Windows
// DLL keeps its own): every allocation is counted, so a frame that allocates
// shows it.
#include "testkit/AllocCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace testkit {
std::atomic<std::uint64_t> allocations{0};
}

namespace {
void* allocate(std::size_t n) {
    testkit::allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// Over-aligned blocks from malloc, with the block's own start kept just
// before the address handed out: not every C library has aligned_alloc
// (MinGW's has not).
void* allocateAligned(std::size_t n, std::align_val_t a) {
    testkit::allocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t align = static_cast<std::size_t>(a);
    void* block = std::malloc(n + align + sizeof(void*));
    if (!block) throw std::bad_alloc();
    void* aligned = static_cast<char*>(block) + sizeof(void*);
    std::size_t room = n + align;
    std::align(align, n, aligned, room);  // there is room for any alignment
    static_cast<void**>(aligned)[-1] = block;
    return aligned;
}
void freeAligned(void* p) noexcept {
    if (p) std::free(static_cast<void**>(p)[-1]);
}
}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    testkit::allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    testkit::allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}
void* operator new(std::size_t n, std::align_val_t a) { return allocateAligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateAligned(n, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
