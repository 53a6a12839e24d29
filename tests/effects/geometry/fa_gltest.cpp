// The trees "Fa" and "Fa6" drawn headless.
//
// Sections:
//   Helpers           a tree's boxes and segments read back through GL feedback
//   Shape             fields in order, box counts per depth, segments on their nodes, six arms
//   State             the GL state left behind, the unused fields
//   Drawing paths     the CPU-stack tree for deep levels, and the default path against the literal

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/geometry/tree.h"
#include "effects/glview.h"
#include "engine/drawpath.h"
#include "engine/random.h"
#include "tests/support/effectprobe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

constexpr int32_t Size = 64;

GLdouble View[16];

// A square viewport over an orthographic box of half-size 4, turned so that no face of an
// axis-aligned box is seen edge-on, and unlit, so that feedback vertices map back to object
// coordinates and carry the segment colours. (Feedback returns back faces too.)
void OrthoView()
{
    glViewport(0, 0, Size, Size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -4, 4, -4, 4);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(23.1f, 1, 0, 0);
    glRotatef(37.9f, 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, View);
    glDisable(GL_LIGHTING);
}

struct Point3 {
    double x, y, z;
};

// Undoes the view's turn: object = turn transposed times eye.
Point3 ToObject(const test::FeedbackVertex& v)
{
    const double e[3] = {(v.x / (Size / 2.0) - 1) * 4, (v.y / (Size / 2.0) - 1) * 4,
                         -(2 * v.z - 1) * 4};
    Point3 p;
    double* out[3] = {&p.x, &p.y, &p.z};
    for (int c = 0; c < 3; ++c)
        *out[c] = View[c * 4] * e[0] + View[c * 4 + 1] * e[1] + View[c * 4 + 2] * e[2];
    return p;
}

struct Extent {
    Point3 lo{1e9, 1e9, 1e9};
    Point3 hi{-1e9, -1e9, -1e9};
    void Add(const Point3& p)
    {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};

Extent ExtentOf(const std::vector<test::FeedbackVertex>& polygon)
{
    Extent e;
    for (const auto& v : polygon)
        e.Add(ToObject(v));
    return e;
}

// Every face the effect emits inside the view.
std::vector<std::vector<test::FeedbackVertex>> AllFaces(const test::EffectProbe& effect,
                                                        size_t floats = 1 << 22)
{
    test::Feedback f = test::CaptureFeedback([&] { effect.Render(); }, floats);
    EXPECT_FALSE(f.overflowed);
    return f.polygons;
}

TEST(Fa, FieldsInDefinitionOrder)
{
    test::GlScene scene(8, 8);
    test::EffectProbe fa("Fa");
    EXPECT_EQ(fa.FieldNames(),
              (std::vector<std::string>{"wtf", "Cube Size Min", "Cube Size Max", "Cube Number",
                                        "Angle Y", "Angle Z", "Phase"}));
    test::EffectProbe fa6("Fa6");
    EXPECT_EQ(fa6.FieldNames(),
              (std::vector<std::string>{"Level", "Phase", "Kihajlas", "Rotation", "Blending"}));
}

TEST(Fa, BoxCountGrowsThreefoldPerLevelAtEveryDepth)
{
    test::GlScene scene(Size, Size);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        test::EffectProbe fa("Fa");
        fa.Set("Phase", 1);
        fa.Set("Cube Size Min", 17.3);
        fa.Set("Cube Size Max", 23.7);
        for (const double depth : {-2.5, 0.0, 1.0, 4.9, 8.0}) {
            fa.Set("Cube Number", depth);
            OrthoView();
            const int32_t n = static_cast<int32_t>(depth);
            EXPECT_EQ(AllFaces(fa).size(), 6 * TreeBoxCount(n))
                << "depth " << depth << (literal ? " literal" : " default");
            // Depth 8 needs more than the 32 stack entries GL guarantees when drawn node by node.
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "depth " << depth;
        }
    }
    LiteralDrawing = false;
    EXPECT_EQ(TreeBoxCount(4), 121);
    EXPECT_EQ(TreeBoxCount(10), 88573);
    EXPECT_EQ(TreeBoxCount(10000), TreeBoxCount(12));
}

TEST(Fa, SegmentsStandOnTheirNodesWithLengthsFromThePhase)
{
    test::GlScene scene(Size, Size);
    LiteralDrawing = true;
    test::EffectProbe fa("Fa");
    fa.Set("Cube Size Max", 0);

    // Depth 0: one green box of section P/8 standing on the origin, P high.
    fa.Set("Phase", 1);
    OrthoView();
    auto faces = AllFaces(fa);
    ASSERT_EQ(faces.size(), 6u);
    Extent all;
    for (const auto& face : faces) {
        for (const auto& v : face)
            all.Add(ToObject(v));
        EXPECT_FLOAT_EQ(face[0].g, 1.0f);
        EXPECT_FLOAT_EQ(face[0].r, 0.0f);
    }
    EXPECT_NEAR(all.lo.x, -1.0 / 16, 1e-4);
    EXPECT_NEAR(all.hi.x, 1.0 / 16, 1e-4);
    EXPECT_NEAR(all.lo.y, 0.0, 1e-4);
    EXPECT_NEAR(all.hi.y, 1.0, 1e-4);
    EXPECT_NEAR(all.hi.z, 1.0 / 16, 1e-4);

    // Depth 1, no bend or twist: a brown trunk and three green branches of 2/3 on its tip.
    fa.Set("Cube Number", 1);
    OrthoView();
    faces = AllFaces(fa);
    ASSERT_EQ(faces.size(), 24u);
    int32_t brown = 0;
    for (const auto& face : faces) {
        const Extent e = ExtentOf(face);
        if (face[0].g < 0.5f) {
            ++brown;
            EXPECT_NEAR(face[0].r, 171 / 255.0, 1e-6);
            EXPECT_GE(e.lo.y, -1e-4);
            EXPECT_LE(e.hi.y, 1 + 1e-4);
        } else {
            EXPECT_GE(e.lo.y, 1 - 1e-4);
            EXPECT_LE(e.hi.y, 1 + 2.0 / 3 + 1e-4);
        }
    }
    EXPECT_EQ(brown, 6);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[0], 171 / 255.0, 1e-6); // the root's colour is left current
    EXPECT_NEAR(colour[2], 43 / 255.0, 1e-6);

    // A negative base: the trunk points down; every level with a fractional exponent has no
    // defined length and is left out with what it carries.
    fa.Set("Phase", -1);
    fa.Set("Cube Number", 3);
    OrthoView();
    faces = AllFaces(fa);
    ASSERT_EQ(faces.size(), 6u);
    all = Extent{};
    for (const auto& face : faces)
        for (const auto& v : face)
            all.Add(ToObject(v));
    EXPECT_NEAR(all.lo.y, -1.0, 1e-4);
    EXPECT_NEAR(all.hi.y, 0.0, 1e-4);

    // Base 0: nothing of any size.
    fa.Set("Phase", 0);
    OrthoView();
    for (const auto& face : AllFaces(fa))
        for (const auto& v : face) {
            EXPECT_NEAR(v.x, Size / 2.0, 1e-3);
            EXPECT_NEAR(v.y, Size / 2.0, 1e-3);
        }
    LiteralDrawing = false;
}

TEST(Fa, LeavesStateAndIgnoresUnusedFields)
{
    test::GlScene scene(Size, Size);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        test::EffectProbe fa("Fa");
        fa.Set("Phase", 0.9);
        fa.Set("Cube Number", 3);
        fa.Set("Cube Size Min", 30);
        fa.Set("Cube Size Max", 10);
        OrthoView();
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glTranslatef(0.5f, -1, 0);
        GLfloat before[16], after[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, before);
        RandSeed = 77;
        const auto reference = AllFaces(fa);
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        EXPECT_TRUE(std::equal(before, before + 16, after));
        EXPECT_EQ(RandSeed, 0u);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        GLint cull = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &cull);
        EXPECT_EQ(cull, GL_BACK);

        fa.Set("wtf", 50);
        fa.Set("Angle Y", 90);
        fa.Set("Angle Z", -45);
        const auto changed = AllFaces(fa);
        ASSERT_EQ(changed.size(), reference.size());
        for (size_t f = 0; f < reference.size(); ++f)
            for (size_t v = 0; v < reference[f].size(); ++v) {
                EXPECT_FLOAT_EQ(changed[f][v].x, reference[f][v].x);
                EXPECT_FLOAT_EQ(changed[f][v].y, reference[f][v].y);
            }
    }
    LiteralDrawing = false;
}

// A tree too deep for the free part of the matrix stack is drawn from CPU-composed matrices; it
// must land where the node-by-node tree lands.
TEST(Fa, TreeDeeperThanTheFreeStackMatchesTheStackedTree)
{
    test::GlScene scene(Size, Size);
    LiteralDrawing = true;
    test::EffectProbe fa("Fa");
    fa.Set("Phase", 0.95);
    fa.Set("Cube Number", 7);
    fa.Set("Cube Size Min", 25);
    fa.Set("Cube Size Max", 40);
    OrthoView();
    glRotatef(20, 1, 0, 0);
    glTranslatef(0, -1.5f, 0);
    const auto stacked = AllFaces(fa);
    for (int i = 0; i < 6; ++i)
        glPushMatrix(); // 7 used + 4 * 7 + 2 needed > 32
    const auto composed = AllFaces(fa);
    for (int i = 0; i < 6; ++i)
        glPopMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    ASSERT_EQ(stacked.size(), 6 * TreeBoxCount(7));
    ASSERT_EQ(composed.size(), stacked.size());
    double worst = 0;
    for (size_t f = 0; f < stacked.size(); ++f)
        for (size_t v = 0; v < stacked[f].size(); ++v) {
            worst = std::max(worst, double{std::fabs(stacked[f][v].x - composed[f][v].x)});
            worst = std::max(worst, double{std::fabs(stacked[f][v].y - composed[f][v].y)});
        }
    EXPECT_LT(worst, 1e-3); // pixels
    LiteralDrawing = false;
}

TEST(Fa6, SixArmsAlongTheAxes)
{
    test::GlScene scene(Size, Size);
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        test::EffectProbe fa6("Fa6");
        fa6.Set("Phase", 1);
        fa6.Set("Kihajlas", 0);
        fa6.Set("Rotation", 0);

        // Level 0: six green boxes of length 1 meeting at the origin.
        OrthoView();
        auto faces = AllFaces(fa6);
        ASSERT_EQ(faces.size(), 36u);
        Extent all;
        for (const auto& face : faces)
            for (const auto& v : face)
                all.Add(ToObject(v));
        EXPECT_NEAR(all.lo.x, -1, 1e-4);
        EXPECT_NEAR(all.hi.x, 1, 1e-4);
        EXPECT_NEAR(all.lo.y, -1, 1e-4);
        EXPECT_NEAR(all.hi.y, 1, 1e-4);
        EXPECT_NEAR(all.lo.z, -1, 1e-4);
        EXPECT_NEAR(all.hi.z, 1, 1e-4);

        // Level 2, straight: each arm is a box of 1, three of 2/3 and nine of 4/9: 19/9 long.
        fa6.Set("Level", 2);
        OrthoView();
        faces = AllFaces(fa6);
        ASSERT_EQ(faces.size(), 6u * 6 * 13);
        all = Extent{};
        for (const auto& face : faces)
            for (const auto& v : face)
                all.Add(ToObject(v));
        for (const double reach : {-all.lo.x, all.hi.x, -all.lo.y, all.hi.y, -all.lo.z, all.hi.z})
            EXPECT_NEAR(reach, 19.0 / 9, 1e-4);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_NEAR(colour[1], 96 / 255.0, 1e-6);

        // Phase 0 (the default): every box is empty, nothing reaches a pixel.
        fa6.Set("Phase", 0);
        fa6.Set("Level", 3);
        OrthoView();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_CULL_FACE);
        fa6.Render();
        const std::vector<uint8_t> frame = scene.Frame();
        EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
    }
    LiteralDrawing = false;
}

} // namespace
} // namespace quv

namespace quv {
namespace {

// The default path composes the segment frames on the CPU and leaves out only what cannot reach
// a pixel; its frames match the literal path's up to rounding on a few edge pixels.
TEST(Fa, DefaultPathDrawsTheLiteralPicture)
{
    test::GlScene scene(160, 120);
    ClearScene(0.1, 0.1, 0.2, 1);
    const std::vector<uint8_t> background = scene.Frame();
    struct Case {
        const char* type;
        double depth, phase, bend, twist;
        float distance;
    };
    for (const Case& c : {Case{"Fa", 6, 1, 30, 20, 3.2f}, Case{"Fa", 9, 0.97, 12, 41, 2.5f},
                          Case{"Fa", 3, 0.8, 60, 5, 1.8f}, Case{"Fa6", 5, 1, 30, 20, 5.5f},
                          Case{"Fa6", 4, 0.9, 0, 0, 4.0f}}) {
        const bool six = std::string(c.type) == "Fa6";
        test::EffectProbe tree(c.type);
        tree.Set(six ? "Level" : "Cube Number", c.depth);
        tree.Set("Phase", c.phase);
        tree.Set(six ? "Kihajlas" : "Cube Size Min", c.bend);
        tree.Set(six ? "Rotation" : "Cube Size Max", c.twist);
        std::vector<uint8_t> frames[2];
        for (const bool literal : {true, false}) {
            LiteralDrawing = literal;
            ClearScene(0.1, 0.1, 0.2, 1);
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            glTranslatef(0, six ? 0.0f : -1.5f, -c.distance);
            glRotatef(25, 1, 1, 0);
            tree.Render();
            frames[literal] = scene.Frame();
        }
        EXPECT_LE(test::DifferingShare(frames[0], frames[1], 2), 0.005)
            << c.type << " depth " << c.depth;
        EXPECT_GT(test::DifferingShare(frames[0], background, 2), 0.005) << "the tree is in view";
    }
    LiteralDrawing = false;
}

} // namespace
} // namespace quv
