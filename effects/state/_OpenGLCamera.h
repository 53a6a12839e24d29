#pragma once

namespace quv {

// Registers the effect type "OpenGL Camera".
void RegisterOpenGLCamera();

} // namespace quv
