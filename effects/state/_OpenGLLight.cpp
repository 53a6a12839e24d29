// "OpenGL Light": not built yet; registered so that demo files naming it load.

#include "effects/state/_OpenGLLight.h"

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

void RegisterOpenGLLight()
{
    RegisterEffect("OpenGL Light", &Render, &DefineFields);
}

} // namespace quv
