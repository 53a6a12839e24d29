#pragma once
// Test support: a demo that places one instance of every registered effect type, one after the
// other in registration order, each field keyed to its declared default.

#include "tests/support/demobytes.h"

namespace quv::test {

// Every type from startMs to endMs; fields hold their defaults, the first field of each type
// rises linearly by `ramp` over the range so that values change from frame to frame.
DemoBytes EveryEffectDemo(double startMs, double endMs, double ramp = 0.0);

} // namespace quv::test
