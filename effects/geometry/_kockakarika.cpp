// "Kocka Karika": not built yet; registered so that demo files naming it load.

#include "effects/geometry/_kockakarika.h"

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

void RegisterKockaKarika()
{
    RegisterEffect("Kocka Karika", &Render, &DefineFields);
}

} // namespace quv
