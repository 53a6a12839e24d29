// "OpenGL Scale XYZ": draws nothing; scales the current matrix per axis. Reads "Scale X",
// "Scale Y", "Scale Z".

#include "effects/state/_OpenGLScaleXYZ.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double ScaleX = 0.0;
double ScaleY = 0.0;
double ScaleZ = 0.0;

// Sets GL_NORMALIZE on (it stays on until a Clear) and leaves the current matrix scaled.
void Render()
{
    glEnable(GL_NORMALIZE);
    glScaled(ScaleX, ScaleY, ScaleZ);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Scale X", &ScaleX, 0, 1, 2)
        .Add("Scale Y", &ScaleY, 0, 1, 2)
        .Add("Scale Z", &ScaleZ, 0, 1, 2);
}

} // namespace

void RegisterOpenGLScaleXYZ()
{
    RegisterEffect("OpenGL Scale XYZ", &Render, &DefineFields);
}

} // namespace quv
