#include "allocation_tracker.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gTracking{false};
std::atomic<std::size_t> gLargest{0};
// Bytes held by allocations made since tracking last started (and not freed since), and their
// peak. Each block starts with a header that says how many bytes were counted for it and in
// which tracking period, so a block of an earlier period counts nothing off.
std::atomic<std::size_t> gHeld{0};
std::atomic<std::size_t> gPeak{0};
std::atomic<std::size_t> gPeriod{0};

struct Header {
    std::size_t counted;
    std::size_t period;
};
constexpr std::size_t kHeader = alignof(std::max_align_t);
static_assert(sizeof(Header) <= kHeader);

void Raise(std::atomic<std::size_t>& value, std::size_t n) {
    std::size_t seen = value.load(std::memory_order_relaxed);
    while (n > seen && !value.compare_exchange_weak(seen, n)) {
    }
}

}  // namespace

void* operator new(std::size_t n) {
    const bool tracking = gTracking.load(std::memory_order_relaxed);
    if (tracking) Raise(gLargest, n);
    auto* block = static_cast<unsigned char*>(std::malloc(n + kHeader));
    if (!block) throw std::bad_alloc();
    const std::size_t counted = tracking ? n : 0;
    *reinterpret_cast<Header*>(block) = {counted, gPeriod.load(std::memory_order_relaxed)};
    if (counted) Raise(gPeak, gHeld.fetch_add(counted) + counted);
    return block + kHeader;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    const Header header = *reinterpret_cast<Header*>(block);
    if (header.counted && header.period == gPeriod.load(std::memory_order_relaxed)) {
        gHeld -= header.counted;
    }
    std::free(block);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace vodex::test {

void StartTrackingAllocations() {
    ++gPeriod;
    gLargest = 0;
    gHeld = 0;
    gPeak = 0;
    gTracking = true;
}

std::size_t StopTrackingAllocations() {
    gTracking = false;
    return gLargest;
}

std::size_t PeakAllocatedBytes() {
    return gPeak;
}

}  // namespace vodex::test
