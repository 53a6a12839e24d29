#pragma once
// Test support: counts C++ heap allocations (operator new) while counting is switched on, in
// the build without sanitizers (which bring their own operator new), leaving out those the GL
// driver's libraries make for themselves. Linking this in replaces the global operator new of
// the test binary.

#include <atomic>

namespace quv::test {

// False where the sanitizers own operator new: counts are not taken there.
bool CanCountAllocations();

extern std::atomic<bool> CountingAllocations;
extern std::atomic<long> CountedAllocations;

} // namespace quv::test
