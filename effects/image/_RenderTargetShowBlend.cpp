// "RenderTarget Show with Blend": not built yet; registered so that demo files naming it load.

#include "effects/image/_RenderTargetShowBlend.h"

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

void Render()
{
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder fields(head);
}

} // namespace

void RegisterRenderTargetShowBlend()
{
    RegisterEffect("RenderTarget Show with Blend", &Render, &DefineFields);
}

} // namespace quv
