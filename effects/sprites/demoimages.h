#pragma once
// The demo's images as a whole: the slot list with its TGA files and the star texture, which the
// one-time set-ups load. A player that follows the files on disk loads them again through here.

namespace quv {

// Loads every image from "gfx/" again into new textures and deletes the old ones; problems are
// reported through ShowMessage as at start-up. Needs the GL context the set-ups ran in.
void ReloadDemoImages();

} // namespace quv
