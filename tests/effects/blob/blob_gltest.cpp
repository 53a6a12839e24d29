#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/blob/blobpath.h"
#include "effects/glview.h"
#include "engine/drawpath.h"
#include "engine/random.h"
#include "tests/support/effectprobe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

constexpr int32_t Size = 64;
constexpr double Half = 60; // half-size of the orthographic box that holds every lattice point

// An orthographic box around everything: feedback keeps every cube and its window coordinates
// map back to eye space. The turn keeps every face of the lattice off edge-on.
void WideView()
{
    glViewport(0, 0, Size, Size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-Half, Half, -Half, Half, -Half, Half);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(13.7f, 1, 0, 0);
    glRotatef(21.3f, 0, 1, 0);
}

struct Vec {
    double x, y, z;
};

// Window coordinates back through the orthographic box and the (rigid) modelview to world.
Vec ToWorld(const test::FeedbackVertex& v, const GLdouble* mv)
{
    const double e[3] = {(v.x / (Size / 2.0) - 1) * Half, (v.y / (Size / 2.0) - 1) * Half,
                         -(2 * v.z - 1) * Half};
    const double d[3] = {e[0] - mv[12], e[1] - mv[13], e[2] - mv[14]};
    return {mv[0] * d[0] + mv[1] * d[1] + mv[2] * d[2], mv[4] * d[0] + mv[5] * d[1] + mv[6] * d[2],
            mv[8] * d[0] + mv[9] * d[1] + mv[10] * d[2]};
}

void ExpectEyeAt(const blob::Point& p, const GLdouble* mv, const GLfloat* eyeSpace)
{
    for (int r = 0; r < 3; ++r)
        EXPECT_NEAR(eyeSpace[r], mv[r] * p.x + mv[4 + r] * p.y + mv[8 + r] * p.z + mv[12 + r],
                    1e-4);
    EXPECT_FLOAT_EQ(eyeSpace[3], 1.0f);
}

TEST(BlobStuff, BothTypesDefineTheSameFields)
{
    test::GlScene scene(8, 8);
    const std::vector<std::string> names{"Phase",   "Blob Camera", "Cube Size Max", "Cube Number",
                                         "Angle Y", "Angle Z",     "valami"};
    EXPECT_EQ(test::EffectProbe("Blob Stuff 01").FieldNames(), names);
    EXPECT_EQ(test::EffectProbe("Blob Stuff 02").FieldNames(), names);
}

TEST(BlobStuff01, LatticeFillsWhereTheFieldIsInTheBand)
{
    test::GlScene scene(Size, Size);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        test::EffectProbe blob("Blob Stuff 01");

        // No charge strength: the field is 0 everywhere, the whole 51^3 lattice at edge 1.
        blob.Set("Cube Number", 0);
        blob.Set("Cube Size Max", 0);
        WideView();
        test::Feedback f = test::CaptureFeedback([&] { blob.Render(); }, 30u * 6 * 132651 + 64);
        ASSERT_FALSE(f.overflowed);
        EXPECT_EQ(f.polygons.size(), 6u * 51 * 51 * 51);
        ASSERT_EQ(f.lines.size(), 1u);

        // The line runs from the first charge in red to the second in blue; at Phase 0 they sit
        // at C(0) and C(0.5), and the camera at C(0.5) looks towards C(1.5).
        GLdouble mv[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        const Vec a = ToWorld(f.lines[0][0], mv);
        const Vec b = ToWorld(f.lines[0][1], mv);
        EXPECT_NEAR(a.x, 4, 1e-3);
        EXPECT_NEAR(a.y, 0, 1e-3);
        EXPECT_NEAR(a.z, 4 * std::sin(M_PI / 3), 1e-3);
        EXPECT_NEAR(b.x, 0, 1e-3);
        EXPECT_NEAR(b.y, 4 * std::sin(0.4 * M_PI), 1e-3);
        EXPECT_FLOAT_EQ(f.lines[0][0].r, 1);
        EXPECT_FLOAT_EQ(f.lines[0][0].b, 0);
        EXPECT_FLOAT_EQ(f.lines[0][1].b, 1);
        const Vec eye = ToWorld({Size / 2.0f, Size / 2.0f, 0.5f, 0, 0, 0, 0}, mv);
        EXPECT_NEAR(eye.x, 0, 1e-3);
        EXPECT_NEAR(eye.y, 4 * std::sin(0.4 * M_PI), 1e-3);
        EXPECT_NEAR(eye.z, 4 * std::sin(2 * M_PI / 3), 1e-3);

        // Iso-level 1 with no strength: every cube has edge 0.
        blob.Set("Cube Number", 1);
        WideView();
        f = test::CaptureFeedback([&] { blob.Render(); }, 30u * 6 * 132651 + 64);
        for (const auto& polygon : f.polygons)
            for (const auto& v : polygon) {
                ASSERT_NEAR(v.x, polygon[0].x, 1e-3);
                ASSERT_NEAR(v.y, polygon[0].y, 1e-3);
            }

        // The defaults (strength 1, level 0): a cube of edge 1 - E wherever E < 1.
        blob.Set("Cube Number", 0);
        blob.Set("Cube Size Max", 1);
        WideView();
        f = test::CaptureFeedback([&] { blob.Render(); }, 30u * 6 * 132651 + 64);
        EXPECT_EQ(f.polygons.size(), 6u * 132633);
    }
    LiteralDrawing = false;
}

TEST(BlobStuff01, SetsItsLightsAndLeavesItsState)
{
    test::GlScene scene(Size, Size);
    test::EffectProbe blob("Blob Stuff 01");
    blob.Set("Phase", 6);
    blob.Set("Cube Size Max", 3);
    blob.Set("Cube Number", 2);
    WideView();
    glLoadIdentity();
    glTranslatef(1, 2, 3); // the lights are placed in the frame before the camera
    RandSeed = 99;
    blob.Render();
    GLfloat v[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, v);
    EXPECT_FLOAT_EQ(v[0], 1);
    EXPECT_FLOAT_EQ(v[2], 3);
    glGetLightfv(GL_LIGHT2, GL_POSITION, v);
    EXPECT_FLOAT_EQ(v[1], -1);
    glGetLightfv(GL_LIGHT3, GL_POSITION, v);
    EXPECT_FLOAT_EQ(v[1], 5);
    EXPECT_FLOAT_EQ(v[3], 1);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, v);
    EXPECT_EQ((std::vector<float>(v, v + 4)), (std::vector<float>{1, 0, 0, 0.2f}));
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, v);
    EXPECT_EQ((std::vector<float>(v, v + 4)), (std::vector<float>{0, 0, 1, 0.2f}));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetFloatv(GL_CURRENT_COLOR, v);
    EXPECT_EQ((std::vector<float>(v, v + 4)), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(RandSeed, 0u);
}

TEST(BlobStuff02, LightsRideOnTheFirstPairOfCharges)
{
    test::GlScene scene(Size, Size);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        test::EffectProbe blob("Blob Stuff 02");
        for (const double phase : {0.0, 7.3, 22.0}) {
            blob.Set("Phase", phase);
            WideView();
            blob.Render();
            GLdouble mv[16];
            glGetDoublev(GL_MODELVIEW_MATRIX, mv);
            const double x = phase / 4;
            GLfloat light[4];
            glGetLightfv(GL_LIGHT1, GL_POSITION, light);
            ExpectEyeAt(blob::Curve(blob::Warp(blob::Mover::FirstCharge, x), 650, 10), mv, light);
            glGetLightfv(GL_LIGHT2, GL_POSITION, light);
            ExpectEyeAt(blob::Curve(blob::Warp(blob::Mover::SecondCharge, x), 650, 10), mv, light);
            for (const GLenum l : {GL_LIGHT1, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4})
                EXPECT_FALSE(glIsEnabled(l));

            // The colour of the last lattice point (16, 16, 16) stays current.
            GLfloat c[4];
            glGetFloatv(GL_CURRENT_COLOR, c);
            EXPECT_NEAR(c[0], 0.35, 1e-6);
            EXPECT_NEAR(c[1], 0.5 * std::sin(54 * M_PI / 16) + 0.5, 1e-6);
            EXPECT_NEAR(c[2], 0, 1e-6);

            // One draw per lattice point and one more per Menger cell.
            uint32_t seed = 0;
            int32_t draws = 0;
            while (seed != RandSeed && draws < 2 * 35937) {
                seed = seed * 134775813u + 1u;
                ++draws;
            }
            EXPECT_GE(draws, 35937);
            EXPECT_LT(draws, 2 * 35937);
        }
    }
    LiteralDrawing = false;
}

// A frame of the scene: the player's clear and perspective, then the effect.
std::vector<uint8_t> Picture(test::GlScene& scene, const test::EffectProbe& effect)
{
    ClearScene(0.1, 0.2, 0.3, 1);
    effect.Render();
    return scene.Frame();
}

TEST(BlobStuff, SamePhaseSamePictureWhateverTheUnusedFields)
{
    test::GlScene scene(Size, Size * 3 / 4);
    for (const char* type : {"Blob Stuff 01", "Blob Stuff 02"}) {
        test::EffectProbe blob(type);
        blob.Set("Phase", 9.5);
        blob.Set("Cube Size Max", 1.5);
        blob.Set("Cube Number", 1);
        const std::vector<uint8_t> first = Picture(scene, blob);
        blob.Set("Phase", 9.5); // Render divides it in place; the playback writes it afresh
        EXPECT_EQ(Picture(scene, blob), first) << type;
        blob.Set("Phase", 9.5);
        blob.Set("Blob Camera", 40);
        blob.Set("Angle Y", 90);
        blob.Set("Angle Z", 12);
        blob.Set("valami", -300);
        EXPECT_EQ(Picture(scene, blob), first) << type;
        // Below the field's bounds the paths run backwards in the same rhythm.
        blob.Set("Phase", -37.3);
        EXPECT_NE(Picture(scene, blob), first) << type;
    }
}

} // namespace
} // namespace quv

namespace quv {
namespace {

// The default path leaves out only what cannot reach a pixel, so both paths give the same frame.
TEST(BlobStuff, DefaultPathDrawsTheLiteralPicture)
{
    test::GlScene scene(160, 120);
    struct Case {
        const char* type;
        double phase, strength, level;
    };
    for (const Case& c : {Case{"Blob Stuff 01", 0, 1, 0}, Case{"Blob Stuff 01", 7.3, 1.5, 1},
                          Case{"Blob Stuff 01", 31, 0.7, 0.4}, Case{"Blob Stuff 02", 0, 0, 0},
                          Case{"Blob Stuff 02", 7.3, 0, 0}, Case{"Blob Stuff 02", 30, 0, 0}}) {
        test::EffectProbe blob(c.type);
        std::vector<uint8_t> frames[2];
        for (const bool literal : {true, false}) {
            LiteralDrawing = literal;
            blob.Set("Phase", c.phase);
            blob.Set("Cube Size Max", c.strength);
            blob.Set("Cube Number", c.level);
            frames[literal] = Picture(scene, blob);
        }
        EXPECT_LE(test::DifferingShare(frames[0], frames[1], 2), 0.005)
            << c.type << " at " << c.phase;
        // Same vertices, same current colour: not a bit may differ. Per-vertex colours from an
        // array take the driver's other lighting variant, which may round differently.
        if (std::string(c.type) == "Blob Stuff 01") {
            EXPECT_EQ(test::DifferingShare(frames[0], frames[1], 0), 0.0) << c.phase;
        }
    }
    LiteralDrawing = false;
}

} // namespace
} // namespace quv
