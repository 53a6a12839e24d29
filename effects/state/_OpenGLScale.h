#pragma once

namespace quv {

// Registers the effect type "OpenGL Scale".
void RegisterOpenGLScale();

} // namespace quv
