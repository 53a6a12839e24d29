#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <stdexcept>
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

TEST(Messages, ControlCharactersAreEscapedForTheTerminal)
{
    using namespace std::string_literals;
    // Printable text, UTF-8 of every length and Windows paths pass unchanged.
    EXPECT_EQ(EscapeControls("gfx\\stars1.tga \xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5 ~"),
              "gfx\\stars1.tga \xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5 ~");
    // Line ends, tabs and ESC by name; the rest of C0 (NUL included, which must not end the
    // text) and DEL in hex.
    EXPECT_EQ(EscapeControls("a\tb\nc\rd\x1B]0;title\x07\x1B[31m"),
              "a\\tb\\nc\\rd\\e]0;title\\x07\\e[31m");
    EXPECT_EQ(EscapeControls("x\0y\x01\x1F\x7F"s), "x\\x00y\\x01\\x1f\\x7f");
    // C1 controls as UTF-8 (U+009B is CSI, U+009D OSC), then bytes that are not UTF-8: a lone
    // C1 byte, a cut sequence, an overlong form, a surrogate, a lead past U+10FFFF.
    EXPECT_EQ(EscapeControls("\xC2\x80\xC2\x9B\xC2\x9D\xC2\xA0"), "\\x80\\x9b\\x9d\xC2\xA0");
    EXPECT_EQ(EscapeControls("\x9B\xC3\xC0\x80\xED\xA0\x80\xF5\x80"),
              "\\x9b\\xc3\\xc0\\x80\\xed\\xa0\\x80\\xf5\\x80");

    // Windows-1252: every byte from 0xA0, and 0x80..0x9F but its five undefined bytes, is a
    // printable character.
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(PrintableCp1252(one),
                  undefined ? EscapeControls(Cp1252ToUtf8(one)) : Cp1252ToUtf8(one))
            << b;
        EXPECT_EQ(PrintableCp1252(one).find('\\') != std::string::npos, undefined) << b;
    }
    EXPECT_EQ(PrintableCp1252("Menger\xE9 \x1B[2J\x9D"), "Menger\xC3\xA9 \\e[2J\\x9d");

    // Both kinds of message reach stderr escaped, whole past a NUL.
    testing::internal::CaptureStderr();
    ShowMessage("Plomarind demo", "[Load Error] Effect not found: a\x1B]0;owned\x07"
                                  "b\0c"s);
    PrintMessage("quvtool", "cannot read \"x\ny\0z\"\x1B[31m"s);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Plomarind demo: [Load Error] Effect not found: a\\e]0;owned\\x07b\\x00c\n"
              "quvtool: cannot read \"x\\ny\\x00z\"\\e[31m\n");
}

TEST(Messages, FailuresNameTheFileInHand)
{
    EXPECT_EQ(NamingFile("a.quv", [] { return 7; }), 7);
    const auto whatOf = [](auto work) -> std::string {
        try {
            NamingFile("gfx/gfxslots", work);
        } catch (const FileError& error) {
            return error.what();
        }
        return "nothing thrown";
    };
    EXPECT_EQ(whatOf([] { throw std::bad_alloc(); }), "\"gfx/gfxslots\": out of memory");
    EXPECT_EQ(whatOf([] { throw std::length_error("vector::reserve"); }),
              "\"gfx/gfxslots\": vector::reserve");
    // A failure that already names its file keeps its text.
    EXPECT_EQ(whatOf([] { throw FileError("\"gfx/a.tga\" is not a regular file"); }),
              "\"gfx/a.tga\" is not a regular file");
    EXPECT_EQ(ExceptionText(std::bad_alloc()), "out of memory");
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
