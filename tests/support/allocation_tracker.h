// Counts the allocations of a test program: linking allocation_tracker.cpp replaces the global
// operator new, so a test can see the largest single allocation, and the most memory held at
// once, while it tracks.
#pragma once

#include <cstddef>

namespace vodex::test {

// Starts tracking afresh.
void StartTrackingAllocations();
// Stops tracking; returns the largest single allocation seen since the start.
std::size_t StopTrackingAllocations();
// The most bytes that allocations made since the start held at one time (what was held
// before the start does not count). Valid after StopTrackingAllocations.
std::size_t PeakAllocatedBytes();

}  // namespace vodex::test
