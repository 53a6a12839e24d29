// "OpenGL Rotate": draws nothing; turns the current matrix about x, then y, then z. Reads
// "Rotate X", "Rotate Y", "Rotate Z" (degrees).

#include "effects/state/_OpenGLRotate.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double RotateX = 0.0;
double RotateY = 0.0;
double RotateZ = 0.0;

// Leaves the current matrix multiplied by Rx * Ry * Rz (double precision): later geometry turns
// about its own z first, then y, then x.
void Render()
{
    glRotated(RotateX, 1, 0, 0);
    glRotated(RotateY, 0, 1, 0);
    glRotated(RotateZ, 0, 0, 1);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Rotate X", &RotateX, -360, 0, 360)
        .Add("Rotate Y", &RotateY, -360, 0, 360)
        .Add("Rotate Z", &RotateZ, -360, 0, 360);
}

} // namespace

void RegisterOpenGLRotate()
{
    RegisterEffect("OpenGL Rotate", &Render, &DefineFields);
}

} // namespace quv
