// "Kocka Karika Cso": unit cubes evenly spaced on a circle in the x-z plane of the current
// modelview frame, each shifted and tumbled at random (the same in every frame), a tunnel: every
// cube is also lifted along y by a random height up to "Tunnel Strech". Reads "Cube Number",
// "Tunnel Strech", "Cube Rotation" and "Circle Radius"; the other fields are kept for the demo
// files.

#include "effects/geometry/_kockakarikacso.h"

#include <GL/gl.h>

#include "effects/geometry/cubering.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double CubeNumber = 0.0;
double TunnelStrech = 0.0;
double CubeSizeMax = 0.0;
double CubeRotation = 0.0;
double CircleRadius = 0.0;
double SectionPhase = 0.0;
double SectionWidth = 0.0;
double SectionAttenuation = 0.0;

CubeRingCache Cache;

// Sets: blending off, depth test on, back faces culled, lighting on, texturing off, colour
// (1, 1, 1, 1), random seed 0 then advanced 4 draws per cube. Leaves the modelview unchanged.
void Render()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    CubeRing ring;
    ring.cubeNumber = CubeNumber;
    ring.cubeRotation = CubeRotation;
    ring.circleRadius = CircleRadius;
    ring.tube = true;
    ring.tunnelStretch = TunnelStrech;
    DrawCubeRing(ring, Cache);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Cube Number", &CubeNumber, 0, 0, 4096)
        .Add("Tunnel Strech", &TunnelStrech, 0, 0, 128)
        .Add("Cube Size Max", &CubeSizeMax, 0, 1, 1)
        .Add("Cube Rotation", &CubeRotation, 0, 1, 1)
        .Add("Circle Radius", &CircleRadius, 0, 0, 16)
        .Add("Section Phase", &SectionPhase, 0, 0, 360)
        .Add("Section Width", &SectionWidth, 0, 0, 360)
        .Add("Section Attenuation", &SectionAttenuation, 0, 1, 1);
}

} // namespace

void RegisterKockaKarikaCso()
{
    RegisterEffect("Kocka Karika Cso", &Render, &DefineFields);
}

} // namespace quv
