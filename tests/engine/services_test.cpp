#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "engine/_effectinit.h"
#include "engine/debuglog.h"
#include "engine/files.h"
#include "engine/message.h"
#include "engine/numeric.h"
#include "engine/random.h"

namespace quv {
namespace {

std::vector<int> calls;

TEST(EffectInit, RunsProceduresInRegistrationOrderEachTimeRegistered)
{
    ClearEffectInitList();
    EffectInit(); // an empty list does nothing
    EffectInitAdd([] { calls.push_back(1); });
    EffectInitAdd([] { calls.push_back(2); });
    auto three = [] { calls.push_back(3); };
    EffectInitAdd(three);
    EffectInitAdd(three);
    EffectInit();
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 3}));
    DebugLog("");
    ClearEffectInitList();
}

TEST(Numeric, TruncationIsDefinedForEveryDouble)
{
    EXPECT_EQ(TruncInt(7.9), 7);
    EXPECT_EQ(TruncInt(-0.5), 0);
    EXPECT_EQ(TruncInt(-1.5), -1);
    EXPECT_EQ(TruncInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncInt(std::numeric_limits<double>::infinity()), INT32_MAX);
    EXPECT_EQ(TruncInt(-1e300), INT32_MIN);
    EXPECT_DOUBLE_EQ(Frac(2.75), 0.75);
    EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
    EXPECT_EQ(RoundInt(2.5), 2); // ties to even
    EXPECT_EQ(RoundInt(3.5), 4);
    EXPECT_EQ(RoundInt(-2.5), -2);
}

TEST(Random, SharedLinearCongruentialGenerator)
{
    RandSeed = 0;
    // First draw: seed becomes 1, upper half of 1 * n.
    EXPECT_EQ(Random(100), 0u);
    EXPECT_EQ(RandSeed, 1u);
    // Second: seed 134775814; 134775814 * 1000 >> 32 = 31.
    EXPECT_EQ(Random(1000), 31u);
    EXPECT_EQ(RandSeed, 134775814u);
    RandSeed = 0xFFFFFFFFu;
    Random(10);
    EXPECT_EQ(RandSeed, static_cast<uint32_t>(0xFFFFFFFFull * 134775813ull + 1));
    RandSeed = 12345;
    for (int i = 0; i < 1000; ++i)
        EXPECT_LT(Random(7), 7u);
    EXPECT_EQ(Random(0), 0u);
}

TEST(Messages, HeadlessBoxesPrintCaptionAndTextAndTakeTheDefault)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessage("Error", "Window creation error."), MessageAnswer::Ok);
    EXPECT_EQ(ShowMessage("Qem's Demo System", "Use?", MessageButtons::YesNo), MessageAnswer::Yes);
    ShowMessage("Plomarind demo", "MengerF\xE9tis \x80");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Window creation error.\nQem's Demo System: Use?\n"
              "Plomarind demo: MengerF\xC3\xA9tis \xE2\x82\xAC\n");

    static std::string seen;
    MessageHandler previous = SetMessageHandler(
        [](std::string_view caption, std::string_view text, MessageButtons, MessageIcon) {
            seen = std::string(caption) + "|" + std::string(text);
            return MessageAnswer::No;
        });
    EXPECT_EQ(ShowMessage("A", "B", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(seen, "A|B");
    SetMessageHandler(previous);
}

TEST(ResolveDemoPath, BackslashesAndCaseInsensitiveLookup)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "quv-resolve-test";
    fs::remove_all(dir);
    fs::create_directories(dir / "Gfx");
    std::ofstream(dir / "Gfx" / "Stars1.TGA") << "x";
    const std::string base = dir.string();
    EXPECT_EQ(ResolveDemoPath(base + "\\Gfx\\Stars1.TGA"), base + "/Gfx/Stars1.TGA");
    EXPECT_EQ(ResolveDemoPath(base + "/gfx\\stars1.tga"), base + "/Gfx/Stars1.TGA");
    EXPECT_EQ(ResolveDemoPath(base + "/gfx/stars1.tga. "), base + "/Gfx/Stars1.TGA");
    EXPECT_EQ(ResolveDemoPath(base + "/gfx/stars2.tga"), std::nullopt);
    EXPECT_EQ(ResolveDemoPath(""), std::nullopt);
    fs::remove_all(dir);
}

} // namespace
} // namespace quv
