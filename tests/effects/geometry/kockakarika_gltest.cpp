#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/drawpath.h"
#include "engine/random.h"
#include "tests/effects/geometry/probe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Vec3;

uint32_t SeedAfter(uint64_t draws)
{
    RandSeed = 0;
    for (uint64_t i = 0; i < draws; ++i)
        Random(1);
    return RandSeed;
}

// Splits a capture into cubes: for cubes far apart, each cube's triangles lie close together.
std::vector<Vec3> CubeCentres(const std::vector<test::Triangle>& triangles, size_t cubes)
{
    std::vector<std::vector<test::Triangle>> groups;
    for (const auto& t : triangles) {
        const Vec3 c = test::Centroid({t});
        bool placed = false;
        for (auto& g : groups)
            if (test::Distance(test::Centroid({g.front()}), c) < 3.0) {
                g.push_back(t);
                placed = true;
                break;
            }
        if (!placed)
            groups.push_back({t});
    }
    EXPECT_EQ(groups.size(), cubes);
    std::vector<Vec3> centres;
    for (const auto& g : groups) {
        EXPECT_EQ(g.size(), 12u);
        centres.push_back(test::Centroid(g));
    }
    return centres;
}

TEST(KockaKarika, CubesStandOnTheCircleAtTheAngularStep)
{
    test::GlScene scene;
    test::FeedbackView view(40, 64, 48);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        // C = 2.5 draws two cubes, turned by 144 and 288 degrees about y (360 / C per cube).
        const auto triangles = view.Capture([] {
            test::RunEffect("Kocka Karika", {2.5, 0, 0, 0.3, 10});
        });
        const auto centres = CubeCentres(triangles, 2);
        ASSERT_EQ(centres.size(), 2u);
        for (int k = 0; k < 2; ++k) {
            const double a = 144.0 * (k + 1) * std::numbers::pi / 180;
            // The random shift is in x and y of the unturned frame: z gives the angle exactly.
            EXPECT_NEAR(centres[k][2], -10 * std::sin(a), 1e-3);
            EXPECT_NEAR(centres[k][0], 10 * std::cos(a), 1.0);
            EXPECT_LE(std::abs(centres[k][1]), 1.0 + 1e-3);
        }
        EXPECT_EQ(RandSeed, SeedAfter(3 * 2));

        // Below one cube nothing is drawn, and no division by C happens.
        for (const double c : {0.0, 0.9, -5.0}) {
            EXPECT_TRUE(view.Capture([&] {
                                test::RunEffect("Kocka Karika", {c, 0, 0, 1, 10});
                            })
                            .empty());
            EXPECT_EQ(RandSeed, 0u);
        }
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[0], 1.0f);
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    }
}

TEST(KockaKarika, SameRingEveryFrameUnusedFieldsIgnored)
{
    test::GlScene scene;
    test::FeedbackView view(40, 64, 48);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        RandSeed = 12345;
        const auto first = view.Capture([] { test::RunEffect("Kocka Karika", {12, 0, 0, 1, 8}); });
        RandSeed = 999;
        const auto second = view.Capture([] {
            test::RunEffect("Kocka Karika", {12, 0.7, 0.2, 1, 8, 100, 200, 0.1});
        });
        ASSERT_EQ(first.size(), 12u * 12);
        ASSERT_EQ(first.size(), second.size());
        for (size_t i = 0; i < first.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(first[i].v[k], second[i].v[k]);
    }
}

TEST(KockaKarikaCso, TunnelLiftAndGeneratorUse)
{
    test::GlScene scene;
    test::FeedbackView view(60, 64, 48);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        // Lift 0: a flat ring (only the random shift of up to 1 plus the tumbled cube's reach).
        // A negative stretch lifts every cube by exactly that amount.
        for (const double stretch : {0.0, -5.0}) {
            const auto triangles = view.Capture([&] {
                test::RunEffect("Kocka Karika Cso", {20, stretch, 0, 1, 10});
            });
            ASSERT_EQ(triangles.size(), 12u * 20);
            for (const auto& t : triangles)
                for (const Vec3& v : t.v)
                    EXPECT_LE(std::abs(v[1] - stretch), 1 + std::sqrt(3.0) / 2 + 1e-3);
            EXPECT_EQ(RandSeed, SeedAfter(4 * 20));
        }
        // A stretch of 20: the lifts spread up to 20 and most draws (84 %) give exactly 20.
        const auto triangles = view.Capture([] {
            test::RunEffect("Kocka Karika Cso", {40, 20, 0, 0, 10});
        });
        ASSERT_EQ(triangles.size(), 12u * 40);
        size_t vertices = 0, atTop = 0;
        for (const auto& t : triangles)
            for (const Vec3& v : t.v) {
                EXPECT_GE(v[1], -1.5 - 1e-3);
                EXPECT_LE(v[1], 21.5 + 1e-3);
                ++vertices;
                atTop += v[1] >= 18.5 - 1e-3;
            }
        EXPECT_GT(atTop, vertices * 6 / 10);
    }
}

// A count far beyond the field's bounds draws a bounded number of cubes, but leaves the generator
// where the full count would, so later effects of the frame see the same numbers.
TEST(KockaKarikaCso, HugeCountsAreBounded)
{
    test::GlScene scene(16, 12);
    LiteralDrawing = false;
    test::RunEffect("Kocka Karika Cso", {1e6, 10, 0, 1, 5});
    EXPECT_EQ(RandSeed, SeedAfter(4000000));
    test::RunEffect("Kocka Karika", {2e5, 0, 0, 1, 5});
    EXPECT_EQ(RandSeed, SeedAfter(3 * 200000));
}

} // namespace
} // namespace quv
