#include "effects/sprites/demoimages.h"

#include "effects/sprites/_GFX_Module_01.h"
#include "effects/sprites/_kod.h"

namespace quv {

void ReloadDemoImages()
{
    // In registration order, as the one-time set-ups ran.
    ReloadStarTexture();
    ReloadImageSlots();
}

} // namespace quv
