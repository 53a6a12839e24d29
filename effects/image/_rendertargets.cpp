// The render-target pool: eight linear-filtered textures whose images each copy redefines.

#include "effects/image/_rendertargets.h"

#include "engine/_effectinit.h"

namespace quv {

uint32_t RenderTargets[RenderTargetCount] = {};

namespace {

void CreateRenderTargets()
{
}

} // namespace

void RegisterRenderTargets()
{
    EffectInitAdd(&CreateRenderTargets);
}

} // namespace quv
