// Records the largest block the program allocates through operator new, so a
// test can show that a hostile size never reaches the allocator, and the most
// bytes held at once, so a load test can show memory stays bounded.
#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_held{0}, g_peak{0};

void Raise(std::atomic<size_t> &mark, size_t value) {
    size_t seen = mark.load();
    while (value > seen && !mark.compare_exchange_weak(seen, value)) {
    }
}

void *Allocate(size_t size) {
    Raise(g_largest, size);
    void *p = malloc(size ? size : 1);
    if (p) Raise(g_peak, g_held += malloc_usable_size(p));
    return p;
}

void Free(void *p) {
    if (p) g_held -= malloc_usable_size(p);
    free(p);
}
} // namespace

namespace net_testing {
void ResetLargestAllocation() {
    g_largest = 0;
    g_peak = g_held.load();
}
size_t LargestAllocation() {
    return g_largest;
}
size_t PeakHeldBytes() {
    return g_peak;
}
} // namespace net_testing

void *operator new(size_t size) {
    if (void *p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void *operator new[](size_t size) {
    return operator new(size);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept {
    return Allocate(size);
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept {
    return Allocate(size);
}
void operator delete(void *p) noexcept {
    Free(p);
}
void operator delete[](void *p) noexcept {
    Free(p);
}
void operator delete(void *p, size_t) noexcept {
    Free(p);
}
void operator delete[](void *p, size_t) noexcept {
    Free(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    Free(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    Free(p);
}
