// "Blob Stuff 02": six charges moving along a closed curve in three pairs, and a 33 x 33 x 33
// lattice of coloured lit cubes outlining a fixed band of their field; by chance one cube in ten
// is a first-level Menger cell instead. Two white lights ride on the first pair of charges. Sets
// its own camera on the same curve. Reads only "Phase" (time along the paths); the other fields
// are stored but change nothing.

#include "effects/blob/_blobstuff02.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "effects/blob/blobpath.h"
#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "engine/drawpath.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/random.h"

namespace quv {

namespace {

double Phase = 0.0;
double BlobCamera = 0.0;
double CubeSizeMax = 0.0;
double CubeNumber = 0.0;
double AngleY = 0.0;
double AngleZ = 0.0;
double Valami = 0.0;

// Element 3 of each is never written: positional lights, diffuse alpha 0.2.
GLfloat LightPosition[4] = {50.0f, 50.0f, -50.0f, 1.0f};
GLfloat LightDiffuse[4] = {0.2f, 0.2f, 0.2f, 0.2f};

constexpr double CurveRate = 650.0;
constexpr double CurveRadius = 10.0;
constexpr int32_t Reach = 16;
constexpr double Strength = 140.0;
// The field where a division by zero would have stopped the sum: far outside the band.
constexpr double Unreachable = 1000000.0;

using blob::SetVector;

struct Charges {
    blob::Point p[6];
};

// A Menger cell: below its depth limit, the 20 sub-cells of a cube split in three, leaving out
// the centre and the middle of each face (the offsets with at most one zero component).
template <void (*Cube)(float, float, float, float)>
void MengerCell(int32_t depth, int32_t limit, double x, double y, double z, double edge)
{
    if (limit <= depth) {
        Cube(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
             static_cast<float>(edge));
        return;
    }
    const double s = edge / 3;
    for (int32_t dz = -1; dz <= 1; ++dz)
        for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dx = -1; dx <= 1; ++dx) {
                if ((dx == 0) + (dy == 0) + (dz == 0) > 1)
                    continue;
                MengerCell<Cube>(depth + 1, limit, x + dx * s, y + dy * s, z + dz * s, s);
            }
}

// The literal path sets the current colour at every lattice point; the batched one hands the
// colour to the batch and leaves the last point's colour current at the end.
template <bool SetColour, void (*Cube)(float, float, float, float)>
void DrawLattice(const Charges& c)
{
    GLfloat colour[4] = {1, 1, 1, 1};
    for (int32_t i = -Reach; i <= Reach; ++i)
        for (int32_t j = -Reach; j <= Reach; ++j)
            for (int32_t k = -Reach; k <= Reach; ++k) {
                double e = 0.0;
                for (const blob::Point& p : c.p)
                    e += Strength / blob::Distance(i, j, k, p);
                if (!std::isfinite(e))
                    e = Unreachable;
                colour[0] = static_cast<float>(0.5 * std::sin((i + j + k) * M_PI / 16) + 0.35);
                colour[1] = static_cast<float>(0.5 * std::sin((i + j + k + 6) * M_PI / 16) + 0.5);
                colour[2] = static_cast<float>(0.25 * std::sin((j - i - k + 12) * M_PI / 8) + 0.25);
                if (SetColour)
                    glColor4f(colour[0], colour[1], colour[2], 1.0f);
                const double v = e / 4 * 2.5;
                const uint32_t r = Random(10);
                if (40 < v && v <= 48) {
                    const double edge = 1 - 2 * std::fabs(0.5 - (v - 40) / 8);
                    if (!SetColour)
                        BatchColour(colour[0], colour[1], colour[2], 1.0f);
                    if (r == 0)
                        MengerCell<Cube>(0, 1 + static_cast<int32_t>(Random(1)), i, j, k, edge);
                    else
                        Cube(static_cast<float>(i), static_cast<float>(j), static_cast<float>(k),
                             static_cast<float>(edge));
                }
            }
    if (!SetColour)
        glColor4f(colour[0], colour[1], colour[2], 1.0f);
}

// Sets: lights 1 and 2 on and white, light 1 on the first charge and light 2 on the second,
// light 3 white at (0, 3, 0) of the modelview before the camera, back faces culled, blending
// off, depth test on, lighting on, texturing off. Leaves: lights 1 to 4 off, the modelview
// multiplied by the camera's look-at, the current colour that of the last lattice point, the
// random seed advanced by one draw per lattice point and one per Menger cell.
void Render()
{
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHT2);
    SetVector(LightPosition, 0, 0, 0);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
    SetVector(LightPosition, 0, -3, 0);
    glLightfv(GL_LIGHT2, GL_POSITION, LightPosition);
    SetVector(LightPosition, 0, 3, 0);
    glLightfv(GL_LIGHT3, GL_POSITION, LightPosition);

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);

    SetVector(LightDiffuse, 1, 1, 1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT3, GL_DIFFUSE, LightDiffuse);
    glColor4f(1, 1, 1, 1);
    RandSeed = 0;

    // The playback writes Phase afresh before every Render, so dividing in place is harmless.
    Phase = Phase / 4;
    const double x = Phase;
    const double cameraAt = blob::Warp(blob::Mover::Camera, x);
    const blob::Point eye = blob::Curve(cameraAt, CurveRate, CurveRadius);
    const blob::Point centre = blob::Curve(cameraAt + 1, CurveRate, CurveRadius);
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, 1, 0);

    Charges c;
    for (int32_t pair = 0; pair < 3; ++pair) {
        const double t = x + 11.0 * pair;
        c.p[2 * pair] =
            blob::Curve(blob::Warp(blob::Mover::FirstCharge, t), CurveRate, CurveRadius);
        c.p[2 * pair + 1] =
            blob::Curve(blob::Warp(blob::Mover::SecondCharge, t), CurveRate, CurveRadius);
    }

    SetVector(LightPosition, c.p[0].x, c.p[0].y, c.p[0].z);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
    SetVector(LightPosition, c.p[1].x, c.p[1].y, c.p[1].z);
    glLightfv(GL_LIGHT2, GL_POSITION, LightPosition);
    glColor3f(1, 1, 1);

    if (LiteralDrawing || !DefaultPathExact())
        DrawLattice<true, DrawCube>(c);
    else {
        BeginBoxBatch(true, true);
        DrawLattice<false, BatchCube>(c);
        EndBoxBatch();
    }

    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHT2);
    glDisable(GL_LIGHT3);
    glDisable(GL_LIGHT4);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Phase", &Phase, 0, 0, 100)
        .Add("Blob Camera", &BlobCamera, 0, 0, 100)
        .Add("Cube Size Max", &CubeSizeMax, 0, 1, 100)
        .Add("Cube Number", &CubeNumber, 0, 0, 10000)
        .Add("Angle Y", &AngleY, -360, 0, 360)
        .Add("Angle Z", &AngleZ, -360, 0, 360)
        .Add("valami", &Valami, -1000, 0, 1000);
}

} // namespace

void RegisterBlobStuff02()
{
    RegisterEffect("Blob Stuff 02", &Render, &DefineFields);
}

} // namespace quv
