#pragma once

namespace quv {

// Registers the effect type "GFX Module 01".
void RegisterGFXModule01();

// Loads the images of "gfx/gfxslots" again, deleting the textures of the last load; needs the GL
// context the one-time set-up ran in.
void ReloadImageSlots();

} // namespace quv
