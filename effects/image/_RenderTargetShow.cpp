// "RenderTarget Show": not built yet; registered so that demo files naming it load.

#include "effects/image/_RenderTargetShow.h"

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

void RegisterRenderTargetShow()
{
    RegisterEffect("RenderTarget Show", &Render, &DefineFields);
}

} // namespace quv
