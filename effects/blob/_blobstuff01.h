#pragma once

namespace quv {

// Registers the effect type "Blob Stuff 01".
void RegisterBlobStuff01();

} // namespace quv
