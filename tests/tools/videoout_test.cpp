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
std::vector<float> Ramp(int32_t rate)
{
    std::vector<float> music;
    for (int32_t i = 0; i < rate; ++i) {
        music.push_back(static_cast<float>(i));
        music.push_back(-static_cast<float>(i));
    }
    return music;
}

TEST(VideoOut, SoundFollowsTheFramesClock)
{
    constexpr int32_t rate = 1000;
    const std::vector<float> music = Ramp(rate);

    // Normal speed at 10 frames a second: 100 ms of music per frame, the music unchanged.
    std::vector<double> frames;
    for (int k = 0; k < 5; ++k)
        frames.push_back(100.0 * k);
    std::vector<float> sound = ResampleAlongFrames(music, rate, frames, 500.0, 10.0);
    ASSERT_EQ(sound.size(), 2u * 500);
    for (size_t n = 0; n < 500; ++n) {
        EXPECT_FLOAT_EQ(sound[2 * n], static_cast<float>(n));
        EXPECT_FLOAT_EQ(sound[2 * n + 1], -static_cast<float>(n));
    }

    // From 200 ms the clock runs at half speed: the same wall time holds half the music, and it
    // is read at half the step (interpolated between samples).
    frames = {0.0, 100.0, 200.0, 250.0, 300.0};
    sound = ResampleAlongFrames(music, rate, frames, 350.0, 10.0);
    ASSERT_EQ(sound.size(), 2u * 500);
    EXPECT_FLOAT_EQ(sound[2 * 150], 150.0f);
    EXPECT_FLOAT_EQ(sound[2 * 200], 200.0f);
    EXPECT_FLOAT_EQ(sound[2 * 201], 200.5f);
    EXPECT_FLOAT_EQ(sound[2 * 400], 300.0f);
    EXPECT_FLOAT_EQ(sound[2 * 499], 349.5f);

    // Past the end of the music, and before its start, there is silence.
    frames = {900.0, 1000.0};
    sound = ResampleAlongFrames(music, rate, frames, 1100.0, 10.0);
    EXPECT_FLOAT_EQ(sound[2 * 50], 950.0f);
    EXPECT_FLOAT_EQ(sound[2 * 150], 0.0f);
    sound = ResampleAlongFrames(music, rate, {-100.0}, 0.0, 10.0);
    EXPECT_FLOAT_EQ(sound[2 * 10], 0.0f);
    EXPECT_TRUE(ResampleAlongFrames(music, rate, {}, 0.0, 10.0).empty());
}

TEST(VideoOut, DecodedMusicBecomesStereoFloats)
{
    // The decoder's 16-bit samples as the sound track takes them: full scale is 1, and a mono
    // channel is heard on both sides.
    DecodedMusic mono;
    mono.rate = 22050;
    mono.channels = 1;
    mono.samples = {0, 16384, -32768, 32767};
    EXPECT_EQ(StereoFloats(mono), (std::vector<float>{0.0f, 0.0f, 0.5f, 0.5f, -1.0f, -1.0f,
                                                      32767.0f / 32768.0f, 32767.0f / 32768.0f}));
    DecodedMusic stereo;
    stereo.rate = 44100;
    stereo.channels = 2;
    stereo.samples = {8192, -8192, 1, 2, 3}; // a trailing half frame is not a frame
    EXPECT_EQ(StereoFloats(stereo),
              (std::vector<float>{0.25f, -0.25f, 1.0f / 32768.0f, 2.0f / 32768.0f}));
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
