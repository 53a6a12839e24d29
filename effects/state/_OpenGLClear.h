#pragma once

namespace quv {

// Registers the effect type "OpenGL Clear".
void RegisterOpenGLClear();

// The Play sequence and the headless renderer clear with these directly around the demo: they
// set the four colour variables and call the effect's Render.
void SetClearColor(double red, double green, double blue, double alpha);
void RenderOpenGLClear();

} // namespace quv
