#pragma once

namespace quv {

// Registers the effect type "Csavarodos kockacucc".
void RegisterCsavarodosKockaCucc();

} // namespace quv
