// `render --demo FILE --music FILE`: the text form renders exactly as the demo it compiles to, a
// text form that does not compile stops the render with its line and pointer, and named files
// that are not there are errors.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "effects/moduleinit.h"
#include "engine/_loadsave.h"
#include "platform/commands.h"
#include "platform/pngfile.h"
#include "tests/support/scratchfolder.h"

namespace quv {
namespace {

const std::filesystem::path ShowcaseDir =
    std::filesystem::path(QUV_SOURCE_DIR) / "examples/showcase";

int Render(std::vector<std::string> args, std::string* stderrText = nullptr)
{
    args.insert(args.begin(), "render");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    ::testing::internal::CaptureStderr();
    const int code = RunRender(static_cast<int>(argv.size()), argv.data());
    const std::string err = ::testing::internal::GetCapturedStderr();
    if (stderrText != nullptr)
        *stderrText = err;
    return code;
}

std::vector<uint8_t> Bytes(const std::filesystem::path& path)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path.string());
    return bytes.value_or(std::vector<uint8_t>{});
}

// Runs in the showcase's folder (its images), writing to a scratch folder.
class RenderNamed : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseModules();
        out_ = test::FreshTestFolder("quv_demosource");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(ShowcaseDir);
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(out_);
    }
    std::filesystem::path out_;
    std::filesystem::path previous_;
};

TEST_F(RenderNamed, TheTextFormRendersAsTheDemoItCompilesTo)
{
    // Frames across a "Music Speed" change and the image sprites, so that the clock and the
    // images take part.
    for (const char* demo : {"showcase.json", "demodata.quv"}) {
        const std::string out = (out_ / (std::string(demo) + "-%02d.png")).string();
        ASSERT_EQ(Render({"--demo", demo, "--music", "plomarind.mp3", "--size", "160x120", "--from",
                          "37000", "--to", "40000", "--fps", "2", "--out", out}),
                  0)
            << demo;
    }
    int frames = 0;
    for (;; ++frames) {
        char name[32];
        std::snprintf(name, sizeof name, "-%02d.png", frames);
        const std::vector<uint8_t> text = Bytes(out_ / ("showcase.json" + std::string(name)));
        const std::vector<uint8_t> compiled = Bytes(out_ / ("demodata.quv" + std::string(name)));
        EXPECT_EQ(text, compiled) << "frame " << frames;
        if (text.empty() || compiled.empty())
            break;
    }
    EXPECT_GE(frames, 6);

    // The named demo is the one drawn: a text form of its own, in another folder.
    const std::string red = (out_ / "red.json").string();
    std::ofstream(red) << "{\"handles\": [{\"type\": \"OpenGL Clear\", \"start\": 0, \"end\": "
                          "60000, \"fields\": {\"Red\": [[0, 1]]}}]}\n";
    const std::string png = (out_ / "red.png").string();
    ASSERT_EQ(Render({"--demo", red, "--size", "16x12", "--time", "1000", "--out", png}), 0);
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
    std::string error;
    ASSERT_TRUE(ReadPng(png, width, height, rgba, error)) << error;
    ASSERT_EQ(rgba.size(), 16u * 12u * 4u);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[2], 0);
}

TEST_F(RenderNamed, BrokenTextAndMissingFilesStopTheRender)
{
    const std::string broken = (out_ / "broken.json").string();
    std::ofstream(broken)
        << "{\"handles\": [\n  {\"type\": \"OpenGL Clear\", \"start\": \"x\"}]}\n";
    std::string err;
    EXPECT_EQ(Render({"--demo", broken, "--out", (out_ / "a.png").string()}, &err), 1);
    EXPECT_NE(err.find("broken.json:2"), std::string::npos) << err;
    EXPECT_NE(err.find("/handles/0/start"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(out_ / "a.png"));

    EXPECT_EQ(Render({"--demo", "nothing.json", "--out", (out_ / "b.png").string()}, &err), 1);
    EXPECT_NE(err.find("nothing.json"), std::string::npos) << err;
    EXPECT_EQ(Render({"--music", "nothing.mp3", "--out", (out_ / "c.png").string()}, &err), 1);
    EXPECT_NE(err.find("no music file"), std::string::npos) << err;
    EXPECT_NE(err.find("nothing.mp3"), std::string::npos) << err;
    EXPECT_EQ(Render({"--demo"}, &err), 2);
}

} // namespace
} // namespace quv
