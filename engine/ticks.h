#pragma once
// The millisecond tick count that noise effects seed from. Playback reads the real clock; the
// headless renderer pins it to each frame's time so renders are reproducible.

#include <cstdint>

namespace quv {

uint32_t TickCount();

// Pins TickCount to a value until ReleaseTickCount.
void PinTickCount(uint32_t ticks);
void ReleaseTickCount();

} // namespace quv
