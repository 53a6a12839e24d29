// "OpenGL Pop Matrix": not built yet; registered so that demo files naming it load.

#include "effects/state/_OpenGLPopMatrix.h"

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

void RegisterOpenGLPopMatrix()
{
    RegisterEffect("OpenGL Pop Matrix", &Render, &DefineFields);
}

} // namespace quv
