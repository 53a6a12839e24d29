// "GFX Module 01" drawn headless: where a sprite's pixels land, its placement fields, the
// render-target branch, the slot list and the order of start-up problems.
//
// Sections:
//   Helpers          a sprite's fields, drawing one, reading its extent through GL feedback
//   Placement        the first stored pixel, centre, rotation, scale and alpha
//   Render targets   slots below zero draw the pool's textures
//   Slot list        sixty-four slots from "gfx/gfxslots", and the messages for bad entries

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "effects/image/_rendertargets.h"
#include "engine/_loadsave.h"
#include "engine/playback.h"
#include "engine/_DemoParameters.h"
#include "tests/effects/sprites/tgafiles.h"
#include "tests/support/demobytes.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

struct Sprite {
    double slot = 0.0;
    double centerX = 0.0;
    double centerY = 0.0;
    double rotation = 0.0;
    double scale = 1.0;
    double alpha = 1.0;
    double blendSrc = 1.0;
    double blendDst = 1.0;
};

// A black clear, then the sprite, with every field held at its value.
void LoadSprite(const Sprite& s)
{
    test::DemoBytes demo;
    demo.Handle("OpenGL Clear", 0.0, 1000.0).Handle("GFX Module 01", 0.0, 1000.0);
    const double values[] = {s.slot,  s.centerX, s.centerY,  s.rotation,
                             s.scale, s.alpha,   s.blendSrc, s.blendDst};
    for (size_t i = 0; i < 8; ++i) {
        if (i == 0)
            demo.FirstField();
        else
            demo.NextField();
        demo.FirstKey(0.0, values[i], 0);
    }
    LoadDemoBytes(demo.Bytes(), "demodata.quv");
}

test::Rgba Draw(test::GlScene& scene, const Sprite& s, int32_t x, int32_t y)
{
    LoadSprite(s);
    EvaluateTimeline(0.0);
    return scene.Pixel(x, y);
}

bool IsColour(test::Rgba p, int r, int g, int b)
{
    return std::abs(p.r - r) <= 1 && std::abs(p.g - g) <= 1 && std::abs(p.b - b) <= 1;
}

struct Bounds {
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    int vertices = 0;
};

// The window-space extent of everything the frame draws, through GL feedback.
Bounds Feedback(const Sprite& s)
{
    LoadSprite(s);
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    EvaluateTimeline(0.0);
    const GLint count = glRenderMode(GL_RENDER);
    Bounds b;
    for (GLint i = 0; i < count;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token != GL_POLYGON_TOKEN)
            break;
        const GLint n = static_cast<GLint>(buffer[i++]);
        for (GLint v = 0; v < n; ++v, i += 2) {
            b.minX = std::min(b.minX, buffer[i]);
            b.maxX = std::max(b.maxX, buffer[i]);
            b.minY = std::min(b.minY, buffer[i + 1]);
            b.maxY = std::max(b.maxY, buffer[i + 1]);
            ++b.vertices;
        }
    }
    return b;
}

void ExpectBounds(const Bounds& b, float minX, float maxX, float minY, float maxY)
{
    EXPECT_GT(b.vertices, 0);
    EXPECT_NEAR(b.minX, minX, 0.01);
    EXPECT_NEAR(b.maxX, maxX, 0.01);
    EXPECT_NEAR(b.minY, minY, 0.01);
    EXPECT_NEAR(b.maxY, maxY, 0.01);
}

TEST(GFXModule01, FirstStoredPixelLandsBottomLeft)
{
    test::ScratchDirectory dir;
    // 64 x 64: the first 32 stored rows are the bottom half; their left half is blue 10,
    // green 20, red 30; the upper left quarter is blue 200.
    test::TgaFields fields;
    fields.width = 64;
    fields.height = 64;
    std::vector<uint8_t> body;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            if (x >= 32)
                body.insert(body.end(), {0, 0, 0});
            else if (y < 32)
                body.insert(body.end(), {10, 20, 30});
            else
                body.insert(body.end(), {200, 0, 0});
        }
    test::WriteFile("gfx/quarters.tga", test::TgaBytes(fields, body));
    test::WriteText("gfx/gfxslots", "quarters.tga\n");
    test::GlScene scene(64, 48);

    Sprite s;
    s.scale = 32.0; // 64 pixels wide: half-width 16 x 64 / 1024 = 1, the whole view
    EXPECT_TRUE(IsColour(Draw(scene, s, 8, 4), 30, 20, 10));
    EXPECT_TRUE(IsColour(scene.Pixel(8, 43), 0, 0, 200));
    EXPECT_TRUE(IsColour(scene.Pixel(56, 4), 0, 0, 0));

    // Alpha 0.5 with the default additive blend adds half the colour.
    s.alpha = 0.5;
    EXPECT_TRUE(IsColour(Draw(scene, s, 8, 43), 0, 0, 100));
    // Blend indices 1 and 0 (ONE, ZERO) replace; 0 and 1 (ZERO, ONE) keep the black.
    s.alpha = 1.0;
    s.blendDst = 0.0;
    EXPECT_TRUE(IsColour(Draw(scene, s, 8, 43), 0, 0, 200));
    s.blendSrc = 0.0;
    s.blendDst = 1.0;
    EXPECT_TRUE(IsColour(Draw(scene, s, 8, 43), 0, 0, 0));

    // State left for later effects.
    Draw(scene, Sprite{0, 0, 0, 0, 32, 0.25, 1, 1}, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 0.25f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    FreeTimeline();
}

TEST(GFXModule01, SpritePlacement)
{
    test::ScratchDirectory dir;
    test::WriteFile("gfx/wide.tga", test::SolidTga(512, 256, 255, 255, 255));
    test::WriteText("gfx/gfxslots", "wide.tga\n");
    // 256 x 192: x from -1 to 1 is 256 pixels, y from -0.75 to 0.75 is 192.
    test::GlScene scene(256, 192);
    auto px = [](double x) { return static_cast<float>((x + 1.0) / 2.0 * 256.0); };
    auto py = [](double y) { return static_cast<float>((y / 0.75 + 1.0) / 2.0 * 192.0); };

    Sprite s; // 512 x 256 at Scale 1: x +-0.25, y +-0.125
    ExpectBounds(Feedback(s), px(-0.25), px(0.25), py(-0.125), py(0.125));
    // Again: the halving of Scale inside Render does not accumulate.
    ExpectBounds(Feedback(s), px(-0.25), px(0.25), py(-0.125), py(0.125));
    s.scale = 2.0;
    ExpectBounds(Feedback(s), px(-0.5), px(0.5), py(-0.25), py(0.25));
    s.scale = 1.0;
    s.centerX = 0.5;
    s.centerY = -0.25;
    ExpectBounds(Feedback(s), px(0.25), px(0.75), py(-0.375), py(-0.125));
    s.centerX = s.centerY = 0.0;
    s.rotation = 90.0;
    ExpectBounds(Feedback(s), px(-0.125), px(0.125), py(-0.25), py(0.25));
    s.rotation = 0.0;
    s.slot = 0.9; // truncated to slot 0
    ExpectBounds(Feedback(s), px(-0.25), px(0.25), py(-0.125), py(0.125));
    // Slots the list never reached draw a quad of no size; slots past the table draw nothing.
    for (double slot : {1.0, 63.0}) {
        s.slot = slot;
        ExpectBounds(Feedback(s), px(0), px(0), py(0), py(0));
    }
    for (double slot : {64.0, 1e9, std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN()}) {
        s.slot = slot;
        EXPECT_EQ(Feedback(s).vertices, 0) << slot;
    }
    FreeTimeline();
}

// Gives RenderTargets[k] an image of one colour (the pool's own textures when it has them).
void FillRenderTarget(int k, uint8_t r, uint8_t g, uint8_t b)
{
    if (RenderTargets[k] == 0)
        glGenTextures(1, &RenderTargets[k]);
    glBindTexture(GL_TEXTURE_2D, RenderTargets[k]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const int32_t w = DemoParameters.TextureWidth;
    const int32_t h = DemoParameters.TextureHeight;
    std::vector<uint8_t> texels;
    for (int32_t i = 0; i < w * h; ++i)
        texels.insert(texels.end(), {r, g, b, 255});
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
}

TEST(GFXModule01, RenderTargetBranch)
{
    test::ScratchDirectory dir;
    test::WriteText("gfx/gfxslots", "");
    test::GlScene scene(64, 48);
    FillRenderTarget(0, 255, 0, 0);
    FillRenderTarget(1, 0, 255, 0);
    FillRenderTarget(7, 0, 0, 255);

    const struct {
        double index;
        int r, g, b;
    } cases[] = {
        {-1.0, 255, 0, 0}, {-1.5, 255, 0, 0}, {-0.5, 255, 0, 0},
        {-2.0, 0, 255, 0}, {-8.0, 0, 0, 255}, {-8.9, 0, 0, 255},
        {-9.0, 0, 0, 0},   {-1e9, 0, 0, 0},   {-std::numeric_limits<double>::infinity(), 0, 0, 0}};
    for (const auto& c : cases) {
        Sprite s;
        s.slot = c.index;
        // The whole picture, corners included.
        for (auto [x, y] : {std::pair{0, 0}, {63, 47}, {32, 24}})
            EXPECT_TRUE(IsColour(Draw(scene, s, x, y), c.r, c.g, c.b))
                << "index " << c.index << " at " << x << ", " << y;
    }
    // Scale 0 collapses the quad: the picture stays black.
    Sprite s;
    s.slot = -1.0;
    s.scale = 0.0;
    EXPECT_TRUE(IsColour(Draw(scene, s, 32, 24), 0, 0, 0));
    FreeTimeline();
}

TEST(GFXModule01, SlotListFillsSixtyFourSlots)
{
    test::ScratchDirectory dir;
    std::string list;
    for (int n = 0; n < 70; ++n) {
        const std::string name = std::string("c").append(std::to_string(n)).append(".tga");
        if (n < 64 && n != 5) {
            const auto v = static_cast<uint8_t>(n * 4);
            test::WriteFile("gfx/" + name,
                            test::SolidTga(8, 8, v, static_cast<uint8_t>(255 - v), 128));
        }
        if (n == 5)
            list += "\r\n"; // an empty line keeps its slot empty and the numbering
        else if (n == 7)
            list += "C7.TGA\r\n"; // other case than the file
        else
            list += name + "\r\n"; // lines 64 to 69 name files that do not exist
    }
    test::WriteText("gfx/gfxslots", list);
    test::MessageRecorder messages;
    test::GlScene scene(64, 48);
    // The star texture is missing here; the slots report nothing.
    EXPECT_EQ(messages.Take(),
              std::vector<std::string>{"TGA Texture: File not found  - gfx/stars1.tga"});

    Sprite s;
    s.scale = 256.0; // 8 pixels wide: the whole view
    for (int n = 0; n < 64; ++n) {
        s.slot = n;
        const test::Rgba p = Draw(scene, s, 32, 24);
        if (n == 5)
            EXPECT_TRUE(IsColour(p, 0, 0, 0));
        else
            EXPECT_TRUE(IsColour(p, n * 4, 255 - n * 4, 128)) << "slot " << n;
    }
    FreeTimeline();
}

TEST(GFXModule01, ProblemsAreReportedInStartUpOrder)
{
    test::ScratchDirectory dir;
    {
        test::MessageRecorder messages;
        test::GlScene scene(64, 48); // no gfx directory at all
        EXPECT_EQ(messages.Take(),
                  (std::vector<std::string>{"TGA Texture: File not found  - gfx/stars1.tga",
                                            "Plomarind demo: File not found"}));
    }
    {
        // Loader and size reader each report a bad image; loading goes on with the next line.
        test::WriteText("gfx/gfxslots", "missing.tga\nmapped.tga\nok.tga");
        test::TgaFields mapped;
        mapped.imageType = 1;
        test::WriteFile("gfx/mapped.tga", test::TgaBytes(mapped, {}));
        test::WriteFile("gfx/ok.tga", test::SolidTga(8, 8, 0, 255, 0));
        test::WriteFile("gfx/stars1.tga", test::SolidTga(4, 4, 255, 255, 255));
        test::MessageRecorder messages;
        test::GlScene scene(64, 48);
        const std::string mappedText = "TGA File Error: Couldn't load \"gfx/mapped.tga\". Only 24 "
                                       "and 32bit TGA supported.";
        EXPECT_EQ(messages.Take(),
                  (std::vector<std::string>{"TGA Texture: File not found  - gfx/missing.tga",
                                            "TGA Texture: File not found  - gfx/missing.tga",
                                            mappedText, mappedText}));
        Sprite s;
        s.scale = 256.0;
        s.slot = 2;
        EXPECT_TRUE(IsColour(Draw(scene, s, 32, 24), 0, 255, 0));
        s.slot = 0; // failed slots draw nothing
        EXPECT_TRUE(IsColour(Draw(scene, s, 32, 24), 0, 0, 0));
        s.slot = 1;
        EXPECT_TRUE(IsColour(Draw(scene, s, 32, 24), 0, 0, 0));
        FreeTimeline();
    }
}

// A slot list may name only images inside the demo's "gfx" folder. An absolute name, a ".." out
// of it and a link to a file outside are all reported as a missing file would be; a link that
// stays inside loads.
TEST(GFXModule01, SlotLinesStayInsideTheImageFolder)
{
    test::ScratchDirectory dir;
    test::WriteFile("./outside.tga", test::SolidTga(8, 8, 255, 0, 0));
    test::WriteFile("gfx/sub/inside.tga", test::SolidTga(8, 8, 0, 0, 255));
    test::WriteFile("gfx/stars1.tga", test::SolidTga(4, 4, 255, 255, 255));
    std::filesystem::create_symlink("../outside.tga", "gfx/out.tga");
    std::filesystem::create_symlink("sub/inside.tga", "gfx/in.tga");
    const std::string absolute = (dir.Path() / "outside.tga").string();
    test::WriteText("gfx/gfxslots",
                    absolute + "\n../outside.tga\n..\\..\\outside.tga\nout.tga\nin.tga\n");
    test::MessageRecorder messages;
    test::GlScene scene(64, 48);
    std::vector<std::string> expected;
    for (const std::string& name :
         {"gfx/" + absolute, std::string("gfx/../outside.tga"),
          std::string("gfx/..\\..\\outside.tga"), std::string("gfx/out.tga")}) {
        expected.push_back("TGA Texture: File not found  - " + name); // loader
        expected.push_back("TGA Texture: File not found  - " + name); // size reader
    }
    EXPECT_EQ(messages.Take(), expected);
    Sprite s;
    s.scale = 256.0;
    for (int slot = 0; slot < 4; ++slot) {
        s.slot = slot;
        EXPECT_TRUE(IsColour(Draw(scene, s, 32, 24), 0, 0, 0)) << "slot " << slot;
    }
    s.slot = 4;
    EXPECT_TRUE(IsColour(Draw(scene, s, 32, 24), 0, 0, 255));
    FreeTimeline();
}

} // namespace
} // namespace quv
