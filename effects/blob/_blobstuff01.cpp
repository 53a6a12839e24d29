// "Blob Stuff 01": two charges moving along a closed curve, and a 51 x 51 x 51 lattice of white
// lit cubes that outline the iso-level "Cube Number" of their field, plus a red-to-blue line
// between them. Sets its own camera on the same curve. Reads "Phase" (time along the paths),
// "Cube Size Max" (charge strength) and "Cube Number" (iso-level); the other fields are stored
// but change nothing.

#include "effects/blob/_blobstuff01.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "effects/blob/blobpath.h"
#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "engine/drawpath.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/numeric.h"
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

constexpr double CurveRate = 1000.0;
constexpr double CurveRadius = 4.0;
constexpr int32_t Reach = 25;

using blob::SetVector;

// Whether a point whose field is e gets a cube, and its edge: rising from 0 one unit of the
// field below the level to 1 on it, and falling to 0 one unit above.
bool CubeEdge(double e, double level, double& edge)
{
    if (level - 1 <= e && e < level) {
        edge = Frac(e);
        return true;
    }
    if (level <= e && e < level + 1) {
        edge = 1.0 - Frac(e);
        return true;
    }
    return false;
}

template <void (*Cube)(float, float, float, float)>
void DrawLattice(const blob::Point& a, const blob::Point& b)
{
    const double strength = CubeSizeMax;
    const double level = CubeNumber;
    for (int32_t i = -Reach; i <= Reach; ++i)
        for (int32_t j = -Reach; j <= Reach; ++j)
            for (int32_t k = -Reach; k <= Reach; ++k) {
                const double e =
                    strength / blob::Distance(i, j, k, a) + strength / blob::Distance(i, j, k, b);
                double edge = 0.0;
                if (CubeEdge(e, level, edge))
                    Cube(static_cast<float>(i), static_cast<float>(j), static_cast<float>(k),
                         static_cast<float>(edge));
            }
}

// Sets: lights 1 and 2 on (red at the origin, blue at (0, -3, 0) of the modelview before the
// camera), light 3 configured blue at (0, 3, 0) but left off, blending off, depth test on, back
// faces culled, lighting on, texturing off. Leaves: the modelview multiplied by the camera's
// look-at, the current colour white, the random seed at 0.
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

    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);

    SetVector(LightDiffuse, 1, 0, 0);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    SetVector(LightDiffuse, 0, 0, 1);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, LightDiffuse);
    SetVector(LightDiffuse, 0, 0, 1);
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

    const blob::Point a =
        blob::Curve(blob::Warp(blob::Mover::FirstCharge, x), CurveRate, CurveRadius);
    const blob::Point b =
        blob::Curve(blob::Warp(blob::Mover::SecondCharge, x), CurveRate, CurveRadius);

    glDisable(GL_LIGHTING);
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    glVertex3f(a.x, a.y, a.z);
    glColor3f(0, 0, 1);
    glVertex3f(b.x, b.y, b.z);
    glEnd();
    glEnable(GL_LIGHTING);
    glColor3f(1, 1, 1);

    if (LiteralDrawing || !DefaultPathExact()) {
        DrawLattice<DrawCube>(a, b);
    } else {
        BeginBoxBatch(false, true, true);
        DrawLattice<BatchCube>(a, b);
        EndBoxBatch();
    }
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

void RegisterBlobStuff01()
{
    RegisterEffect("Blob Stuff 01", &Render, &DefineFields);
}

} // namespace quv
