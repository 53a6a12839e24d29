#pragma once

namespace quv {

// Registers the effect type "Kocka Karika".
void RegisterKockaKarika();

} // namespace quv
