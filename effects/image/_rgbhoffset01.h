#pragma once

namespace quv {

// Registers the effect type "RGB Horizontal Offset 01".
void RegisterRGBHorizontalOffset01();

} // namespace quv
