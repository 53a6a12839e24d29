#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/drawpath.h"
#include "tests/effects/geometry/probe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Vec3;

const char* const Column = "Csavarodos kockacucc";

TEST(CsavarodosKockaCucc, ColumnOfSlices)
{
    test::GlScene scene;
    test::FeedbackView view(300, 64, 48);
    glDisable(GL_LIGHTING); // feedback then reports the slice colours themselves
    glEnable(GL_CULL_FACE); // the column leaves culling as it finds it
    glCullFace(GL_BACK);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        const auto triangles = view.Capture([] { test::RunEffect(Column, {0, 30}); });
        ASSERT_EQ(triangles.size(), 1025u * 4 * 12);

        double minZ = 1e9, maxZ = -1e9;
        for (const auto& t : triangles)
            for (const Vec3& v : t.v) {
                minZ = std::min(minZ, v[2]);
                maxZ = std::max(maxZ, v[2]);
            }
        // Slice 0 is 0.05 thick around z = 0; the last, as thin, around the sum of the others.
        EXPECT_NEAR(minZ, -0.025, 2e-3);
        EXPECT_NEAR(maxZ, 281.6 + 0.025, 2e-2);

        // Slice 0: rainbow colour, boxes at (+-3, +-3), untwisted (sin^2 of 0 is 0).
        size_t first = 0;
        for (const auto& t : triangles) {
            if (std::abs(test::Centroid({t})[2]) > 0.02)
                continue; // only the side faces of slice 0 are centred on z = 0
            ++first;
            EXPECT_NEAR(t.color[0], 0.5, 2e-3);
            EXPECT_NEAR(t.color[1], 0.9411, 2e-3);
            EXPECT_NEAR(t.color[2], 0.0847, 2e-3);
            for (const Vec3& v : t.v) {
                EXPECT_NEAR(std::abs(v[0]), 3, 0.25 + 2e-3);
                EXPECT_NEAR(std::abs(v[1]), 3, 0.25 + 2e-3);
            }
        }
        EXPECT_EQ(first, 4u * 8);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_NEAR(colour[0], 0.5, 1e-3) << "the last slice's colour is left";
        EXPECT_NEAR(colour[1], 0.9411, 1e-3);

        // Only "Cube Size Min" shapes the column; the same values draw the same geometry.
        const auto again = view.Capture([] {
            test::RunEffect(Column, {55, 30, 7, 300, 10, 20, 1});
        });
        ASSERT_EQ(again.size(), triangles.size());
        for (size_t i = 0; i < again.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(again[i].v[k], triangles[i].v[k]);
        const auto twisted = view.Capture([] { test::RunEffect(Column, {0, 60}); });
        size_t moved = 0;
        for (size_t i = 0; i < twisted.size(); ++i)
            moved += test::Distance(twisted[i].v[0], triangles[i].v[0]) > 1e-3;
        EXPECT_GT(moved, twisted.size() / 2);
    }
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

} // namespace
} // namespace quv
