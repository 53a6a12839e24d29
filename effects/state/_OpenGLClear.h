#pragma once

namespace quv {

// Registers the effect type "OpenGL Clear".
void RegisterOpenGLClear();

} // namespace quv
