#pragma once
// The screen-space set-up and the full-view quad shared by the copy, show, blur, colour-fade
// and noise effects. One unit of the orthographic space is one pixel of the 4:3 view, with the
// origin at its lower-left corner. Nothing is pushed or restored.

namespace quv {

// Projection: identity and glOrtho(0, ViewWidth, 0, ViewHeight, -1, 1); then the modelview
// matrix selected and set to the identity.
void SetViewOrtho();

// The 4:3 view as the viewport, then the identity modelview again.
void SetViewViewport();

// Texture coordinates of the copied view's upper-right corner: ViewWidth / TextureWidth and
// ViewHeight / TextureHeight (0 before the first resize, when the texture size is still 0).
float ViewSMax();
float ViewTMax();

// GL_QUADS over the whole view at z = 0, texture coordinates selecting the copied view inside
// its power-of-two texture: s up to ViewWidth / TextureWidth, t up to ViewHeight /
// TextureHeight.
void DrawFullViewQuad();

// GL_QUADS from (0, 0) to (width, height) at z = 0, with texture coordinates from (0, 0) to
// (sMax, tMax), corners in counter-clockwise order from the lower left.
void DrawTexturedQuad(float width, float height, float sMax, float tMax);

} // namespace quv
