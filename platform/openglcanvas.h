#pragma once
// The GL view: the 4:3 viewport inside the window, the perspective set-up used by the Clear and
// FOV effects and the base GL state. The window itself (SDL) is opened by the player.

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

} // namespace quv
