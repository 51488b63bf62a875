// Memory running out, on demand: a test binary that links failing_allocation.cpp has its global
// operator new and delete replaced, and can make allocations of chosen sizes fail.
#pragma once

#include <cstddef>
#include <limits>
#include <thread>

namespace testing_support {

// From now on, allocations of at least `smallest` and at most `largest` bytes throw
// std::bad_alloc, except the first `spared` of them; on every thread, or on `thread` alone.
void failAllocations(std::size_t smallest,
                     std::size_t largest = std::numeric_limits<std::size_t>::max(), int spared = 0,
                     std::thread::id thread = {});
// Every allocation succeeds again.
void stopFailingAllocations();
// Allocations refused since the last failAllocations.
int refusedAllocations();

}  // namespace testing_support
