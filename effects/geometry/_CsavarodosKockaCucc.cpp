// "Csavarodos kockacucc": a column of 1025 thin slices along +z of the current modelview frame,
// four boxes per slice at the corners of a square that grows and shrinks, each slice turned about
// the column axis by a swinging angle, coloured in rainbow bands that fade to white and back.
// Reads only "Cube Size Min" (the largest turn of a box about its own axis); the other fields are
// kept for the demo files.

#include "effects/geometry/_CsavarodosKockaCucc.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/drawpath.h"

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

// One slice's colour, turn about the column axis, thickness, corner offset and box twist, as
// single-precision values handed to GL.
struct Slice {
    GLfloat r, g, b;
    GLfloat turn;
    float w, s, z, a;
};

// z is the running sum of the thicknesses of the slices before this one.
Slice MakeSlice(int i, double k, double z)
{
    constexpr double pi = std::numbers::pi;
    const double t = i / 512.0;
    const double c = std::cos(4 * pi * t);
    const double m = (std::cos(8 * pi * t) + 1) / 2;
    const double sinPt = std::sin(pi * t);
    Slice slice;
    slice.r = static_cast<GLfloat>((1 - m) + m * (std::sin(32 * pi * t) + 1) / 2);
    slice.g = static_cast<GLfloat>((1 - m) + m * (std::sin(32 * pi * (t + 0.333)) + 1) / 2);
    slice.b = static_cast<GLfloat>((1 - m) + m * (std::sin(32 * pi * (t + 0.666)) + 1) / 2);
    slice.turn = static_cast<GLfloat>(540 * c);
    slice.w = static_cast<float>(0.5 - 0.45 * (c + 1) / 2);
    slice.s = static_cast<float>(3 * m);
    slice.z = static_cast<float>(z);
    slice.a = static_cast<float>(sinPt * sinPt * k);
    return slice;
}

double NextZ(int i, double z)
{
    const double c = std::cos(4 * std::numbers::pi * (i / 512.0));
    return z + (0.5 - 0.45 * (c + 1) / 2);
}

constexpr float Corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

void DrawLiteral(double k)
{
    double z = 0.0;
    for (int i = 0; i < Slices; ++i) {
        const Slice sl = MakeSlice(i, k, z);
        glPushMatrix();
        glColor4f(sl.r, sl.g, sl.b, 1);
        glRotatef(sl.turn, 0, 0, 1);
        for (const auto& corner : Corners)
            DrawBox(corner[0] * sl.s, corner[1] * sl.s, sl.z, 0.5f, 0.5f, sl.w, 0, 0, sl.a);
        z = NextZ(i, z);
        glPopMatrix();
    }
}

// The column only changes with "Cube Size Min": it is built once per value.
BoxMesh Mesh;
bool MeshBuilt = false;
double MeshTwist = 0.0;
Slice LastSlice{};

void DrawFast(double k)
{
    if (MeshBuilt && (MeshTwist == k || (k != k && MeshTwist != MeshTwist))) {
        Mesh.Draw();
    } else {
        Mesh.Reserve(Slices * 4, true);
        Mesh.Begin(true, true);
        double z = 0.0;
        for (int i = 0; i < Slices; ++i) {
            const Slice sl = MakeSlice(i, k, z);
            Mesh.SetColour(sl.r, sl.g, sl.b, 1);
            const Matrix4 sliceFrame = RotationMatrix(sl.turn, 0, 0, 1);
            for (const auto& corner : Corners) {
                const Matrix4 box = sliceFrame *
                                    TranslationMatrix(corner[0] * sl.s, corner[1] * sl.s, sl.z) *
                                    RotationMatrix(sl.a, 0, 0, 1);
                Mesh.AddBox(box, 0, 0, 0, 0.25f, 0.25f, sl.w * 0.5f);
            }
            z = NextZ(i, z);
            LastSlice = sl;
        }
        Mesh.End();
        MeshBuilt = true;
        MeshTwist = k;
    }
    glColor4f(LastSlice.r, LastSlice.g, LastSlice.b, 1);
}

// Sets the current colour only (the colour of the last slice is left). Draws with whatever
// depth, lighting, blending and texturing the effects before it left; the modelview is left as
// it was found.
void Render()
{
    if (LiteralDrawing || !DefaultPathExact())
        DrawLiteral(CubeSizeMin);
    else
        DrawFast(CubeSizeMin);
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
