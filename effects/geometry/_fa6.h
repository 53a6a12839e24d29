#pragma once

namespace quv {

// Registers the effect type "Fa6".
void RegisterFa6();

} // namespace quv
