#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "effects/glview.h"
#include "tests/effects/geometry/probe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Vec3;

// One unit cube, ten units out along x (plus the ring's small random offset), untumbled.
void DrawOneCube()
{
    test::RunEffect("Kocka Karika", {1, 0, 0, 0, 10});
}

Vec3 CubeCentre(test::FeedbackView& view, const std::function<void()>& transforms)
{
    const auto triangles = view.Capture([&] {
        transforms();
        DrawOneCube();
    });
    EXPECT_EQ(triangles.size(), 12u);
    return test::Centroid(triangles);
}

Vec3 Turn(const Vec3& p, int axis, double degrees)
{
    const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    Vec3 out = p;
    out[u] = c * p[u] - s * p[v];
    out[v] = s * p[u] + c * p[v];
    return out;
}

void ExpectNear(const Vec3& a, const Vec3& b, double tolerance = 1e-3)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(a[i], b[i], tolerance) << "coordinate " << i;
}

TEST(OpenGLLight, EnabledAndLightNumberAreTruncated)
{
    test::GlScene scene;
    struct Case {
        double number, enabled;
        GLenum light;
        bool on;
    };
    for (const Case c : {Case{0, 0.99, GL_LIGHT0, false}, Case{0, 1.0, GL_LIGHT0, true},
                         Case{0.5, 1.7, GL_LIGHT0, true}, Case{0, 2.0, GL_LIGHT0, false},
                         Case{7.9, 1.0, GL_LIGHT7, true}, Case{3.2, -0.5, GL_LIGHT3, false}}) {
        ClearScene(0, 0, 0, 0);
        glEnable(c.light);
        glDisable(GL_LIGHTING);
        test::RunEffect("OpenGL Light", {c.number, c.enabled});
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "lighting is switched on even for a light off";
        EXPECT_EQ(glIsEnabled(c.light), c.on) << c.number << " / " << c.enabled;
    }

    // Numbers that name no light switch lighting on and touch no light, without a GL error.
    for (const double number : {8.0, -1.0, 1e12}) {
        ClearScene(0, 0, 0, 0);
        glEnable(GL_LIGHT7);
        glDisable(GL_LIGHTING);
        test::RunEffect("OpenGL Light", {number, 1});
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        for (GLenum light = GL_LIGHT0; light <= GL_LIGHT7; ++light)
            EXPECT_EQ(glIsEnabled(light), light == GL_LIGHT7);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST(OpenGLLight, PositionAndColoursFollowTheFields)
{
    test::GlScene scene;
    ClearScene(0, 0, 0, 0);
    test::RunEffect("OpenGL Move", {1, 2, 3});
    test::RunEffect("OpenGL Light", {2, 1, 4, 5, 6, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8});
    GLfloat position[4], ambient[4], diffuse[4];
    glGetLightfv(GL_LIGHT2, GL_POSITION, position);
    glGetLightfv(GL_LIGHT2, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT2, GL_DIFFUSE, diffuse);
    // The position is taken through the modelview of the moment: it rides on the Move before it.
    EXPECT_FLOAT_EQ(position[0], 5);
    EXPECT_FLOAT_EQ(position[1], 7);
    EXPECT_FLOAT_EQ(position[2], 9);
    EXPECT_FLOAT_EQ(position[3], 1) << "always a positional light";
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(ambient[i], 0.1f * (i + 1));
        EXPECT_FLOAT_EQ(diffuse[i], 0.1f * (i + 5));
    }
}

TEST(OpenGLFOV, CancelsAnEarlierCameraAndResetsTheModelview)
{
    test::GlScene scene(64, 48);
    for (const bool withFov : {false, true}) {
        ClearScene(0, 0, 0, 1);
        // Looking along +x: the cube straight ahead at -z is out of sight unless the FOV
        // effect throws the camera away.
        test::RunEffect("OpenGL Camera", {0, 0, 0, 1, 0, 0, 0, 1, 0});
        if (withFov)
            test::RunEffect("OpenGL FOV", {60});
        test::RunEffect("OpenGL Light", {0, 1, 0, 0, 10, 0, 0, 0, 0, 1, 1, 1, 1});
        test::RunEffect("OpenGL Move", {0, 0, -20});
        test::RunEffect("MengerF\xE9tis 01", {0.5});
        const test::Rgba centre = scene.Pixel(32, 24);
        if (withFov)
            EXPECT_GT(centre.r, 50);
        else
            EXPECT_EQ(centre.r, 0);
    }

    // A narrower angle makes the same cube cover more of the picture.
    int covered[2] = {};
    for (int i = 0; i < 2; ++i) {
        ClearScene(0, 0, 0, 1);
        test::RunEffect("OpenGL FOV", {i == 0 ? 90.0 : 30.0});
        test::RunEffect("OpenGL Light", {0, 1, 0, 0, 10, 0, 0, 0, 0, 1, 1, 1, 1});
        test::RunEffect("OpenGL Move", {0, 0, -30});
        test::RunEffect("MengerF\xE9tis 01", {0.5});
        for (int x = 0; x < 64; ++x)
            covered[i] += scene.Pixel(x, 24).r > 0;
    }
    EXPECT_GT(covered[1], 2 * covered[0]);
}

TEST(OpenGLTransforms, ComposeOntoTheCurrentMatrixInOrder)
{
    test::GlScene scene;
    test::FeedbackView view(40, 64, 48);
    const Vec3 c0 = CubeCentre(view, [] {});
    ASSERT_NEAR(c0[0], 10, 1.01);
    ASSERT_NEAR(c0[2], 0, 1e-4);

    // Rotate turns about x, then y, then z of the turned frame: Rx * Ry * Rz applied to points.
    const Vec3 turned = CubeCentre(view, [] { test::RunEffect("OpenGL Rotate", {30, 45, 60}); });
    ExpectNear(turned, Turn(Turn(Turn(c0, 2, 60), 1, 45), 0, 30));
    const Vec3 turned2 = CubeCentre(view, [] { test::RunEffect("OpenGL Rotate", {90, 0, 90}); });
    ExpectNear(turned2, Turn(Turn(c0, 2, 90), 0, 90));

    const Vec3 moved = CubeCentre(view, [] { test::RunEffect("OpenGL Move", {1, -2, 3}); });
    ExpectNear(moved, {c0[0] + 1, c0[1] - 2, c0[2] + 3});

    // The camera multiplies onto what is current: looking from (3, 0, 0) towards the origin.
    const Vec3 viewed = CubeCentre(view, [] {
        test::RunEffect("OpenGL Camera", {3, 0, 0, 0, 0, 0, 0, 1, 0});
    });
    ExpectNear(viewed, {-c0[2], c0[1], c0[0] - 3});

    // Push and pop restore the matrix whatever their "Matrix" field says.
    const Vec3 bracketed = CubeCentre(view, [] {
        test::RunEffect("OpenGL Push Matrix", {1});
        test::RunEffect("OpenGL Move", {5, 5, 5});
        test::RunEffect("OpenGL Pop Matrix", {0.7});
    });
    ExpectNear(bracketed, c0);
}

TEST(OpenGLScale, FactorsReciprocalsAndNormalize)
{
    test::GlScene scene;
    test::FeedbackView view(40, 64, 48);
    const Vec3 c0 = CubeCentre(view, [] {});

    glDisable(GL_NORMALIZE);
    const Vec3 doubled = CubeCentre(view, [] { test::RunEffect("OpenGL Scale", {2}); });
    ExpectNear(doubled, {2 * c0[0], 2 * c0[1], 2 * c0[2]});
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));

    // A negative factor scales by the reciprocal of its magnitude.
    const Vec3 halved = CubeCentre(view, [] { test::RunEffect("OpenGL Scale", {-2}); });
    ExpectNear(halved, {c0[0] / 2, c0[1] / 2, c0[2] / 2});

    // Zero collapses everything onto the origin (no reciprocal of 0).
    const auto collapsed = view.Capture([] {
        test::RunEffect("OpenGL Scale", {0});
        DrawOneCube();
    });
    for (const auto& t : collapsed)
        for (const Vec3& v : t.v)
            ExpectNear(v, {0, 0, 0});
    glPushMatrix();
    glLoadIdentity();
    test::RunEffect("OpenGL Scale", {0});
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(m[i], 0.0);

    glDisable(GL_NORMALIZE);
    const Vec3 stretched = CubeCentre(view, [] {
        test::RunEffect("OpenGL Scale XYZ", {1, 2, 0.5});
    });
    ExpectNear(stretched, {c0[0], 2 * c0[1], 0.5 * c0[2]});
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
}

} // namespace
} // namespace quv
