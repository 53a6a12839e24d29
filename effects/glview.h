#pragma once
// The view set-up shared by the player's window, the headless renderer and the effects that
// reset the projection (Clear, FOV).

#include <cstdint>

namespace quv {

// Takes a new client size: updates the screen size, the letterboxed or pillarboxed 4:3 view and
// the power-of-two texture size in DemoParameters. A 0 x 0 area gives a 0 x 0 view and 1 x 1
// textures.
void ResizeGlScene(int32_t width, int32_t height);

// Viewport, a perspective projection of vertical angle fov with aspect DemoParameters.Aspect
// (near 1, far 1250), identity modelview, and the 4:3 view as the viewport that stays.
void SetPerspective(int32_t width, int32_t height, float fov);

// Base GL state: smooth shading, black clear, depth test LEQUAL, light 1, colour material.
bool InitGl();

// What "OpenGL Clear" draws, with the colour given: the base state a scene starts from, colour
// and depth cleared, the 90-degree perspective with identity modelview, lights 0-7 off. The
// player and the renderer clear their black frames around the demo with it.
void ClearScene(double red, double green, double blue, double alpha);

// The opaque black frames the player shows before the demo and after it, and that the renderer
// draws before its first frame so that the GL state is the player's. present(frame) shows each.
constexpr int BlackFrameCount = 4;
void DrawBlackFrames(void (*present)(int frame));

// The scene set-up of a new GL context: the demo's 4:3 aspect, the view for the given size, the
// base GL state, then every module's one-time GL set-up (EffectInit). False when the base
// state cannot be set.
bool SetUpScene(int32_t width, int32_t height);

} // namespace quv
