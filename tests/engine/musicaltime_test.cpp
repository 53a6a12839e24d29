#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "engine/musicaltime.h"

namespace quv {
namespace {

TEST(MusicalTime, BarsAndBeatsCountFromOneOne)
{
    const MusicalTempo tempo{120.0, 0.0};
    EXPECT_EQ(ParseMusicalTime("1:1", tempo), 0.0);
    EXPECT_EQ(ParseMusicalTime("1:2", tempo), 500.0);
    EXPECT_EQ(ParseMusicalTime("2:1", tempo), 2000.0);
    EXPECT_EQ(ParseMusicalTime("1:1.5", tempo), 250.0);
    EXPECT_EQ(ParseMusicalTime("3:4.25", tempo), 5625.0);
    EXPECT_EQ(ParseMusicalTime("2:1", {90.0, 1500.0}), 1500.0 + 4 * 60000.0 / 90.0);
    for (const char* bad : {"", "1", "1:", ":1", "0:1", "1:0", "1:5", "1:1.", "1:1.x", "1:1:1",
                            "-1:1", " 1:1", "1:1 ", "1.5:1", "1:+1", "1234567890:1"})
        EXPECT_EQ(ParseMusicalTime(bad, tempo), std::nullopt) << bad;
    EXPECT_EQ(ParseMusicalTime("1:1", {}), std::nullopt); // no bpm
}

TEST(MusicalTime, ExactTextReadsBackToTheSameMilliseconds)
{
    const MusicalTempo tempo{120.0, 0.0};
    EXPECT_EQ(ExactMusicalTime(0.0, tempo), "1:1");
    EXPECT_EQ(ExactMusicalTime(2500.0, tempo), "2:2");
    EXPECT_EQ(ExactMusicalTime(250.0, tempo), "1:1.5");
    EXPECT_EQ(ExactMusicalTime(-1.0, tempo), std::nullopt);
    EXPECT_EQ(ExactMusicalTime(NAN, tempo), std::nullopt);
    EXPECT_EQ(ExactMusicalTime(1000.0, {}), std::nullopt);
    // Whatever text is given must read back bit for bit, at awkward tempos and offsets too.
    for (const MusicalTempo t :
         {MusicalTempo{120.0, 0.0}, MusicalTempo{137.0, 33.3}, MusicalTempo{93.75, -250.0}}) {
        for (double ms : {0.0, 1.0, 333.0, 437.5, 1234.5678, 60000.0, 81999.0}) {
            const std::optional<std::string> text = ExactMusicalTime(ms, t);
            if (text) {
                EXPECT_EQ(ParseMusicalTime(*text, t), ms) << *text;
            }
        }
    }
    EXPECT_TRUE(ExactMusicalTime(33.3 + 60000.0 / 137.0, {137.0, 33.3}).has_value());
}

TEST(MusicalTime, DisplayShowsTheBarAndBeatAPositionFallsIn)
{
    const MusicalTempo tempo{120.0, 1000.0};
    EXPECT_EQ(FormatBarBeat(1000.0, tempo), "1:1");
    EXPECT_EQ(FormatBarBeat(1499.0, tempo), "1:1");
    EXPECT_EQ(FormatBarBeat(2600.0, tempo), "1:4");
    EXPECT_EQ(FormatBarBeat(3000.0, tempo), "2:1");
    EXPECT_EQ(FormatBarBeat(500.0, tempo), "0:4");
    EXPECT_EQ(FormatBarBeat(1000.0, {}), "-:-");
}

} // namespace
} // namespace quv
