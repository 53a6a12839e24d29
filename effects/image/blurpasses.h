#pragma once
// The algorithm the five blur effects share: grab the view, shrink it to half size, run
// trunc(F) additive multi-tap passes that ping-pong between two half-size textures, and draw a
// cross-fade of the last two results over the view, F = sqrt(Factor / 640 x ViewWidth). The
// effects differ only in where a pass places its taps and how it weights them. Each module owns
// one BlurModule (its own three textures and tables); nothing is shared between them.

#include <cstdint>

namespace quv {

enum class BlurTaps {
    Spread3x3,  // nine taps; the outer ones one pixel off and stretched outward by the pass
    Moving3x3,  // nine taps moved by (i + 1) in their direction in pass i
    Horizontal, // three taps b = -1, 0, +1, moved horizontally
    Vertical,   // three taps a = -1, 0, +1, moved vertically
};

struct BlurModule {
    BlurTaps taps = BlurTaps::Moving3x3;
    uint32_t ScreenTexture = 0;
    uint32_t BlurTexture[2] = {};
    // [a + 1][b + 1]: row is the vertical offset a, column the horizontal offset b. The
    // one-dimensional effects use the middle row (Horizontal) or column (Vertical).
    float BlurWeights[3][3] = {};
    // (L, R) for the offsets -1, 0, +1; only the Spread3x3 taps read it.
    float BlurSpread[3][2] = {};
};

// One-time set-up: creates ScreenTexture, BlurTexture[0] and BlurTexture[1] (linear filters,
// modulate) and logs their names.
void CreateBlurTextures(BlurModule& module);

// The whole effect. A negative or NaN factor draws as 0, one above BlurFactorCap (infinity
// included) as the cap. Stores F back into factor.
void RenderBlur(BlurModule& module, double& factor);

} // namespace quv
