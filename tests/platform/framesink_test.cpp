// The renderer's frame sinks: PNG file names and folders, the bench's timer over a sink that
// reads nothing, and the choice of sink for an output name. Video is checked end to end.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/framesink.h"
#include "platform/pngfile.h"

namespace quv {
namespace {

namespace fs = std::filesystem;

TEST(FrameSink, FrameNamesFromPatterns)
{
    std::string name;
    bool numbered = false;
    EXPECT_TRUE(FormatFrameName("shots/%05d.png", 42, name, numbered));
    EXPECT_EQ(name, "shots/00042.png");
    EXPECT_TRUE(numbered);
    EXPECT_TRUE(FormatFrameName("100%%_%3d.png", 7, name, numbered));
    EXPECT_EQ(name, "100%_  7.png");
    EXPECT_TRUE(FormatFrameName("frame.png", 3, name, numbered));
    EXPECT_EQ(name, "frame.png");
    EXPECT_FALSE(numbered);
    EXPECT_FALSE(FormatFrameName("%d_%d.png", 1, name, numbered));
    EXPECT_FALSE(FormatFrameName("%s.png", 1, name, numbered));
    EXPECT_FALSE(FormatFrameName("frame%", 1, name, numbered));
}

TEST(FrameSink, PngSequenceWritesEachFrameUnderItsNumber)
{
    const fs::path dir = fs::path(testing::TempDir()) / "quv-pngsink";
    fs::remove_all(dir);
    const std::vector<uint8_t> picture = {255, 0, 0, 255, 0, 0, 255, 128}; // 2 x 1
    int reads = 0;
    const PixelReader read = [&]() -> const std::vector<uint8_t>& {
        ++reads;
        return picture;
    };
    std::string error;
    PngSequenceSink sink((dir / "a/b/%03d.png").string());
    ASSERT_TRUE(sink.Begin(2, 1, 30.0, 2, error));
    ASSERT_TRUE(sink.Frame({0, 0.0, 1.0}, read, error)) << error;
    ASSERT_TRUE(sink.Frame({7, 233.3, 1.0}, read, error)) << error;
    ASSERT_TRUE(sink.Finish(266.7, error));
    EXPECT_EQ(reads, 2);
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadPng((dir / "a/b/007.png").string(), width, height, back, error)) << error;
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(back, picture);
    EXPECT_TRUE(fs::exists(dir / "a/b/000.png"));

    // A folder that cannot be made (a file stands in its way) fails the frame with a reason.
    PngSequenceSink blocked((dir / "a/b/000.png/%d.png").string());
    ASSERT_TRUE(blocked.Begin(2, 1, 30.0, 1, error));
    error.clear();
    EXPECT_FALSE(blocked.Frame({0, 0.0, 1.0}, read, error));
    EXPECT_FALSE(error.empty());
    fs::remove_all(dir);
}

TEST(FrameSink, TimerRecordsDrawingTimesAndPassesFramesOn)
{
    int reads = 0;
    const std::vector<uint8_t> picture(4, 255);
    const PixelReader read = [&]() -> const std::vector<uint8_t>& {
        ++reads;
        return picture;
    };
    std::string error;

    // Over the null sink (--bench without --out) no pixels are read.
    FrameTimes times;
    NullSink nothing;
    FrameTimer timer(nothing, times);
    ASSERT_TRUE(timer.Begin(1, 1, 30.0, 3, error));
    for (long k = 0; k < 3; ++k)
        ASSERT_TRUE(timer.Frame({k, 33.3 * k, 1.5 + k}, read, error));
    ASSERT_TRUE(timer.Finish(100.0, error));
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(times.ms, (std::vector<double>{1.5, 2.5, 3.5}));
    EXPECT_GT(times.residentAfterFirstKb, 0);
    EXPECT_GT(times.residentAtEndKb, 0);

    // Over a file sink (--bench --out) the frames are still written.
    const fs::path dir = fs::path(testing::TempDir()) / "quv-timedsink";
    fs::remove_all(dir);
    FrameTimes written;
    PngSequenceSink files((dir / "%d.png").string());
    FrameTimer timedFiles(files, written);
    ASSERT_TRUE(timedFiles.Begin(1, 1, 30.0, 1, error));
    ASSERT_TRUE(timedFiles.Frame({0, 0.0, 2.0}, read, error)) << error;
    ASSERT_TRUE(timedFiles.Finish(33.3, error));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(written.ms.size(), 1u);
    EXPECT_TRUE(fs::exists(dir / "0.png"));
    fs::remove_all(dir);
}

TEST(FrameSink, OutputNameChoosesTheSink)
{
    EXPECT_NE(dynamic_cast<NullSink*>(MakeOutputSink("", "plomarind.mp3").get()), nullptr);
    EXPECT_NE(dynamic_cast<VideoSink*>(MakeOutputSink("demo.MKV", "plomarind.mp3").get()), nullptr);
    EXPECT_NE(dynamic_cast<PngSequenceSink*>(MakeOutputSink("s/%05d.png", "plomarind.mp3").get()),
              nullptr);
    EXPECT_NE(dynamic_cast<PngSequenceSink*>(MakeOutputSink("frame.png", "plomarind.mp3").get()),
              nullptr);
    // What --out accepts: PNG files and the video containers, never another image kind that
    // would silently get PNG bytes.
    EXPECT_TRUE(IsOutputPath("s/%05d.PNG"));
    EXPECT_TRUE(IsOutputPath("demo.webm"));
    EXPECT_FALSE(IsOutputPath("frame.jpg"));
    EXPECT_FALSE(IsOutputPath("frame.bmp"));
    EXPECT_FALSE(IsOutputPath("frames"));
}

TEST(FrameSink, SupersampledFramesAreAveragedDown)
{
    // A 4x2 frame drawn at twice the size of 2x1: each output pixel is its 2x2 block's mean,
    // rounded, in every channel; a block of one colour keeps it exactly.
    std::vector<uint8_t> large(4 * 2 * 4);
    const auto set = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        uint8_t* p = large.data() + (y * 4 + x) * 4;
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    };
    set(0, 0, 255, 0, 0, 255);
    set(1, 0, 0, 0, 0, 255);
    set(0, 1, 0, 0, 0, 255);
    set(1, 1, 1, 0, 3, 255);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            set(x, y, 10, 20, 30, 40);
    std::vector<uint8_t> out;
    Downsample(large, 2, 1, 2, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{64, 0, 1, 255, 10, 20, 30, 40}));
}

} // namespace
} // namespace quv
