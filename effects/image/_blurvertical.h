#pragma once

namespace quv {

// Registers the effect type "Blur Vertical".
void RegisterBlurVertical();

} // namespace quv
