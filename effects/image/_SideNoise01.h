#pragma once

namespace quv {

// Registers the effect type "Side Noise 01".
void RegisterSideNoise01();

} // namespace quv
