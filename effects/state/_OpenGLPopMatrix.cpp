// "OpenGL Pop Matrix": draws nothing; pops the current matrix mode's stack. Its "Matrix"
// field is kept for the demo files but not read: the effect always acts on the current stack.

#include "effects/state/_OpenGLPopMatrix.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double Matrix = 0.0;

// Pops the current stack. Nothing pairs pushes with pops or checks the depth; an overflow or
// underflow is ignored by GL.
void Render()
{
    glPopMatrix();
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head).Add("Matrix", &Matrix, 0, 0, 1);
}

} // namespace

void RegisterOpenGLPopMatrix()
{
    RegisterEffect("OpenGL Pop Matrix", &Render, &DefineFields);
}

} // namespace quv
