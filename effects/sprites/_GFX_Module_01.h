#pragma once

namespace quv {

// Registers the effect type "GFX Module 01".
void RegisterGFXModule01();

} // namespace quv
