#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "effects/geometry/cubebatch.h"
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
        BeginCubeBatch(false, true);
        for (const Cube& c : cubes)
            BatchCube(c.x, c.y, c.z, c.size);
        EndCubeBatch();
    } else {
        for (const Cube& c : cubes)
            DrawCube(c.x, c.y, c.z, c.size);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthFunc(GL_LEQUAL);
    return scene.Frame();
}

TEST(CubeBatch, LeavesOutOnlyWhatCannotReachAPixel)
{
    test::GlScene scene(64, 48);
    // A cube of edge 2 in front, a small one hidden right behind it (drawn first), one far off to
    // the side, and one too small to reach a pixel centre at the middle of the view.
    const std::vector<Cube> cubes{
        {0.2f, 0, -9, 0.5f}, {0, 0, -5, 4}, {-100, 0, -5, 1}, {0, 0, -5.5f, 0.001f}};
    auto nothing = [] {};
    EXPECT_EQ(Draw(scene, cubes, true, nothing), Draw(scene, cubes, false, nothing));
    BeginCubeBatch(false, true);
    EndCubeBatch();
    Draw(scene, cubes, true, nothing);
    EXPECT_EQ(LastCubeBatch.boxes, 4);
    EXPECT_EQ(LastCubeBatch.hidden, 1);
    EXPECT_EQ(LastCubeBatch.outside, 2);
    EXPECT_EQ(LastCubeBatch.quads, 1); // only the big cube's face towards the eye

    // When a farther fragment need not lose, nothing is hidden.
    auto always = [] { glDepthFunc(GL_ALWAYS); };
    EXPECT_EQ(Draw(scene, cubes, true, always), Draw(scene, cubes, false, always));
    EXPECT_EQ(LastCubeBatch.hidden, 0);

    // Outlines reach pixels that filled faces would not: only clipping and facing apply.
    auto lines = [] { glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); };
    EXPECT_EQ(Draw(scene, cubes, true, lines), Draw(scene, cubes, false, lines));
    EXPECT_EQ(LastCubeBatch.outside, 1);
    EXPECT_EQ(LastCubeBatch.hidden, 0);

    // Culling the other facing keeps the faces that the eye sees from behind.
    auto front = [] { glCullFace(GL_FRONT); };
    EXPECT_EQ(Draw(scene, cubes, true, front), Draw(scene, cubes, false, front));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace quv
