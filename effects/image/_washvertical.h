#pragma once

namespace quv {

// Registers the effect type "Wash Vertical".
void RegisterWashVertical();

} // namespace quv
