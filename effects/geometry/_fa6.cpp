// "Fa6": six trees (tree.cpp) from the origin of the current modelview along +y, +z, -y, -z, -x
// and +x, a star. Reads "Level" (depth), "Phase" (base of the level factor), "Kihajlas" (bend
// gain) and "Rotation" (fork twist); "Blending" is stored but changes nothing.

#include "effects/geometry/_fa6.h"

#include <GL/gl.h>

#include "effects/geometry/tree.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/random.h"

namespace quv {

namespace {

double Level = 0.0;
double Phase = 0.0;
double Kihajlas = 0.0;
double Rotation = 0.0;
double Blending = 0.0;

constexpr TreeVariables Tree = {&Level, &Phase, &Kihajlas, &Rotation};

void DrawTreeStar()
{
    glPushMatrix();
    RandSeed = 0;
    DrawTree(Tree);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    RandSeed = 0;
    DrawTree(Tree);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    RandSeed = 0;
    DrawTree(Tree);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    RandSeed = 0;
    DrawTree(Tree);
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    RandSeed = 0;
    DrawTree(Tree);
    glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
    RandSeed = 0;
    DrawTree(Tree);
    glPopMatrix();
}

// Sets: blending off, depth test on, back faces culled, texturing off. Lighting is the earlier
// effects' choice. Leaves: the modelview unchanged, the current colour at the last tree's root
// segment's, the random seed at 0.
void Render()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glDisable(GL_TEXTURE_2D);
    DrawTreeStar();
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Level", &Level, 0, 0, 10000)
        .Add("Phase", &Phase, 0, 0, 100)
        .Add("Kihajlas", &Kihajlas, 0, 0, 100)
        .Add("Rotation", &Rotation, 0, 1, 100)
        .Add("Blending", &Blending, 0, 0, 1);
}

} // namespace

void RegisterFa6()
{
    RegisterEffect("Fa6", &Render, &DefineFields);
}

} // namespace quv
