#pragma once

namespace quv {

// Registers the effect type "OpenGL Push Matrix".
void RegisterOpenGLPushMatrix();

} // namespace quv
