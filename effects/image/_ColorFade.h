#pragma once

namespace quv {

// Registers the effect type "Color Fade".
void RegisterColorFade();

} // namespace quv
