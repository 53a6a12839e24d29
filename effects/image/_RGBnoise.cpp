// "RGB Noise": not built yet; registered so that demo files naming it load.

#include "effects/image/_RGBnoise.h"

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

void RegisterRGBNoise()
{
    RegisterEffect("RGB Noise", &Render, &DefineFields);
}

} // namespace quv
