// Watch mode's images: a changed TGA or slot list in "gfx/" is loaded again into the textures
// the sprites draw, once the folder has been quiet for the settle time, and a broken one is
// reported without a message box while the demo plays on.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/_loadsave.h"
#include "engine/message.h"
#include "engine/playback.h"
#include "platform/demowatch.h"
#include "tests/effects/sprites/tgafiles.h"
#include "tests/support/demobytes.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

std::vector<std::string> boxes;

MessageAnswer RecordBoxes(std::string_view caption, std::string_view text, MessageButtons buttons,
                          MessageIcon icon)
{
    if (buttons != MessageButtons::None)
        boxes.push_back(std::string(caption) + ": " + std::string(text));
    return PrintMessageToStderr(caption, text, MessageButtons::None, icon);
}

bool IsColour(test::Rgba p, int r, int g, int b)
{
    return std::abs(p.r - r) <= 1 && std::abs(p.g - g) <= 1 && std::abs(p.b - b) <= 1;
}

TEST(DemoWatchImages, AChangedImageIsDrawnFromTheNextFrame)
{
    test::ScratchDirectory dir;
    test::WriteFile("gfx/sprite.tga", test::SolidTga(64, 64, 200, 0, 0));
    test::WriteText("gfx/gfxslots", "sprite.tga\n");
    test::WriteFile("gfx/stars1.tga", test::SolidTga(2, 2, 255, 255, 255));
    test::GlScene scene(64, 48);
    // A black clear and the sprite over the whole view, replacing what is below it.
    test::DemoBytes demo;
    demo.Handle("OpenGL Clear", 0.0, 1000.0).Handle("GFX Module 01", 0.0, 1000.0);
    const double values[] = {0, 0, 0, 0, 32, 1, 1, 0};
    for (size_t i = 0; i < 8; ++i) {
        (i == 0 ? demo.FirstField() : demo.NextField()).FirstKey(0.0, values[i], 0);
    }
    demo.WriteTo("demodata.quv");
    LoadDemoFile("demodata.quv");
    EvaluateTimeline(0.0);
    ASSERT_TRUE(IsColour(scene.Pixel(32, 24), 200, 0, 0));

    boxes.clear();
    const MessageHandler previous = SetMessageHandler(&RecordBoxes);
    DemoWatch watch("demodata.quv", "demodata.quv", {});
    test::WriteFile("gfx/sprite.tga", test::SolidTga(64, 64, 0, 0, 180));
    EXPECT_FALSE(watch.Poll(1000));
    EvaluateTimeline(0.0);
    EXPECT_TRUE(IsColour(scene.Pixel(32, 24), 200, 0, 0)) << "loaded before it settled";
    watch.Poll(1100);
    EvaluateTimeline(0.0);
    EXPECT_TRUE(IsColour(scene.Pixel(32, 24), 0, 0, 180));
    EXPECT_TRUE(watch.ImageError().empty()) << watch.ImageError();

    // A slot list naming a missing image: said in the overlay's text, not in a box; the
    // Timeline plays on with the slot empty.
    test::WriteText("gfx/gfxslots", "missing.tga\n");
    watch.Poll(2000);
    watch.Poll(2100);
    EXPECT_NE(watch.ImageError().find("missing.tga"), std::string::npos) << watch.ImageError();
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EvaluateTimeline(0.0);
    EXPECT_TRUE(IsColour(scene.Pixel(32, 24), 0, 0, 0));
    ASSERT_NE(Timeline, nullptr);

    // Repaired: the error goes.
    test::WriteText("gfx/gfxslots", "sprite.tga\n");
    watch.Poll(3000);
    watch.Poll(3100);
    EXPECT_TRUE(watch.ImageError().empty()) << watch.ImageError();
    EvaluateTimeline(0.0);
    EXPECT_TRUE(IsColour(scene.Pixel(32, 24), 0, 0, 180));
    SetMessageHandler(previous);
    FreeTimeline();
}

} // namespace
} // namespace quv
