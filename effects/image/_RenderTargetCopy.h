#pragma once

namespace quv {

// Registers the effect type "RenderTarget Copy".
void RegisterRenderTargetCopy();

} // namespace quv
