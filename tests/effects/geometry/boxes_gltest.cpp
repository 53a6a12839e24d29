#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "effects/glview.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

struct Cube {
    float x, y, z, size;
};

// The player's cleared scene, unlit, with whatever extra state the case sets.
std::vector<uint8_t> Draw(test::GlScene& scene, const std::vector<Cube>& cubes, bool batched,
                          const std::function<void()>& state)
{
    ClearScene(0, 0, 0, 1);
    glDisable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    state();
    glColor4f(0.8f, 0.5f, 0.3f, 1);
    if (batched) {
        BeginBoxBatch(false, true, true);
        for (const Cube& c : cubes)
            BatchCube(c.x, c.y, c.z, c.size);
        EndBoxBatch();
    } else {
        for (const Cube& c : cubes)
            DrawCube(c.x, c.y, c.z, c.size);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthFunc(GL_LEQUAL);
    return scene.Frame();
}

TEST(Boxes, StreamedBatchLeavesOutOnlyWhatCannotReachAPixel)
{
    test::GlScene scene(64, 48);
    BoxInstrumentation counts;
    SetBoxInstrumentation(&counts);
    // A cube of edge 2 in front, a small one hidden right behind it (drawn first), one far off to
    // the side, and one too small to reach a pixel centre at the middle of the view.
    const std::vector<Cube> cubes{
        {0.2f, 0, -9, 0.5f}, {0, 0, -5, 4}, {-100, 0, -5, 1}, {0, 0, -5.5f, 0.001f}};
    auto nothing = [] {};
    EXPECT_EQ(Draw(scene, cubes, true, nothing), Draw(scene, cubes, false, nothing));
    BeginBoxBatch(false, true, true);
    EndBoxBatch();
    Draw(scene, cubes, true, nothing);
    EXPECT_EQ(counts.boxes, 4);
    EXPECT_EQ(counts.hidden, 1);
    EXPECT_EQ(counts.outside, 2);
    EXPECT_EQ(counts.quads, 1); // only the big cube's face towards the eye

    // When a farther fragment need not lose, nothing is hidden.
    auto always = [] { glDepthFunc(GL_ALWAYS); };
    EXPECT_EQ(Draw(scene, cubes, true, always), Draw(scene, cubes, false, always));
    EXPECT_EQ(counts.hidden, 0);

    // Outlines reach pixels that filled faces would not: only clipping and facing apply.
    auto lines = [] { glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); };
    EXPECT_EQ(Draw(scene, cubes, true, lines), Draw(scene, cubes, false, lines));
    EXPECT_EQ(counts.outside, 1);
    EXPECT_EQ(counts.hidden, 0);

    // Culling the other facing keeps the faces that the eye sees from behind.
    auto front = [] { glCullFace(GL_FRONT); };
    EXPECT_EQ(Draw(scene, cubes, true, front), Draw(scene, cubes, false, front));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    SetBoxInstrumentation(nullptr);
}

// The cube effects compose with RotationMatrix what the literal path composes with glRotate: a
// turn about the normalised axis, nothing for a zero axis. The trees' rounding of degrees to
// radians differs from the meshes' only in the last bits.
TEST(Boxes, RotationMatrixTurnsAsGlRotate)
{
    test::GlScene scene(8, 8);
    struct Turn {
        double degrees, x, y, z;
    };
    const Turn turns[] = {{37.5, 0, 0, 1}, {-120, 0, 3, 0}, {200, 1, 1, 1}, {63, 0.3, -0.4, 1.2}};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (const Turn& t : turns) {
        glLoadIdentity();
        glRotated(t.degrees, t.x, t.y, t.z);
        double gl[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, gl);
        for (const auto conversion : {DegreesToRadians::Sequential, DegreesToRadians::Folded}) {
            const Matrix4 m = RotationMatrix(t.degrees, t.x, t.y, t.z, conversion);
            for (int i = 0; i < 16; ++i)
                EXPECT_NEAR(m.m[i], gl[i], 1e-6) << t.degrees << " degrees, entry " << i;
        }
    }
    glPopMatrix();

    // Scaling the axis changes nothing, to the bit where the scale divides exactly.
    const Matrix4 unit = RotationMatrix(-120, 0, 1, 0, DegreesToRadians::Folded);
    const Matrix4 long3 = RotationMatrix(-120, 0, 3, 0, DegreesToRadians::Folded);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(unit.m[i], long3.m[i]) << "entry " << i;

    const Matrix4 none = RotationMatrix(45, 0, 0, 0);
    const Matrix4 identity = IdentityMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(none.m[i], identity.m[i]) << "entry " << i;
}

} // namespace
} // namespace quv
