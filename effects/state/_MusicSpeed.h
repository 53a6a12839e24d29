#pragma once

namespace quv {

// Registers the effect type "Music Speed".
void RegisterMusicSpeed();

} // namespace quv
