// "Blur": blurs the picture drawn so far in the frame with a 3 x 3 tap pattern whose outer taps
// stretch outward by one pixel per pass. "Factor" sets the pass count and the cross-fade between
// the last two passes. Reads "Factor" and the view and texture sizes of DemoParameters.

#include "effects/image/_blur.h"

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

double* BlurFactorVariable()
{
    return &Factor;
}

void RegisterBlur()
{
    DebugLog("***blur");
    Module.taps = BlurTaps::Spread3x3;
    Module.BlurWeights[0][0] = 0.05f;
    Module.BlurWeights[0][1] = 0.15f;
    Module.BlurWeights[0][2] = 0.05f;
    Module.BlurWeights[1][0] = 0.15f;
    Module.BlurWeights[1][1] = 0.2f;
    Module.BlurWeights[1][2] = 0.15f;
    Module.BlurWeights[2][0] = 0.05f;
    Module.BlurWeights[2][1] = 0.15f;
    Module.BlurWeights[2][2] = 0.05f;
    // (L, R) for the offsets -1, 0, +1: an outer tap keeps its near edge one pixel off and
    // stretches its far edge by the pass number.
    Module.BlurSpread[0][0] = 1.0f;
    Module.BlurSpread[0][1] = 0.0f;
    Module.BlurSpread[1][0] = 1.0f;
    Module.BlurSpread[1][1] = 1.0f;
    Module.BlurSpread[2][0] = 0.0f;
    Module.BlurSpread[2][1] = 1.0f;
    EffectInitAdd(&CreateTextures);
    RegisterEffect("Blur", &Render, &DefineFields);
}

} // namespace quv
