// Scenes on which the default drawing path once drew other pictures than the literal path: a
// light sitting on the blob lattice (the split of each quad into triangles shows), a positional
// light beside the Menger structure, and lit cubes under a singular modelview. Each is drawn both
// ways and must match pixel for pixel.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "effects/glview.h"
#include "engine/drawpath.h"
#include "tests/support/effectprobe.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

struct Step {
    const char* type;
    std::vector<std::pair<const char*, double>> fields;
};

// Draws the steps on a fresh cleared frame in the chosen path and reads it back.
std::vector<uint8_t> Draw(test::GlScene& scene, const std::vector<Step>& steps, bool literal)
{
    LiteralDrawing = literal;
    ClearScene(0, 0, 0, 1);
    for (const Step& step : steps) {
        test::EffectProbe probe(step.type);
        for (const auto& [name, value] : step.fields)
            probe.Set(name, value);
        probe.Render();
    }
    std::vector<uint8_t> frame = scene.Frame();
    LiteralDrawing = false;
    return frame;
}

// Share of pixels off by more than 2, and of pixels differing at all.
std::pair<double, double> Compare(int32_t width, int32_t height, const std::vector<Step>& steps)
{
    test::GlScene scene(width, height);
    const std::vector<uint8_t> literal = Draw(scene, steps, true);
    Draw(scene, steps, false); // the first frame builds what a kept mesh keeps
    const std::vector<uint8_t> fast = Draw(scene, steps, false);
    return {test::DifferingShare(literal, fast, 2), test::DifferingShare(literal, fast, 0)};
}

TEST(ExactScenes, LightOnTheBlobLatticeKeepsEachQuadsSplit)
{
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{800, 600}}) {
        // A few pixels still differ by 1 or 2: the batch's per-vertex colours take the driver's
        // lighting variant for colour arrays, which rounds differently from glColor.
        const auto [off, any] = Compare(w, h, {{"Blob Stuff 02", {{"Phase", 16.386}}}});
        EXPECT_EQ(off, 0.0) << w << "x" << h;
        EXPECT_LT(any, 1e-4) << w << "x" << h;
    }
}

TEST(ExactScenes, PositionalLightBesideTheMengerStructure)
{
    const auto [off, any] =
        Compare(320, 240,
                {{"OpenGL Clear", {{"Red", 0.1}, {"Alpha", 1}}},
                 {"OpenGL Light",
                  {{"Enabled", 1},
                   {"Diffuse R", 1},
                   {"Diffuse G", 0.3},
                   {"Diffuse B", 0.8},
                   {"Diffuse A", 1}}},
                 {"OpenGL Camera", {{"Eye X", 9}, {"Eye Y", 3}, {"Eye Z", 7}, {"Up Y", 1}}},
                 {"MengerF\xE9tis 01", {{"Menger Level", 1}}}});
    EXPECT_EQ(any, 0.0) << "off by more than 2: " << off;
}

TEST(ExactScenes, SingularModelviewBeforeLitCubes)
{
    // "GFX Module 01" showing render target 7 leaves glScaled(s, s, 0) on the modelview.
    const auto [off, any] =
        Compare(800, 600,
                {{"GFX Module 01", {{"Image Slot Index", -8}, {"Scale", 0.707}}},
                 {"OpenGL Camera",
                  {{"Eye X", -12.89},
                   {"Eye Z", -25.03},
                   {"Target Y", 5.93},
                   {"Target Z", 4.48},
                   {"Up Y", 1}}},
                 {"OpenGL Light", {{"Enabled", 1}, {"Diffuse R", 0.518}}},
                 {"Kocka Karika Cso", {{"Cube Number", 140}, {"Tunnel Strech", 20.967}}}});
    EXPECT_EQ(any, 0.0) << "off by more than 2: " << off;
}

// Feedback mode sees polygons, not pixels: the kept mesh sends its quads as they are there, and
// must still send every box that reaches the view.
TEST(ExactScenes, FeedbackOfAKeptMeshPartlyOutsideTheView)
{
    test::GlScene scene(160, 120);
    size_t polygons[2] = {};
    for (const bool literal : {true, false}) {
        LiteralDrawing = literal;
        ClearScene(0, 0, 0, 1);
        test::EffectProbe camera("OpenGL Camera");
        camera.Set("Eye X", 6);
        camera.Set("Eye Z", 9);
        camera.Set("Up Y", 1);
        camera.Render();
        test::EffectProbe menger("MengerF\xE9tis 01");
        menger.Set("Menger Level", 2);
        menger.Render(); // builds the mesh
        const test::Feedback f = test::CaptureFeedback([&] { menger.Render(); }, 1 << 22);
        EXPECT_FALSE(f.overflowed);
        polygons[literal] = f.polygons.size();
    }
    LiteralDrawing = false;
    EXPECT_GT(polygons[1], 100u);
    EXPECT_EQ(polygons[0], polygons[1]);
}

} // namespace
} // namespace quv
