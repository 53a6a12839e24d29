// "OpenGL Scale": draws nothing; scales the current matrix uniformly. Reads "Scale factor"; a
// negative factor acts as the reciprocal of its magnitude.

#include "effects/state/_OpenGLScale.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double ScaleFactor = 0.0;

// Sets GL_NORMALIZE on (it stays on until a Clear) and leaves the current matrix scaled.
void Render()
{
    glEnable(GL_NORMALIZE);
    const double s = ScaleFactor;
    if (s >= 0) {
        glScaled(s, s, s);
    } else {
        const GLfloat t = static_cast<GLfloat>(-1.0 / s);
        glScalef(t, t, t);
    }
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head).Add("Scale factor", &ScaleFactor, 0, 1, 2);
}

} // namespace

void RegisterOpenGLScale()
{
    RegisterEffect("OpenGL Scale", &Render, &DefineFields);
}

} // namespace quv
