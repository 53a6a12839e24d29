#pragma once

namespace quv {

// Registers the effect type "RGB Noise".
void RegisterRGBNoise();

} // namespace quv
