// "Kocka Karika Cso": not built yet; registered so that demo files naming it load.

#include "effects/geometry/_kockakarikacso.h"

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

void RegisterKockaKarikaCso()
{
    RegisterEffect("Kocka Karika Cso", &Render, &DefineFields);
}

} // namespace quv
