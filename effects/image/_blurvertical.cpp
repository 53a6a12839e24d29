// "Blur Vertical": blurs the picture drawn so far in the frame with three vertical taps weighted
// 1/4, 1/2, 1/4 that move further out with every pass. "Factor" sets the pass count and the cross-
// fade between the last two passes. Reads "Factor" and the view and texture sizes of
// DemoParameters.

#include "effects/image/_blurvertical.h"

#include "effects/image/blurpasses.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/debuglog.h"

namespace quv {

namespace {

double Factor = 0.0;
BlurModule Module;

void CreateTextures()
{
    CreateBlurTextures(Module);
}

// See RenderBlur for the GL state set and left.
void Render()
{
    RenderBlur(Module, Factor);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head).Add("Factor", &Factor, 0, 0, 16);
}

} // namespace

void RegisterBlurVertical()
{
    DebugLog("***blur01");
    Module.taps = BlurTaps::Vertical;
    Module.BlurWeights[0][1] = 0.25f;
    Module.BlurWeights[1][1] = 0.5f;
    Module.BlurWeights[2][1] = 0.25f;
    EffectInitAdd(&CreateTextures);
    RegisterEffect("Blur Vertical", &Render, &DefineFields);
}

} // namespace quv
