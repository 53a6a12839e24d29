// "OpenGL Light": draws nothing; switches one of the eight fixed-function lights on, with a
// position and ambient and diffuse colours, or off. Reads "Light Number", "Enabled" and the
// twelve vector elements, which the fields write in place.

#include "effects/state/_OpenGLLight.h"

#include <GL/gl.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/numeric.h"

namespace quv {

namespace {

double LightNumber = 0.0;
double Enabled = 0.0;

// Element 3 of the position (w) has no field and stays 1: the light is always positional.
double Position[4] = {50.0, 50.0, -50.0, 1.0};
double Ambient[4] = {0.0, 0.0, 0.0, 0.0};
double Diffuse[4] = {0.2, 0.2, 0.2, 0.2};

GLfloat PositionF[4] = {50.0f, 50.0f, -50.0f, 1.0f};
GLfloat AmbientF[4] = {0.0f, 0.0f, 0.0f, 0.0f};
GLfloat DiffuseF[4] = {0.2f, 0.2f, 0.2f, 0.2f};

// Sets GL_LIGHTING on in every case, then the chosen light on (position, ambient, diffuse) or off.
// The position is taken through the modelview current now, so the light sits where the transforms
// before it in the frame put it. A light number outside 0-7 names no light: only GL_LIGHTING is
// switched on and no light is touched.
void Render()
{
    glEnable(GL_LIGHTING);
    const int32_t n = TruncInt(LightNumber);
    if (n < 0 || n > 7)
        return;
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(n);
    if (TruncInt(Enabled) == 1) {
        for (int i = 0; i < 4; ++i) {
            PositionF[i] = static_cast<GLfloat>(Position[i]);
            AmbientF[i] = static_cast<GLfloat>(Ambient[i]);
            DiffuseF[i] = static_cast<GLfloat>(Diffuse[i]);
        }
        glEnable(light);
        glLightfv(light, GL_POSITION, PositionF);
        glLightfv(light, GL_AMBIENT, AmbientF);
        glLightfv(light, GL_DIFFUSE, DiffuseF);
    } else {
        glDisable(light);
    }
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Light Number", &LightNumber, 0, 0, 7)
        .Add("Enabled", &Enabled, 0, 1, 1)
        .Add("Pos X", &Position[0], -16, 0, 16)
        .Add("Pos Y", &Position[1], -16, 0, 16)
        .Add("Pos Z", &Position[2], -16, 0, 16)
        .Add("Ambient R", &Ambient[0], 0, 0, 1)
        .Add("Ambient G", &Ambient[1], 0, 0, 1)
        .Add("Ambient B", &Ambient[2], 0, 0, 1)
        .Add("Ambient A", &Ambient[3], 0, 0, 1)
        .Add("Diffuse R", &Diffuse[0], 0, 0.5, 1)
        .Add("Diffuse G", &Diffuse[1], 0, 0.5, 1)
        .Add("Diffuse B", &Diffuse[2], 0, 0.5, 1)
        .Add("Diffuse A", &Diffuse[3], 0, 1, 1);
}

} // namespace

void RegisterOpenGLLight()
{
    RegisterEffect("OpenGL Light", &Render, &DefineFields);
}

} // namespace quv
