// "Kaleido 01": not built yet; registered so that demo files naming it load.

#include "effects/image/_kaleido01.h"

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

void RegisterKaleido01()
{
    RegisterEffect("Kaleido 01", &Render, &DefineFields);
}

} // namespace quv
