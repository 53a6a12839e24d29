#include <gtest/gtest.h>

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

TEST(VideoOut, VideoFileNames)
{
    EXPECT_TRUE(IsVideoPath("showcase.mp4"));
    EXPECT_TRUE(IsVideoPath("/tmp/a.b/Demo.MKV"));
    EXPECT_TRUE(IsVideoPath("x.webm"));
    EXPECT_FALSE(IsVideoPath("shots/%05d.png"));
    EXPECT_FALSE(IsVideoPath("mp4"));
    EXPECT_FALSE(IsVideoPath("video.mp4/"));
}

} // namespace
} // namespace quv
