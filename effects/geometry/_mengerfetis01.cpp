// "MengerF\xE9tis 01": a recursive cube structure related to the Menger sponge, around the origin
// of the current modelview frame. A cube of edge 10 is cut into 3 x 3 x 3 sub-cubes; the twenty
// that a sponge keeps are drawn as plain cubes, the six face-centre ones move outwards, turn by
// a keyframed angle per level and subdivide again, and thin rods join them to the centre. Reads
// "Menger Level" (depth, its fraction slides the deepest face children out) and "Rotate 1" to
// "Rotate 5"; the other fields are kept for the demo files.

#include "effects/geometry/_mengerfetis01.h"

#include <GL/gl.h>

#include <algorithm>
#include <optional>

#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/drawpath.h"
#include "engine/framebudget.h"
#include "engine/numeric.h"
#include "engine/random.h"

namespace quv {

namespace {

double MengerLevel = 0.0;
double RotateLevel = 0.0;
double RandomSeed = 0.0;
double CubeNumber = 0.0;
double AngleY = 0.0;
double AngleZ = 0.0;
double Phase = 0.0;
double Rotate[5] = {};

// Each level multiplies the cube count by six, so a demo file's level is honoured up to 6
// (289,262 cubes) and anything deeper is drawn as level 6: the structure then ends in plain cubes
// at level 6 instead of recursing until the frame takes minutes or the stack runs out.
constexpr int32_t MaxMengerLevel = 6;

float TurnFor(int32_t level)
{
    return level >= 0 && level < 5 ? static_cast<float>(Rotate[level]) : 0.0f;
}

void DrawMengerNode(float size, int32_t level, int32_t maxLevel)
{
    if (level >= maxLevel) {
        DrawCube(0, 0, 0, size);
        return;
    }
    const float r = TurnFor(level);
    const float f = std::min(1.0f, static_cast<float>(MengerLevel) - 1.0f - level);
    const float s = size / 3;
    const float d = s + f * 2 * s;

    // Rods from the centre half way to each face child, along z, y and x.
    for (int axis = 0; axis < 3; ++axis) {
        for (const float sign : {1.0f, -1.0f}) {
            glPushMatrix();
            if (axis == 1)
                glRotatef(90, 1, 0, 0);
            else if (axis == 2)
                glRotatef(90, 0, 1, 0);
            glTranslatef(0, 0, sign * d / 2);
            glScalef(0.1f, 0.1f, 2.0f);
            DrawCube(0, 0, 0, s);
            glPopMatrix();
        }
    }

    for (int k = -1; k <= 1; ++k) {
        for (int j = -1; j <= 1; ++j) {
            for (int i = -1; i <= 1; ++i) {
                const int offAxis = (i != 0) + (j != 0) + (k != 0);
                if (offAxis == 0)
                    continue; // the centre is never drawn
                if (offAxis > 1) {
                    DrawCube(i * s, j * s, k * s, s);
                    continue;
                }
                // A face child: only the -z one also turns about x. The inverse turns undo the
                // move exactly, in reverse order, without a push.
                const bool turnX = k == -1;
                glTranslatef(i * d, j * d, k * d);
                if (turnX)
                    glRotatef(r, 1, 0, 0);
                glRotatef(r, 0, 1, 0);
                glRotatef(r, 0, 0, 1);
                DrawMengerNode(s, level + 1, maxLevel);
                glRotatef(-r, 0, 0, 1);
                glRotatef(-r, 0, 1, 0);
                if (turnX)
                    glRotatef(-r, 1, 0, 0);
                glTranslatef(-i * d, -j * d, -k * d);
            }
        }
    }
}

// The matrix calls of DrawMengerNode without the drawing. The literal path's inverse turns leave
// the modelview as it found it only up to GL's rounding; the default path makes the same calls,
// so that the effects after it start from the same modelview on both paths (under a modelview
// that flattens the scene, that rounding decides which coplanar faces win).
void ReplayMengerTurns(float size, int32_t level, int32_t maxLevel)
{
    if (level >= maxLevel)
        return;
    const float r = TurnFor(level);
    const float f = std::min(1.0f, static_cast<float>(MengerLevel) - 1.0f - level);
    const float s = size / 3;
    const float d = s + f * 2 * s;
    for (int k = -1; k <= 1; ++k)
        for (int j = -1; j <= 1; ++j)
            for (int i = -1; i <= 1; ++i) {
                if ((i != 0) + (j != 0) + (k != 0) != 1)
                    continue;
                const bool turnX = k == -1;
                glTranslatef(i * d, j * d, k * d);
                if (turnX)
                    glRotatef(r, 1, 0, 0);
                glRotatef(r, 0, 1, 0);
                glRotatef(r, 0, 0, 1);
                ReplayMengerTurns(s, level + 1, maxLevel);
                glRotatef(-r, 0, 0, 1);
                glRotatef(-r, 0, 1, 0);
                if (turnX)
                    glRotatef(-r, 1, 0, 0);
                glTranslatef(-i * d, -j * d, -k * d);
            }
}

// The same structure built into a mesh, with the frames composed on the CPU exactly as the GL
// calls above compose them.
void BuildMengerNode(BoxMesh& mesh, const Matrix4& frame, float size, int32_t level,
                     int32_t maxLevel)
{
    if (level >= maxLevel) {
        const float h = size * 0.5f;
        mesh.AddBox(frame, 0, 0, 0, h, h, h);
        return;
    }
    const float r = TurnFor(level);
    const float f = std::min(1.0f, static_cast<float>(MengerLevel) - 1.0f - level);
    const float s = size / 3;
    const float d = s + f * 2 * s;
    const float h = s * 0.5f;

    const Matrix4 rodScale = ScalingMatrix(0.1f, 0.1f, 2.0f);
    for (int axis = 0; axis < 3; ++axis) {
        const Matrix4 turned = axis == 0   ? frame
                               : axis == 1 ? frame * RotationMatrix(90, 1, 0, 0)
                                           : frame * RotationMatrix(90, 0, 1, 0);
        for (const float sign : {1.0f, -1.0f})
            mesh.AddBox(turned * TranslationMatrix(0, 0, sign * d / 2) * rodScale, 0, 0, 0, h, h,
                        h);
    }

    const Matrix4 turnX = RotationMatrix(r, 1, 0, 0);
    const Matrix4 turnYZ = RotationMatrix(r, 0, 1, 0) * RotationMatrix(r, 0, 0, 1);
    // Plain cubes drawn one after the other share the literal path's immediate-mode block; a
    // face child's matrix calls end it.
    bool joins = false;
    for (int k = -1; k <= 1; ++k) {
        for (int j = -1; j <= 1; ++j) {
            for (int i = -1; i <= 1; ++i) {
                const int offAxis = (i != 0) + (j != 0) + (k != 0);
                if (offAxis == 0)
                    continue;
                if (offAxis > 1) {
                    mesh.AddBox(frame, i * s, j * s, k * s, h, h, h, joins);
                    joins = true;
                    continue;
                }
                joins = false;
                const Matrix4 moved = frame * TranslationMatrix(i * d, j * d, k * d);
                const Matrix4 child = k == -1 ? moved * turnX * turnYZ : moved * turnYZ;
                BuildMengerNode(mesh, child, s, level + 1, maxLevel);
            }
        }
    }
}

// 26 * (6^N - 1) / 5 + 6^N cubes for N levels.
size_t MengerCubes(int32_t levels)
{
    size_t power = 1;
    for (int32_t i = 0; i < levels; ++i)
        power *= 6;
    return 26 * (power - 1) / 5 + power;
}

// Structures up to level 5 (48,626 cubes) are kept between frames; level 6 is rebuilt in chunks
// every frame rather than held in 170 MB.
constexpr size_t MaxKeptCubes = 65536;

BoxMesh Mesh;
bool MeshBuilt = false;
double MeshFields[6] = {}; // "Menger Level" and "Rotate 1" to "Rotate 5" of the kept mesh

bool SameFields()
{
    const double now[6] = {MengerLevel, Rotate[0], Rotate[1], Rotate[2], Rotate[3], Rotate[4]};
    for (int i = 0; i < 6; ++i)
        if (!(now[i] == MeshFields[i] || (now[i] != now[i] && MeshFields[i] != MeshFields[i])))
            return false;
    return true;
}

// What ReplayMengerTurns made of the modelview last time: while the modelview it starts from and
// the fields are the same, loading the result is the same as making the calls again.
float TurnsFrom[16] = {};
float TurnsTo[16] = {};
bool TurnsKept = false;

void LeaveModelview(int32_t n, bool sameFields)
{
    float from[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, from);
    if (sameFields && TurnsKept && std::equal(from, from + 16, TurnsFrom)) {
        glLoadMatrixf(TurnsTo);
        return;
    }
    ReplayMengerTurns(10, 0, n);
    std::copy(from, from + 16, TurnsFrom);
    glGetFloatv(GL_MODELVIEW_MATRIX, TurnsTo);
    TurnsKept = true;
}

// The level the kept mesh was built at: the frame's allowance may draw the same fields lower.
int32_t MeshLevel = 0;

void DrawFast(int32_t n)
{
    if (MeshBuilt && MeshLevel == n && SameFields()) {
        Mesh.Draw();
        LeaveModelview(n, true);
        return;
    }
    const bool keep = MengerCubes(n) <= MaxKeptCubes;
    if (!MeshBuilt)
        Mesh.Reserve(MengerCubes(4), false); // the levels demos use; End grows it past that
    Mesh.Begin(keep, false);
    BuildMengerNode(Mesh, IdentityMatrix(), 10, 0, n);
    Mesh.End();
    LeaveModelview(n, false);
    MeshBuilt = keep;
    MeshLevel = n;
    const double now[6] = {MengerLevel, Rotate[0], Rotate[1], Rotate[2], Rotate[3], Rotate[4]};
    std::copy(now, now + 6, MeshFields);
}

// Sets: blending off, depth test on, back faces culled, lighting on, texturing off, colour
// (0.5, 0.5, 0.5, 1), random seed 0. Leaves the modelview as it found it up to GL's rounding,
// the same on both paths.
void Render()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
    RandSeed = 0;
    // The frame's work allowance (engine/framebudget.h) may leave room for a lower level only,
    // or for none.
    const std::optional<int32_t> affordable =
        AffordableCount(std::min(TruncInt(MengerLevel), MaxMengerLevel), &MengerWork);
    if (!affordable)
        return;
    const int32_t n = *affordable;
    SpendFrameWork(MengerWork(n));
    if (LiteralDrawing || !DefaultPathExact())
        DrawMengerNode(10, 0, n);
    else
        DrawFast(n);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Menger Level", &MengerLevel, 0, 0, 4)
        .Add("Rotate Level", &RotateLevel, 0, 0, 100)
        .Add("Random seed", &RandomSeed, 0, 1, 128)
        .Add("Cube Number", &CubeNumber, 0, 0, 10000)
        .Add("Angle Y", &AngleY, -360, 0, 360)
        .Add("Angle Z", &AngleZ, -360, 0, 360)
        .Add("Phase", &Phase, -1000, 0, 1000)
        .Add("Rotate 1", &Rotate[0], -45, 0, 45)
        .Add("Rotate 2", &Rotate[1], -45, 0, 45)
        .Add("Rotate 3", &Rotate[2], -45, 0, 45)
        .Add("Rotate 4", &Rotate[3], -45, 0, 45)
        .Add("Rotate 5", &Rotate[4], -45, 0, 45);
}

} // namespace

void RegisterMengerFetis01()
{
    RegisterEffect("MengerF\xE9tis 01", &Render, &DefineFields);
}

} // namespace quv
