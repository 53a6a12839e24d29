// The looped range: its command-line options and their checks, the [ ] \ keys' state machine
// with points set on the wrong side of each other, and when the player must seek back.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/looprange.h"
#include "platform/pixelfont.h"
#include "platform/player.h"

namespace quv {
namespace {

bool Parse(std::vector<std::string> words, PlayerOptions* options, std::string* error)
{
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    return ParsePlayerOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(LoopOptions, ParsedAsFiniteMillisecondsWithFromBeforeTo)
{
    PlayerOptions o;
    std::string error;
    ASSERT_TRUE(
        Parse({"quvplayer", "--loop-from", "1500.5", "--play", "--loop-to", "4000"}, &o, &error))
        << error;
    EXPECT_EQ(o.loopFromMs, 1500.5);
    EXPECT_EQ(o.loopToMs, 4000.0);

    for (std::vector<std::string> bad : {std::vector<std::string>{"quvplayer", "--loop-from"},
                                         {"quvplayer", "--loop-from", "soon"},
                                         {"quvplayer", "--loop-to", "nan"},
                                         {"quvplayer", "--loop-to", "inf"},
                                         {"quvplayer", "--loop-from", "1e999"},
                                         {"quvplayer", "--loop-from", "12ms"},
                                         {"quvplayer", "--loop-from", "-1"},
                                         {"quvplayer", "--loop-from", "3000", "--loop-to", "3000"},
                                         {"quvplayer", "--loop-from", "3000", "--loop-to", "1000"},
                                         {"quvplayer", "--loop-to", "0"}}) {
        PlayerOptions q;
        error.clear();
        EXPECT_FALSE(Parse(bad, &q, &error)) << bad.back();
        EXPECT_NE(error.find("--loop-"), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(LoopOptions, RangeMustLieInsideTheMusic)
{
    std::string error;
    EXPECT_TRUE(CheckLoopOptions(1000.0, 8000.0, 8000.0, &error)) << error;
    EXPECT_TRUE(CheckLoopOptions(std::nullopt, 8000.0, 8000.0, &error));
    EXPECT_TRUE(CheckLoopOptions(7999.0, std::nullopt, 8000.0, &error));
    EXPECT_TRUE(CheckLoopOptions(1e9, std::nullopt, -1.0, &error)); // the length is not known yet

    EXPECT_FALSE(CheckLoopOptions(1000.0, 8001.0, 8000.0, &error));
    EXPECT_EQ(error, "--loop-to 8001 lies beyond the end of the music (8000 ms)");
    EXPECT_FALSE(CheckLoopOptions(8000.0, std::nullopt, 8000.0, &error));
    EXPECT_NE(error.find("--loop-from 8000"), std::string::npos) << error;
    EXPECT_FALSE(CheckLoopOptions(std::numeric_limits<double>::quiet_NaN(), 10.0, 8000.0, &error));
    EXPECT_FALSE(CheckLoopOptions(5.0, 5.0, 8000.0, &error));
    EXPECT_EQ(error, "--loop-from 5 must lie before --loop-to 5");
}

TEST(LoopRange, KeysMarkPointsAndAPointOnTheWrongSideReplacesTheOther)
{
    LoopRange loop;
    EXPECT_FALSE(loop.Active());
    EXPECT_EQ(loop.Text(), "");
    EXPECT_EQ(loop.Clear(), ""); // nothing to clear: nothing to say
    EXPECT_FALSE(loop.Due(1e9, true));

    // An in point alone loops to the music's end.
    EXPECT_EQ(loop.MarkIn(2000), "loop in at 0:02.000");
    EXPECT_TRUE(loop.Active());
    EXPECT_EQ(loop.Text(), "LOOP 0:02.000 - END");
    EXPECT_FALSE(loop.Due(50000, false));
    EXPECT_TRUE(loop.Due(50000, true));
    EXPECT_EQ(loop.InMs(), 2000.0);

    EXPECT_EQ(loop.MarkOut(5250), "loop out at 0:05.250");
    EXPECT_EQ(loop.Text(), "LOOP 0:02.000 - 0:05.250");
    EXPECT_FALSE(loop.Due(5249, false));
    EXPECT_TRUE(loop.Due(5250, false));
    EXPECT_TRUE(loop.Due(1000, true)); // the music ended (a seek past the range, say)

    // ] before the in point: the in point goes, the loop starts at the beginning.
    const std::string early = loop.MarkOut(1500);
    EXPECT_NE(early.find("at or before the in point 0:02.000"), std::string::npos) << early;
    EXPECT_NE(early.find("starts at the beginning"), std::string::npos) << early;
    EXPECT_EQ(loop.Text(), "LOOP START - 0:01.500");
    EXPECT_EQ(loop.InMs(), 0.0);
    EXPECT_TRUE(loop.Due(1500, false));

    // [ after the out point: the out point goes, the loop runs to the end.
    const std::string late = loop.MarkIn(3000);
    EXPECT_NE(late.find("at or after the out point 0:01.500"), std::string::npos) << late;
    EXPECT_EQ(loop.Text(), "LOOP 0:03.000 - END");
    EXPECT_FALSE(loop.Due(3500, false));

    // [ exactly on the out point leaves no range either.
    loop.MarkOut(6000);
    loop.MarkIn(6000);
    EXPECT_EQ(loop.Text(), "LOOP 0:06.000 - END");

    EXPECT_EQ(loop.Clear(), "loop cleared");
    EXPECT_FALSE(loop.Active());
    EXPECT_FALSE(loop.Due(1e9, true));
    EXPECT_EQ(loop.Text(), "");

    loop.Set(1000.0, 4000.0);
    EXPECT_EQ(loop.Text(), "LOOP 0:01.000 - 0:04.000");
    EXPECT_EQ(loop.InMs(), 1000.0);
    EXPECT_TRUE(loop.Due(4000, false));

    // Every character of the overlay's line is one its font draws.
    const uint8_t* blank = Glyph5x7('\x01');
    for (char c : std::string("LOOP START - END 0123456789:."))
        if (c != ' ') {
            EXPECT_NE(Glyph5x7(c), blank) << c;
        }
}

} // namespace
} // namespace quv
