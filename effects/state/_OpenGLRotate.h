#pragma once

namespace quv {

// Registers the effect type "OpenGL Rotate".
void RegisterOpenGLRotate();

} // namespace quv
