#pragma once

namespace quv {

// Registers the effect type "OpenGL FOV".
void RegisterOpenGLFOV();

} // namespace quv
