#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/DemoBass.h"
#include "platform/videoout.h"

namespace quv {
namespace {

// One second of stereo music whose left channel counts samples and right channel is negated.
MemoryPcm Ramp(int32_t rate)
{
    std::vector<int16_t> music;
    for (int32_t i = 0; i < rate; ++i) {
        music.push_back(static_cast<int16_t>(i));
        music.push_back(static_cast<int16_t>(-i));
    }
    return MemoryPcm(std::move(music), static_cast<uint32_t>(rate), 2);
}

// Sample value v of the ramp as the sound track has it.
float At(double v)
{
    return static_cast<float>(v / 32768.0);
}

TEST(VideoOut, SoundFollowsTheFramesClock)
{
    constexpr int32_t rate = 1000;
    MemoryPcm music = Ramp(rate);

    // Normal speed at 10 frames a second: 100 ms of music per frame, the music unchanged.
    std::vector<double> frames;
    for (int k = 0; k < 5; ++k)
        frames.push_back(100.0 * k);
    std::vector<float> sound = ResampleAlongFrames(music, frames, 500.0, 10.0);
    ASSERT_EQ(sound.size(), 2u * 500);
    for (size_t n = 0; n < 500; ++n) {
        EXPECT_FLOAT_EQ(sound[2 * n], At(n));
        EXPECT_FLOAT_EQ(sound[2 * n + 1], -At(n));
    }

    // From 200 ms the clock runs at half speed: the same wall time holds half the music, and it
    // is read at half the step (interpolated between samples).
    frames = {0.0, 100.0, 200.0, 250.0, 300.0};
    sound = ResampleAlongFrames(music, frames, 350.0, 10.0);
    ASSERT_EQ(sound.size(), 2u * 500);
    EXPECT_FLOAT_EQ(sound[2 * 150], At(150));
    EXPECT_FLOAT_EQ(sound[2 * 200], At(200));
    EXPECT_FLOAT_EQ(sound[2 * 201], At(200.5));
    EXPECT_FLOAT_EQ(sound[2 * 400], At(300));
    EXPECT_FLOAT_EQ(sound[2 * 499], At(349.5));

    // Past the end of the music, and before its start, there is silence.
    frames = {900.0, 1000.0};
    sound = ResampleAlongFrames(music, frames, 1100.0, 10.0);
    EXPECT_FLOAT_EQ(sound[2 * 50], At(950));
    EXPECT_FLOAT_EQ(sound[2 * 150], 0.0f);
    sound = ResampleAlongFrames(music, {-100.0}, 0.0, 10.0);
    EXPECT_FLOAT_EQ(sound[2 * 10], 0.0f);
    EXPECT_TRUE(ResampleAlongFrames(music, {}, 0.0, 10.0).empty());
}

TEST(VideoOut, SoundWindowSeeksBackAndFarAheadExactly)
{
    // A music far longer than the window, read out of order: jumps back, far ahead and back to
    // the start give the same samples as the music has there.
    constexpr int32_t rate = 8000;
    std::vector<int16_t> samples;
    for (int32_t i = 0; i < 100000; ++i)
        samples.push_back(static_cast<int16_t>(i % 30011 - 15000));
    MemoryPcm music(samples, rate, 1);
    StereoWindow window(music);
    for (const int64_t i :
         {int64_t{0}, int64_t{16383}, int64_t{16384}, int64_t{20000}, int64_t{5}, int64_t{70000},
          int64_t{69990}, int64_t{99998}, int64_t{1}, int64_t{40000}}) {
        const float* pair = window.Pair(i);
        ASSERT_NE(pair, nullptr) << i;
        EXPECT_EQ(pair[0], static_cast<float>(samples[static_cast<size_t>(i)]) / 32768.0f) << i;
        EXPECT_EQ(pair[1], pair[0]) << i; // mono on both sides
        EXPECT_EQ(pair[2], static_cast<float>(samples[static_cast<size_t>(i) + 1]) / 32768.0f) << i;
    }
    EXPECT_EQ(window.Pair(99999), nullptr); // the last frame has no successor
    EXPECT_EQ(window.Pair(-1), nullptr);
    EXPECT_EQ(window.Pair(5000000), nullptr);
    EXPECT_NE(window.Pair(12), nullptr);
}

TEST(VideoOut, DecodedMusicBecomesStereoFloats)
{
    // The decoder's 16-bit samples as the sound track takes them: full scale is 1, and a mono
    // channel is heard on both sides.
    const int16_t mono[] = {0, 16384, -32768, 32767};
    std::vector<float> stereo(8);
    StereoFloats(mono, 4, 1, stereo.data());
    EXPECT_EQ(stereo, (std::vector<float>{0.0f, 0.0f, 0.5f, 0.5f, -1.0f, -1.0f, 32767.0f / 32768.0f,
                                          32767.0f / 32768.0f}));
    const int16_t both[] = {8192, -8192, 1, 2};
    stereo.assign(4, 9.0f);
    StereoFloats(both, 2, 2, stereo.data());
    EXPECT_EQ(stereo, (std::vector<float>{0.25f, -0.25f, 1.0f / 32768.0f, 2.0f / 32768.0f}));
}

TEST(VideoOut, FrameRatesAreExactFractions)
{
    FrameRate rate;
    ASSERT_TRUE(ParseFrameRate("60000/1001", rate));
    EXPECT_EQ(rate.Text(), "60000/1001");
    ASSERT_TRUE(ParseFrameRate("29.97", rate));
    EXPECT_EQ(rate.Text(), "2997/100");
    ASSERT_TRUE(ParseFrameRate("25", rate));
    EXPECT_EQ(rate.Text(), "25");
    ASSERT_TRUE(ParseFrameRate("50/2", rate)); // reduced
    EXPECT_EQ(rate.Text(), "25");
    ASSERT_TRUE(ParseFrameRate("1000", rate));
    ASSERT_TRUE(ParseFrameRate(".5", rate));
    EXPECT_EQ(rate.Text(), "1/2");
    for (const char* bad : {"0", "0/5", "5/0", "1001", "-30", "1e2", "30fps", "3/", "/3", "1.2.3",
                            "", "nan", "inf", "99999999999999999999"})
        EXPECT_FALSE(ParseFrameRate(bad, rate)) << bad;
}

TEST(VideoOut, SettingsMatchTheContainerAndEncoder)
{
    // Each container's default codec, and a message naming what would do. The codecs are the
    // ones the installed ffmpeg has, so this test needs ffmpeg with libx264 and libvpx-vp9.
    const std::vector<std::string> installed = InstalledVideoEncoders();
    if (std::find(installed.begin(), installed.end(), "libx264") == installed.end() ||
        std::find(installed.begin(), installed.end(), "libvpx-vp9") == installed.end())
        GTEST_SKIP() << "ffmpeg with libx264 and libvpx-vp9 is not installed";
    std::string note;
    std::string error;
    for (const auto& [name, codec] :
         std::vector<std::pair<std::string, std::string>>{{"a.mp4", "libx264"},
                                                          {"a.MOV", "libx264"},
                                                          {"a.mkv", "libx264"},
                                                          {"a.webm", "libvpx-vp9"},
                                                          {"a.avi", "mpeg4"}}) {
        VideoSettings settings;
        ASSERT_TRUE(CheckVideoSettings(name, 64, 48, settings, note, error)) << name << error;
        EXPECT_EQ(settings.codec, codec) << name;
        EXPECT_TRUE(note.empty());
    }
    VideoSettings settings;
    settings.codec = "libx264";
    EXPECT_FALSE(CheckVideoSettings("a.webm", 64, 48, settings, note, error));
    EXPECT_EQ(error, "--codec libx264 cannot write .webm; it takes libvpx-vp9");
    settings = {};
    settings.crf = 52;
    EXPECT_FALSE(CheckVideoSettings("a.mp4", 64, 48, settings, note, error));
    EXPECT_EQ(error, "--crf for libx264 lies from 0 (best) to 51 (smallest)");
    settings = {};
    settings.codec = "mpeg4";
    settings.preset = "slow";
    EXPECT_FALSE(CheckVideoSettings("a.avi", 64, 48, settings, note, error));
    EXPECT_EQ(error, "--preset: mpeg4 has no presets");
    EXPECT_FALSE(CheckVideoSettings("a.gif", 64, 48, settings, note, error));

    // An odd size is padded for 4:2:0 and the user is told.
    settings = {};
    settings.crf = 18;
    settings.preset = "slow";
    ASSERT_TRUE(CheckVideoSettings("a.mp4", 641, 481, settings, note, error)) << error;
    EXPECT_EQ(note, "libx264 needs an even width and height: the 641x481 frames are padded with "
                    "black to 642x482");
}

TEST(VideoOut, VideoFileNames)
{
    EXPECT_TRUE(IsVideoPath("showcase.mp4"));
    EXPECT_TRUE(IsVideoPath("/tmp/a.b/Demo.MKV"));
    EXPECT_TRUE(IsVideoPath("x.webm"));
    EXPECT_FALSE(IsVideoPath("shots/%05d.png"));
    EXPECT_FALSE(IsVideoPath("mp4"));
    EXPECT_FALSE(IsVideoPath("video.mp4/"));
    EXPECT_FALSE(IsVideoPath("frame.jpg"));
    EXPECT_TRUE(IsSoundPath("music.FLAC"));
    EXPECT_TRUE(IsSoundPath("out/music.wav"));
    EXPECT_FALSE(IsSoundPath("music.mp3"));
}

} // namespace
} // namespace quv
