// Counts the allocations of a test program: linking allocation_tracker.cpp replaces the global
// operator new, so a test can see the largest single allocation made while it tracks.
#pragma once

#include <cstddef>

namespace vodex::test {

// Starts tracking afresh.
void StartTrackingAllocations();
// Stops tracking; returns the largest single allocation seen since the start.
std::size_t StopTrackingAllocations();

}  // namespace vodex::test
