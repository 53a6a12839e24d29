// "GFX Module 01": not built yet; registered so that demo files naming it load.

#include "effects/sprites/_GFX_Module_01.h"

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

void RegisterGFXModule01()
{
    RegisterEffect("GFX Module 01", &Render, &DefineFields);
}

} // namespace quv
