#pragma once

namespace quv {

// Registers the effect type "Blur 01".
void RegisterBlur01();

} // namespace quv
