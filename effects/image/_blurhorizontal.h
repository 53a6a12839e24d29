#pragma once

namespace quv {

// Registers the effect type "Blur Horizontal".
void RegisterBlurHorizontal();

} // namespace quv
