#pragma once

namespace quv {

// Registers the effect type "OpenGL Move".
void RegisterOpenGLMove();

} // namespace quv
