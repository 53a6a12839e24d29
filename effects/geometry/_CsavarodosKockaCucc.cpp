// "Csavarodos kockacucc": a column of 1025 thin slices along +z of the current modelview frame,
// four boxes per slice at the corners of a square that grows and shrinks, each slice turned about
// the column axis by a swinging angle, coloured in rainbow bands that fade to white and back.
// Reads only "Cube Size Min" (the largest turn of a box about its own axis); the other fields are
// kept for the demo files.

#include "effects/geometry/_CsavarodosKockaCucc.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "effects/geometry/cubes.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double Wtf = 0.0;
double CubeSizeMin = 0.0;
double CubeSizeMax = 0.0;
double CubeNumber = 0.0;
double AngleY = 0.0;
double AngleZ = 0.0;
double Phase = 0.0;

constexpr int Slices = 1025;

// Sets the current colour only (the colour of the last slice is left). Draws with whatever
// depth, lighting, blending and texturing the effects before it left; every push has its pop.
void Render()
{
    constexpr double pi = std::numbers::pi;
    const double k = CubeSizeMin;
    double z = 0.0;
    for (int i = 0; i < Slices; ++i) {
        const double t = i / 512.0;
        glPushMatrix();
        const double c = std::cos(4 * pi * t);
        const double m = (std::cos(8 * pi * t) + 1) / 2;
        const double r = (1 - m) + m * (std::sin(32 * pi * t) + 1) / 2;
        const double g = (1 - m) + m * (std::sin(32 * pi * (t + 0.333)) + 1) / 2;
        const double b = (1 - m) + m * (std::sin(32 * pi * (t + 0.666)) + 1) / 2;
        glColor4f(static_cast<GLfloat>(r), static_cast<GLfloat>(g), static_cast<GLfloat>(b), 1);
        glRotatef(static_cast<GLfloat>(540 * c), 0, 0, 1);
        const double w = 0.5 - 0.45 * (c + 1) / 2;
        const double s = 3 * m;
        const double sinPt = std::sin(pi * t);
        const float a = static_cast<float>(sinPt * sinPt * k);
        const float fs = static_cast<float>(s);
        const float fz = static_cast<float>(z);
        const float fw = static_cast<float>(w);
        DrawBox(-fs, -fs, fz, 0.5f, 0.5f, fw, 0, 0, a);
        DrawBox(fs, -fs, fz, 0.5f, 0.5f, fw, 0, 0, a);
        DrawBox(fs, fs, fz, 0.5f, 0.5f, fw, 0, 0, a);
        DrawBox(-fs, fs, fz, 0.5f, 0.5f, fw, 0, 0, a);
        z += w;
        glPopMatrix();
    }
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("wtf", &Wtf, 0, 0, 100)
        .Add("Cube Size Min", &CubeSizeMin, 0, 0, 100)
        .Add("Cube Size Max", &CubeSizeMax, 0, 1, 100)
        .Add("Cube Number", &CubeNumber, 0, 0, 10000)
        .Add("Angle Y", &AngleY, -360, 0, 360)
        .Add("Angle Z", &AngleZ, -360, 0, 360)
        .Add("Phase", &Phase, -1, 0, 1);
}

} // namespace

void RegisterCsavarodosKockaCucc()
{
    RegisterEffect("Csavarodos kockacucc", &Render, &DefineFields);
}

} // namespace quv
