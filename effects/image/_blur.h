#pragma once

namespace quv {

// Registers the effect type "Blur".
void RegisterBlur();

// The "Factor" variable of "Blur". "RGB Noise" writes its two scale fields into it and reads it
// as its noise scale; after a "Blur" Render it holds F, not the field value.
double* BlurFactorVariable();

} // namespace quv
