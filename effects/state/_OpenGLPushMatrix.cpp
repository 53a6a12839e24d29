// "OpenGL Push Matrix": not built yet; registered so that demo files naming it load.

#include "effects/state/_OpenGLPushMatrix.h"

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

void RegisterOpenGLPushMatrix()
{
    RegisterEffect("OpenGL Push Matrix", &Render, &DefineFields);
}

} // namespace quv
