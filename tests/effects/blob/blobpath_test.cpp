#include <gtest/gtest.h>

#include <cmath>

#include "effects/blob/blobpath.h"

namespace quv {
namespace {

using blob::Mover;
using blob::Warp;

TEST(BlobPath, EachMoverAdvancesOneStepPerUnitInItsOwnRhythm)
{
    EXPECT_DOUBLE_EQ(Warp(Mover::Camera, 0), 0.5);
    EXPECT_DOUBLE_EQ(Warp(Mover::FirstCharge, 0), 0);
    EXPECT_DOUBLE_EQ(Warp(Mover::SecondCharge, 0), 0.5);
    // The camera glides in the second and fourth quarters, the charges in the first and third.
    EXPECT_DOUBLE_EQ(Warp(Mover::Camera, 2.375), 2.75);
    EXPECT_DOUBLE_EQ(Warp(Mover::Camera, 2.625), 3.0);
    EXPECT_DOUBLE_EQ(Warp(Mover::FirstCharge, 2.125), 2.5);
    EXPECT_DOUBLE_EQ(Warp(Mover::FirstCharge, 2.5), 3.0);
    EXPECT_DOUBLE_EQ(Warp(Mover::SecondCharge, 2.625), 3.0);
    EXPECT_DOUBLE_EQ(Warp(Mover::SecondCharge, 2.9), 3.5);

    // Continuous and one step per unit everywhere, below zero too (a negative Phase continues
    // the same rhythm backwards instead of leaving the table).
    for (const Mover m : {Mover::Camera, Mover::FirstCharge, Mover::SecondCharge}) {
        for (double x = -3.0; x < 3.0; x += 0.01) {
            EXPECT_NEAR(Warp(m, x + 1), Warp(m, x) + 1, 1e-9) << x;
            EXPECT_NEAR(Warp(m, x + 0.001), Warp(m, x), 0.0041) << x;
            EXPECT_GE(Warp(m, x + 0.001), Warp(m, x) - 1e-12) << x;
        }
        EXPECT_DOUBLE_EQ(Warp(m, NAN), Warp(m, 0));
        EXPECT_DOUBLE_EQ(Warp(m, -INFINITY), Warp(m, 0));
    }
}

TEST(BlobPath, CurvePointsAtKnownTimes)
{
    const blob::Point a = blob::Curve(0, 1000, 4);
    EXPECT_FLOAT_EQ(a.x, 4);
    EXPECT_FLOAT_EQ(a.y, 0);
    EXPECT_FLOAT_EQ(a.z, static_cast<float>(4 * std::sin(M_PI / 3)));
    const blob::Point b = blob::Curve(0.5, 1000, 4);
    EXPECT_NEAR(b.x, 0, 1e-6);
    EXPECT_FLOAT_EQ(b.y, static_cast<float>(4 * std::sin(M_PI * 0.4)));
    EXPECT_FLOAT_EQ(b.z, static_cast<float>(4 * std::sin(M_PI * 2 / 3)));
}

} // namespace
} // namespace quv
