#pragma once

namespace quv {

// Registers the effect type "OpenGL Scale XYZ".
void RegisterOpenGLScaleXYZ();

} // namespace quv
