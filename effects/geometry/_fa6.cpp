// "Fa6": not built yet; registered so that demo files naming it load.

#include "effects/geometry/_fa6.h"

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

void RegisterFa6()
{
    RegisterEffect("Fa6", &Render, &DefineFields);
}

} // namespace quv
