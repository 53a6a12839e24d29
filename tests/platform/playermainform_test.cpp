// The launcher's mode list and entry parsing, the integer conversion behind them and behind
// "-sp:", and the player's command line.

#include <gtest/gtest.h>

#include <vector>

#include "platform/PlayerMainForm.h"
#include "engine/_DemoParameters.h"
#include "platform/pixelfont.h"
#include "platform/player.h"

namespace quv {
namespace {

TEST(PlayerMainForm, ModeListFormatsAndMergesModes)
{
    EXPECT_EQ(FormatDisplayMode(1024, 768, 32, 60), "1024x768 32bpp 60Hz");
    std::vector<std::string> list;
    AddDisplayMode(list, 1920, 1080, 32, 60);
    AddDisplayMode(list, 1280, 1024, 16, 60); // below 32 bits: left out
    AddDisplayMode(list, 1280, 1024, 32, 75);
    AddDisplayMode(list, 1920, 1080, 32, 60); // the same text again
    AddDisplayMode(list, 1280, 1024, 24, 60);
    AddDisplayMode(list, 1280, 1024, 32, 60);
    const std::vector<std::string> expected = {"1920x1080 32bpp 60Hz", "1280x1024 32bpp 75Hz",
                                               "1280x1024 32bpp 60Hz"};
    EXPECT_EQ(list, expected);
}

TEST(PlayerMainForm, ParsesEntriesIntoDemoParameters)
{
    ParseDisplayMode("800x600 32bpp 75Hz");
    EXPECT_EQ(DemoParameters.ScreenWidth, 800);
    EXPECT_EQ(DemoParameters.ScreenHeight, 600);
    EXPECT_EQ(DemoParameters.ColorBits, 32);
    EXPECT_EQ(DemoParameters.RefreshRate, 75);
    ParseDisplayMode("1920x1080 32bpp 0Hz");
    EXPECT_EQ(DemoParameters.ScreenWidth, 1920);
    EXPECT_EQ(DemoParameters.RefreshRate, 0);

    try {
        ParseDisplayMode("800x600 32bpp 7sHz");
        FAIL() << "no conversion error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'7s' is not a valid integer value");
    }
    EXPECT_THROW(ParseDisplayMode("garbage"), ConversionError);
    EXPECT_THROW(ParseDisplayMode(""), ConversionError);
}

TEST(PlayerMainForm, StrToIntAcceptsWhatTheConversionAccepts)
{
    EXPECT_EQ(StrToInt("90000"), 90000);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("  12"), 12);
    EXPECT_EQ(StrToInt("$ff"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "12 ", "1e3", "abc", "2147483648", "-", "$", "0x", "9.5"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

// Parses a command line given as words (the program name first).
bool Parse(std::vector<std::string> words, PlayerOptions* options, std::string* error)
{
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    return ParsePlayerOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(PlayerOptions, ParsesOptionsAndRejectsWrongOnes)
{
    PlayerOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"quvplayer", "-sp:90000", "--play", "--windowed", "--mode", "800x600@75",
                       "--no-vsync", "--start", "1500", "--loop"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.firstArgument, "-sp:90000");
    EXPECT_TRUE(o.play);
    EXPECT_EQ(o.fullscreen, false);
    EXPECT_EQ(o.width, 800);
    EXPECT_EQ(o.height, 600);
    EXPECT_EQ(o.refresh, 75);
    EXPECT_FALSE(o.vsync);
    EXPECT_EQ(o.startMs, 1500);
    EXPECT_TRUE(o.loop);

    // The start option elsewhere, or in another case, is ignored rather than an error.
    PlayerOptions p;
    EXPECT_TRUE(Parse({"quvplayer", "--play", "-sp:1000", "-SP:5"}, &p, &error));
    EXPECT_EQ(p.firstArgument, "--play");
    EXPECT_TRUE(p.vsync);
    EXPECT_FALSE(p.fullscreen.has_value());
    EXPECT_FALSE(p.loop);

    for (std::vector<std::string> bad : {std::vector<std::string>{"quvplayer", "--bogus"},
                                         {"quvplayer", "--mode"},
                                         {"quvplayer", "--mode", "800"},
                                         {"quvplayer", "--mode", "0x600"},
                                         {"quvplayer", "--mode", "800x600@"},
                                         {"quvplayer", "--start", "-5"},
                                         {"quvplayer", "--start", "soon"},
                                         {"quvplayer", "play"}}) {
        PlayerOptions q;
        error.clear();
        EXPECT_FALSE(Parse(bad, &q, &error)) << bad.back();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

// The overlay's line: minutes, seconds and milliseconds against the music's length, the rate
// only when it is not the music's own, and every character one the overlay's font can draw.
TEST(PlayerOptions, InfoLineShowsPositionLengthAndRate)
{
    EXPECT_EQ(FormatMusicTime(0), "0:00.000");
    EXPECT_EQ(FormatMusicTime(61005), "1:01.005");
    EXPECT_EQ(FormatMusicTime(600000), "10:00.000");
    EXPECT_EQ(FormatMusicTime(-40), "0:00.000");

    EXPECT_EQ(FormatInfoLine(60, 12345, 82.0, 1.0, false), "FPS 60  0:12.345 / 1:22.000");
    EXPECT_EQ(FormatInfoLine(59, 1000, 30.0004, 0.5, true),
              "FPS 59  0:01.000 / 0:30.000  RATE 50%  PAUSED");
    EXPECT_EQ(FormatInfoLine(0, 0, 0.0, 1.0000001, false), "FPS 0  0:00.000 / 0:00.000");

    const std::string line = FormatInfoLine(123, 4567, 89.0, 1.25, true);
    const uint8_t* blank = Glyph5x7('\x01');
    for (char c : line) {
        if (c != ' ') {
            EXPECT_NE(Glyph5x7(c), blank) << "no glyph for '" << c << "'";
        }
    }
}

} // namespace
} // namespace quv
