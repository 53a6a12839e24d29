// The render-target pool: eight linear-filtered textures whose images each copy redefines.
// The textures get no image here; the first copy into an entry defines it.

#include "effects/image/_rendertargets.h"

#include <GL/gl.h>

#include "engine/_effectinit.h"
#include "engine/numeric.h"

namespace quv {

uint32_t RenderTargets[RenderTargetCount] = {};

namespace {

// Leaves the last pool texture bound; GL_TEXTURE_2D enabling is not touched.
void CreateRenderTargets()
{
    for (uint32_t& name : RenderTargets) {
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
}

} // namespace

bool IsRenderTargetIndex(double fieldValue)
{
    const int32_t index = TruncInt(fieldValue);
    return index >= 0 && index < RenderTargetCount;
}

uint32_t RenderTargetName(double fieldValue)
{
    return IsRenderTargetIndex(fieldValue) ? RenderTargets[TruncInt(fieldValue)] : 0;
}

void RegisterRenderTargets()
{
    EffectInitAdd(&CreateRenderTargets);
}

} // namespace quv
