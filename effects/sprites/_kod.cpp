// "Csillagkod": not built yet; registered so that demo files naming it load.

#include "effects/sprites/_kod.h"

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

void RegisterCsillagkod()
{
    RegisterEffect("Csillagkod", &Render, &DefineFields);
}

} // namespace quv
