#pragma once

namespace quv {

// Registers the effect type "Fa".
void RegisterFa();

} // namespace quv
