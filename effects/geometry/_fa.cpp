// "Fa": one tree of square-section boxes growing along +y from the origin of the current
// modelview (the tree itself lives in tree.cpp). Reads "Cube Number" (depth), "Phase" (base of
// the level factor), "Cube Size Min" (bend gain) and "Cube Size Max" (fork twist); "wtf",
// "Angle Y" and "Angle Z" are stored but change nothing.

#include "effects/geometry/_fa.h"

#include <GL/gl.h>

#include "effects/geometry/tree.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/random.h"

namespace quv {

namespace {

double Wtf = 0.0;
double CubeSizeMin = 0.0;
double CubeSizeMax = 0.0;
double CubeNumber = 0.0;
double AngleY = 0.0;
double AngleZ = 0.0;
double Phase = 0.0;

constexpr TreeVariables Tree = {&CubeNumber, &Phase, &CubeSizeMin, &CubeSizeMax};

// Sets: blending off, depth test on, back faces culled, texturing off. Lighting is the earlier
// effects' choice. Leaves: the modelview unchanged, the current colour at the root segment's
// (brown above depth 0, green at depth 0), the random seed at 0.
void Render()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glDisable(GL_TEXTURE_2D);
    RandSeed = 0;
    DrawTree(Tree);
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

void RegisterFa()
{
    RegisterEffect("Fa", &Render, &DefineFields);
}

} // namespace quv
