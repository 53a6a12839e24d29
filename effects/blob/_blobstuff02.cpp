// "Blob Stuff 02": not built yet; registered so that demo files naming it load.

#include "effects/blob/_blobstuff02.h"

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

void RegisterBlobStuff02()
{
    RegisterEffect("Blob Stuff 02", &Render, &DefineFields);
}

} // namespace quv
