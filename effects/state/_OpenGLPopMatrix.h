#pragma once

namespace quv {

// Registers the effect type "OpenGL Pop Matrix".
void RegisterOpenGLPopMatrix();

} // namespace quv
