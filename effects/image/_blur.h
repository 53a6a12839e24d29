#pragma once

namespace quv {

// Registers the effect type "Blur".
void RegisterBlur();

} // namespace quv
