// Screenshot files: named after the demo and the music position, never replacing a file, written
// whole, with the GL's rows turned the right way up and made opaque.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/pixelfont.h"
#include "platform/pngfile.h"
#include "platform/screenshot.h"

namespace quv {
namespace {

namespace fs = std::filesystem;

TEST(Screenshot, NamedAfterTheDemoAndPositionWithASuffixForTakenNames)
{
    const auto none = [](const std::string&) { return false; };
    EXPECT_EQ(ScreenshotName("demodata.quv", 12345, none), "demodata-012345ms.png");
    EXPECT_EQ(ScreenshotName("demodata.quv", 0, none), "demodata-000000ms.png");
    EXPECT_EQ(ScreenshotName("demodata.quv", -20, none), "demodata-000000ms.png");
    EXPECT_EQ(ScreenshotName("demodata.quv", 4567890, none), "demodata-4567890ms.png");
    EXPECT_EQ(ScreenshotName("shows/party.quv", 1, none), "party-000001ms.png");

    std::set<std::string> taken = {"demodata-012345ms.png", "demodata-012345ms-2.png"};
    const auto exists = [&](const std::string& name) { return taken.count(name) > 0; };
    EXPECT_EQ(ScreenshotName("demodata.quv", 12345, exists), "demodata-012345ms-3.png");
    EXPECT_EQ(ScreenshotName("demodata.quv", 12346, exists), "demodata-012346ms.png");

    // The overlay names the file in the player's font.
    const uint8_t* blank = Glyph5x7('\x01');
    for (char c : std::string("SAVED demodata-012345ms-3.png"))
        if (c != ' ') {
            EXPECT_NE(Glyph5x7(c), blank) << c;
        }
}

TEST(Screenshot, RowsTurnedTopFirstAndOpaque)
{
    // Three rows of two pixels, bottom row first as the GL reads them.
    std::vector<uint8_t> rgba = {1, 1, 1, 0,  2, 2, 2, 10,   // bottom
                                 3, 3, 3, 20, 4, 4, 4, 30,   // middle
                                 5, 5, 5, 40, 6, 6, 6, 255}; // top
    FlipRowsOpaque(rgba, 2, 3);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{5, 5, 5, 255, 6, 6, 6, 255, 3, 3, 3, 255,
                                          4, 4, 4, 255, 1, 1, 1, 255, 2, 2, 2, 255}));
}

TEST(Screenshot, SavesAPngAndNeverReplacesAFile)
{
    const fs::path dir = fs::path(testing::TempDir()) / "quv-screenshot";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::vector<uint8_t> red = {255, 0, 0, 255, 255, 0, 0, 255};
    {
        std::ofstream(dir / "demodata-001000ms.png") << "keep me";
    }
    std::string path;
    std::string error;
    ASSERT_TRUE(SaveScreenshot(dir.string(), "demodata.quv", 1000, 2, 1, red, &path, &error))
        << error;
    EXPECT_EQ(fs::path(path), dir / "demodata-001000ms-2.png");
    ASSERT_TRUE(SaveScreenshot(dir.string(), "demodata.quv", 1000, 2, 1, red, &path, &error))
        << error;
    EXPECT_EQ(fs::path(path), dir / "demodata-001000ms-3.png");

    std::ifstream kept(dir / "demodata-001000ms.png");
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "keep me");
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadPng(path, width, height, back, error)) << error;
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(back, red);
    // Nothing but the three files: no temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);

    // A folder that cannot be written: false with a reason, nothing written.
    EXPECT_FALSE(SaveScreenshot((dir / "demodata-001000ms.png").string(), "demodata.quv", 1000, 2,
                                1, red, &path, &error));
    EXPECT_FALSE(error.empty());
    fs::remove_all(dir);
}

} // namespace
} // namespace quv
