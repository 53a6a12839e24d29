// "Fa": not built yet; registered so that demo files naming it load.

#include "effects/geometry/_fa.h"

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

void RegisterFa()
{
    RegisterEffect("Fa", &Render, &DefineFields);
}

} // namespace quv
