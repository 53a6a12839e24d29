#pragma once

namespace quv {

// Registers the effect type "Csillagkod".
void RegisterCsillagkod();

// Loads "gfx/stars1.tga" again, deleting the texture of the last load; needs the GL context the
// one-time set-up ran in.
void ReloadStarTexture();

} // namespace quv
