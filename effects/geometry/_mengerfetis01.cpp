// "MengerF\xE9tis 01": not built yet; registered so that demo files naming it load.

#include "effects/geometry/_mengerfetis01.h"

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

void RegisterMengerFetis01()
{
    RegisterEffect("MengerF\xE9tis 01", &Render, &DefineFields);
}

} // namespace quv
