// "OpenGL Scale": not built yet; registered so that demo files naming it load.

#include "effects/state/_OpenGLScale.h"

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

void RegisterOpenGLScale()
{
    RegisterEffect("OpenGL Scale", &Render, &DefineFields);
}

} // namespace quv
