// Records the largest block the program allocates through operator new, so a
// test can show that a hostile size never reaches the allocator.
#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> g_largest{0};

void *Allocate(size_t size) {
    size_t seen = g_largest.load();
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
    return malloc(size ? size : 1);
}
} // namespace

namespace net_testing {
void ResetLargestAllocation() {
    g_largest = 0;
}
size_t LargestAllocation() {
    return g_largest;
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
    free(p);
}
void operator delete[](void *p) noexcept {
    free(p);
}
void operator delete(void *p, size_t) noexcept {
    free(p);
}
void operator delete[](void *p, size_t) noexcept {
    free(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    free(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    free(p);
}
