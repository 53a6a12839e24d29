// "OpenGL Move": draws nothing; translates the current matrix. Reads "Move X", "Move Y",
// "Move Z".

#include "effects/state/_OpenGLMove.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double MoveX = 0.0;
double MoveY = 0.0;
double MoveZ = 0.0;

// Leaves the current matrix multiplied by the translation (single precision).
void Render()
{
    glTranslatef(static_cast<GLfloat>(MoveX), static_cast<GLfloat>(MoveY),
                 static_cast<GLfloat>(MoveZ));
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Move X", &MoveX, -100, 0, 100)
        .Add("Move Y", &MoveY, -100, 0, 100)
        .Add("Move Z", &MoveZ, -100, 0, 100);
}

} // namespace

void RegisterOpenGLMove()
{
    RegisterEffect("OpenGL Move", &Render, &DefineFields);
}

} // namespace quv
