#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/drawpath.h"
#include "engine/random.h"
#include "tests/effects/geometry/probe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Vec3;

const char* const Menger = "MengerF\xE9tis 01";

std::vector<test::Triangle> Capture(test::FeedbackView& view, std::initializer_list<double> values)
{
    return view.Capture([&] { test::RunEffect(Menger, values); });
}

double Extent(const std::vector<test::Triangle>& triangles)
{
    double extent = 0;
    for (const auto& t : triangles)
        for (const Vec3& v : t.v)
            extent = std::max({extent, std::abs(v[0]), std::abs(v[1]), std::abs(v[2])});
    return extent;
}

bool HasVertex(const std::vector<test::Triangle>& triangles, const Vec3& p)
{
    for (const auto& t : triangles)
        for (const Vec3& v : t.v)
            if (test::Distance(v, p) < 2e-3)
                return true;
    return false;
}

TEST(MengerFetis01, CubeCountAndStateLeft)
{
    test::GlScene scene;
    test::FeedbackView view(60, 64, 48);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        // 26 * (6^N - 1) / 5 + 6^N cubes for N levels; below 1 (negative too) a single cube.
        struct Case {
            double level;
            size_t cubes;
        };
        for (const Case c :
             {Case{-3, 1}, Case{0.5, 1}, Case{1, 32}, Case{2, 218}, Case{3.5, 1334}}) {
            RandSeed = 77;
            const auto triangles = Capture(view, {c.level});
            EXPECT_EQ(triangles.size(), 12 * c.cubes) << "level " << c.level;
            EXPECT_EQ(RandSeed, 0u);
        }
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[0], 0.5f);
        EXPECT_FLOAT_EQ(colour[3], 1.0f);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
    }
}

TEST(MengerFetis01, LevelFractionPlacesTheFaceChildren)
{
    test::GlScene scene;
    test::FeedbackView view(60, 64, 48);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        // Level 1: face cubes at the face centres, so the outline is the full cube of edge 10.
        EXPECT_NEAR(Extent(Capture(view, {1.0})), 5, 1e-3);
        // 1.5: the face cubes (edge 10/3) centred at 20/3.
        EXPECT_NEAR(Extent(Capture(view, {1.5})), 20.0 / 3 + 5.0 / 3, 1e-3);
        // 2: the root's children at 10; their own children (edge 10/9) at their face centres.
        EXPECT_NEAR(Extent(Capture(view, {2.0})), 10 + 10.0 / 9 + 5.0 / 9, 1e-3);

        // Fields the effect does not read change nothing.
        const auto plain = Capture(view, {2.0});
        const auto noisy = Capture(view, {2.0, 50, 7, 999, 90, -90, 500});
        ASSERT_EQ(plain.size(), noisy.size());
        for (size_t i = 0; i < plain.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(plain[i].v[k], noisy[i].v[k]);
    }
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

TEST(MengerFetis01, RotateTurnsTheFaceChildren)
{
    test::GlScene scene;
    test::FeedbackView view(60, 64, 48);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        const auto triangles = Capture(view, {1.0, 0, 0, 0, 0, 0, 0, 45});
        EXPECT_EQ(triangles.size(), 12u * 32);
        const double s = 10.0 / 3, h = s / 2;
        for (const double cx : {-h, h})
            for (const double cy : {-h, h})
                for (const double cz : {-h, h}) {
                    // The -z child turns about x, y and z; the +x child about y and z only.
                    Vec3 minusZ = Turn(Turn(Turn({cx, cy, cz}, 2, 45), 1, 45), 0, 45);
                    minusZ[2] -= s;
                    EXPECT_TRUE(HasVertex(triangles, minusZ));
                    Vec3 plusX = Turn(Turn({cx, cy, cz}, 2, 45), 1, 45);
                    plusX[0] += s;
                    EXPECT_TRUE(HasVertex(triangles, plusX));
                }
    }
}

// Levels beyond 6 are drawn as level 6: a hostile level finishes in bounded time and looks like
// the deepest level drawn in full.
TEST(MengerFetis01, DeepLevelsAreCapped)
{
    test::GlScene scene(64, 48);
    LiteralDrawing = false;
    std::vector<std::vector<uint8_t>> frames;
    for (const double level : {7.0, 1e9, HUGE_VAL}) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-40, 40, -30, 30, -40, 40);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_LIGHT0);
        test::RunEffect(Menger, {level});
        frames.push_back(scene.Frame());
    }
    EXPECT_EQ(frames[0], frames[1]);
    EXPECT_EQ(frames[0], frames[2]);
}

} // namespace
} // namespace quv
