#pragma once

namespace quv {

// Registers the effect type "Blob Stuff 02".
void RegisterBlobStuff02();

} // namespace quv
