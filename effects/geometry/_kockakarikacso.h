#pragma once

namespace quv {

// Registers the effect type "Kocka Karika Cso".
void RegisterKockaKarikaCso();

} // namespace quv
