#pragma once

namespace quv {

// Registers the effect type "OpenGL Light".
void RegisterOpenGLLight();

} // namespace quv
