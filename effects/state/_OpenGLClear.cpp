// "OpenGL Clear": clears colour and depth to a keyframed colour and puts back the base state the
// other effects expect at the start of a scene.

#include "effects/state/_OpenGLClear.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "platform/_DemoParameters.h"
#include "platform/openglcanvas.h"

namespace quv {

namespace {

double Red = 0.0;
double Green = 0.0;
double Blue = 0.0;
double Alpha = 0.0;

constexpr GLfloat GlobalAmbient[4] = {0.0f, 0.0f, 0.0f, 0.0f};

// Sets: smooth shading, clear colour and depth, depth test LEQUAL, perspective hint, colour
// material (ambient and diffuse, both faces), global ambient black, lights 0-7 off, normalize off.
// Leaves: modelview selected with identity, the 90-degree perspective, the 4:3 viewport.
// Untouched: lighting, blending, texturing, culling, the bound texture, the current colour.
void Render()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(static_cast<GLfloat>(Red), static_cast<GLfloat>(Green), static_cast<GLfloat>(Blue),
                 static_cast<GLfloat>(Alpha));
    glClearDepth(1000.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    SetPerspective(DemoParameters.ScreenWidth, DemoParameters.ScreenHeight, 90.0f);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, GlobalAmbient);
    for (GLenum light = GL_LIGHT0; light <= GL_LIGHT7; ++light)
        glDisable(light);
    glDisable(GL_NORMALIZE);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Red", &Red, 0, 0, 1)
        .Add("Green", &Green, 0, 0, 1)
        .Add("Blue", &Blue, 0, 0, 1)
        .Add("Alpha", &Alpha, 0, 0, 1);
}

} // namespace

void SetClearColor(double red, double green, double blue, double alpha)
{
    Red = red;
    Green = green;
    Blue = blue;
    Alpha = alpha;
}

void RenderOpenGLClear()
{
    Render();
}

void RegisterOpenGLClear()
{
    RegisterEffect("OpenGL Clear", &Render, &DefineFields);
}

} // namespace quv
