// "OpenGL Scale XYZ": not built yet; registered so that demo files naming it load.

#include "effects/state/_OpenGLScaleXYZ.h"

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

void RegisterOpenGLScaleXYZ()
{
    RegisterEffect("OpenGL Scale XYZ", &Render, &DefineFields);
}

} // namespace quv
