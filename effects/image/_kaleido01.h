#pragma once

namespace quv {

// Registers the effect type "Kaleido 01".
void RegisterKaleido01();

} // namespace quv
