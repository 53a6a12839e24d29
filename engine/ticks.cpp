#include "engine/ticks.h"

#include <chrono>

namespace quv {

namespace {
bool pinned = false;
uint32_t pinnedTicks = 0;
const auto startTime = std::chrono::steady_clock::now();
} // namespace

uint32_t TickCount()
{
    if (pinned)
        return pinnedTicks;
    const auto elapsed = std::chrono::steady_clock::now() - startTime;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void PinTickCount(uint32_t ticks)
{
    pinned = true;
    pinnedTicks = ticks;
}

void ReleaseTickCount()
{
    pinned = false;
}

} // namespace quv
