#include "allocation_tracker.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gTracking{false};
std::atomic<std::size_t> gLargest{0};

void Note(std::size_t n) {
    if (!gTracking.load(std::memory_order_relaxed)) return;
    std::size_t seen = gLargest.load(std::memory_order_relaxed);
    while (n > seen && !gLargest.compare_exchange_weak(seen, n)) {
    }
}

}  // namespace

void* operator new(std::size_t n) {
    Note(n);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace vodex::test {

void StartTrackingAllocations() {
    gLargest = 0;
    gTracking = true;
}

std::size_t StopTrackingAllocations() {
    gTracking = false;
    return gLargest;
}

}  // namespace vodex::test
