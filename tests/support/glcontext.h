#pragma once
// Test support: a headless GL context with the player's start-up state, and frame read-back.

#include <cstdint>
#include <vector>

#include "platform/eglcontext.h"

namespace quv::test {

struct Rgba {
    uint8_t r, g, b, a;
};

// Runs the module start-up and opens a width x height headless context with the window's
// parameters (SetUpScene), as the player does before a demo.
class GlScene {
public:
    GlScene(int32_t width = 64, int32_t height = 48);
    Rgba Pixel(int32_t x, int32_t y); // x, y from the bottom-left, like GL
    std::vector<uint8_t> Frame();     // RGBA, top row first
    HeadlessContext context;
};

} // namespace quv::test
