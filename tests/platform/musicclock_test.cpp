// The music clock: smoothing of the stepped library position, the silent clock, the speed
// conversion, MP3 decoding and the OpenAL stream on OpenAL Soft's null backend (real time).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "platform/DemoBass.h"
#include "engine/musicclock.h"

namespace quv {
namespace {

// One second of a 440 Hz sine, made with
//   sox -n -r 44100 -c 1 -b 16 tone.wav synth 1.0 sine 440 vol 0.5
//   lame --quiet -b 64 -m m --resample 44.1 tone.wav tone_1s.mp3
const std::string ToneFile = std::string(QUV_SOURCE_DIR) + "/tests/data/tone_1s.mp3";

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TEST(SmoothedPosition, FollowsSteppedReadingsSmoothly)
{
    // The library's position moves in 20 ms steps; queries come every millisecond.
    SmoothedPosition clock;
    clock.Reset(0.0, 0.0);
    double previous = 0.0;
    double maxStep = 0.0;
    double maxError = 0.0;
    for (int ms = 1; ms <= 2000; ++ms) {
        const double now = ms / 1000.0;
        const double raw = std::floor(now / 0.02) * 0.02;
        const double out = clock.Update(raw, now);
        EXPECT_GE(out, previous) << "went backwards at " << ms << " ms";
        maxStep = std::max(maxStep, out - previous);
        maxError = std::max(maxError, std::fabs(out - now));
        previous = out;
    }
    EXPECT_LT(maxStep, 0.003); // about one millisecond per query, never a 20 ms stair
    EXPECT_LT(maxError, 0.025);

    // Half rate: the advance halves at once; a seek backwards is taken.
    clock.SetRatio(0.5, 2.0);
    const double before = clock.Update(2.0, 2.0);
    const double after = clock.Update(2.0, 2.2);
    EXPECT_NEAR(after - before, 0.1, 0.01);
    clock.Reset(0.5, 2.2);
    EXPECT_DOUBLE_EQ(clock.Update(2.1, 2.2), 0.5);
    // A stale reading right after the seek does not pull the clock back to the old place.
    EXPECT_LT(clock.Update(2.12, 2.21), 0.52);

    // Paused: the position holds whatever the readings say.
    clock.SetPaused(true, 2.3);
    const double held = clock.Update(0.6, 2.3);
    EXPECT_DOUBLE_EQ(clock.Update(0.9, 3.0), held);
    clock.SetPaused(false, 3.0);
    EXPECT_NEAR(clock.Update(held, 3.1), held + 0.05, 0.01);
}

double fakeNow = 0.0;
double FakeNow()
{
    return fakeNow;
}

TEST(SilentClock, HonoursRateSeekPauseAndLength)
{
    fakeNow = 10.0;
    SilentClock clock(44100, 5.0, &FakeNow);
    EXPECT_FALSE(clock.Ended()); // not started
    clock.Play();
    fakeNow = 11.0;
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 1.0);
    clock.SetRate(22050);
    fakeNow = 12.0;
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 1.5);
    clock.SetPositionSeconds(3.0);
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 3.0);
    clock.SetPositionSeconds(7.0); // past the end: refused
    clock.SetPositionSeconds(-1.0);
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 3.0);
    clock.SetPaused(true);
    fakeNow = 20.0;
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 3.0);
    clock.SetPaused(false);
    clock.SetRate(44100);
    fakeNow = 21.5;
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 4.5);
    EXPECT_FALSE(clock.Ended());
    fakeNow = 23.0;
    EXPECT_DOUBLE_EQ(clock.PositionSeconds(), 5.0);
    EXPECT_TRUE(clock.Ended());
}

TEST(MusicSpeed, TruncatesAndZeroRestoresLoadTimeRate)
{
    fakeNow = 0.0;
    MusicSetBackend(std::make_unique<SilentClock>(44100, 60.0, &FakeNow));
    ASSERT_EQ(MusicBaseRate, 44100u);
    MusicSetSpeed(50);
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 22050u);
    MusicSetSpeed(33.3);
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 14685u);
    MusicSetSpeed(0);
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 44100u);
    MusicSetSpeed(-20); // no rate at all: ignored
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 44100u);

    // Whole milliseconds, to nearest.
    MusicPlay();
    fakeNow = 1.2344;
    EXPECT_EQ(MusicPositionMs(), 1234);
    fakeNow = 1.2346;
    EXPECT_EQ(MusicPositionMs(), 1235);
    MusicFree();
    EXPECT_EQ(MusicPositionMs(), 0);
    EXPECT_TRUE(MusicEnded());
}

// Every frame of the stream from where it stands to its end.
std::vector<int16_t> ReadToEnd(PcmSource& music)
{
    std::vector<int16_t> all;
    std::vector<int16_t> chunk(1000 * static_cast<size_t>(music.Channels()));
    while (const size_t n = music.Read(chunk.data(), 1000))
        all.insert(all.end(), chunk.begin(),
                   chunk.begin() + static_cast<long>(n) * music.Channels());
    return all;
}

TEST(Mp3Stream, ReadsRateLengthAndRejectsOtherFiles)
{
    std::string error;
    std::unique_ptr<Mp3Stream> music = Mp3Stream::Open(ToneFile, &error);
    ASSERT_TRUE(music) << error;
    EXPECT_EQ(music->Rate(), 44100u);
    EXPECT_EQ(music->Channels(), 1);
    // Gapless decoding trims the encoder's delay and padding: one second, give or take a frame.
    EXPECT_NEAR(static_cast<double>(music->Frames()) / music->Rate(), 1.0, 0.03);
    // The stream gives exactly the frames it announced, and nothing after its end.
    EXPECT_EQ(static_cast<int64_t>(ReadToEnd(*music).size()), music->Frames());
    int16_t more[8];
    EXPECT_EQ(music->Read(more, 4), 0u);
    const std::optional<Mp3Info> info = ProbeMp3(ToneFile);
    ASSERT_TRUE(info);
    EXPECT_DOUBLE_EQ(info->lengthSeconds, static_cast<double>(music->Frames()) / 44100.0);

    EXPECT_FALSE(Mp3Stream::Open("/nonexistent/plomarind.mp3", &error));
    EXPECT_FALSE(error.empty());
    const std::string text = testing::TempDir() + "/not_music.mp3";
    std::ofstream(text) << "this is not an MPEG audio file at all, just some text\n";
    EXPECT_FALSE(Mp3Stream::Open(text, &error));
    EXPECT_FALSE(ProbeMp3(text));
}

TEST(Mp3Stream, SeeksLandOnTheSamplesOfAPlainDecode)
{
    std::unique_ptr<Mp3Stream> music = Mp3Stream::Open(ToneFile, nullptr);
    ASSERT_TRUE(music);
    const std::vector<int16_t> whole = ReadToEnd(*music);
    const int64_t frames = music->Frames();
    // The first sample, inside the first MPEG frame, on and beside frame boundaries (1152
    // samples), the last sample and the end itself, read to the end; then, in a stream that has
    // been read and sought in all directions, a target every 331 samples with 3000 read.
    for (const int64_t at :
         {int64_t{0}, int64_t{1}, int64_t{575}, int64_t{1152}, int64_t{1153}, int64_t{5 * 1152 - 1},
          frames / 2 + 17, frames - 1, frames, int64_t{300}}) {
        ASSERT_TRUE(music->Seek(at)) << at;
        const std::vector<int16_t> rest = ReadToEnd(*music);
        ASSERT_EQ(static_cast<int64_t>(rest.size()), frames - at) << at;
        EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + at)) << at;
    }
    std::vector<int16_t> part(3000);
    for (int64_t at = frames - 5; at >= 0; at -= 331) {
        ASSERT_TRUE(music->Seek(at)) << at;
        const size_t n = music->Read(part.data(), part.size());
        ASSERT_EQ(static_cast<int64_t>(n), std::min<int64_t>(3000, frames - at)) << at;
        EXPECT_TRUE(
            std::equal(part.begin(), part.begin() + static_cast<long>(n), whole.begin() + at))
            << at;
    }
    EXPECT_FALSE(music->Seek(-1));
    EXPECT_FALSE(music->Seek(frames + 1));
}

TEST(Mp3Stream, LyingFrameCountDrivesNoAllocation)
{
    // The tone with its Info header claiming 2^32 - 1 frames: the length comes from the frames
    // that are there, and the stream plays to their end.
    std::ifstream in(ToneFile, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t tag = bytes.find("Info");
    ASSERT_NE(tag, std::string::npos);
    ASSERT_TRUE(bytes[tag + 7] & 1); // the frame count is present
    bytes.replace(tag + 8, 4, "\xff\xff\xff\xff");
    const std::string lying = testing::TempDir() + "/lying_frames.mp3";
    std::ofstream(lying, std::ios::binary) << bytes;

    std::string error;
    std::unique_ptr<Mp3Stream> music = Mp3Stream::Open(lying, &error);
    ASSERT_TRUE(music) << error;
    EXPECT_NEAR(static_cast<double>(music->Frames()) / music->Rate(), 1.0, 0.1);
    EXPECT_EQ(static_cast<int64_t>(ReadToEnd(*music).size()), music->Frames());
    const std::optional<Mp3Info> info = ProbeMp3(lying);
    ASSERT_TRUE(info);
    EXPECT_LT(info->lengthSeconds, 2.0);
}

TEST(MemoryPcm, ReadsSeeksAndEnds)
{
    MemoryPcm pcm({1, 2, 3, 4, 5, 6, 7}, 8000, 2); // the trailing 7 is half a frame
    EXPECT_EQ(pcm.Frames(), 3);
    int16_t out[8] = {};
    EXPECT_EQ(pcm.Read(out, 2), 2u);
    EXPECT_EQ(out[3], 4);
    EXPECT_EQ(pcm.Read(out, 4), 1u);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(pcm.Read(out, 4), 0u);
    ASSERT_TRUE(pcm.Seek(1));
    EXPECT_EQ(pcm.Read(out, 1), 1u);
    EXPECT_EQ(out[0], 3);
    EXPECT_FALSE(pcm.Seek(4));
}

TEST(MusicLoad, MissingFileRunsSilentClockForFallbackLength)
{
    MusicLoad("/nonexistent/plomarind.mp3", 2500.0);
    ASSERT_NE(MusicCurrentBackend(), nullptr);
    EXPECT_DOUBLE_EQ(MusicCurrentBackend()->LengthSeconds(), 2.5);
    EXPECT_FALSE(MusicEnded());
    MusicPlay();
    EXPECT_FALSE(MusicEnded());
    MusicFree();
}

// Two seconds of a quiet tone, so the null backend has something to mix: longer than the
// stream's queue, so that the feeder thread refills it while it plays.
std::unique_ptr<PcmSource> TwoSeconds()
{
    std::vector<int16_t> samples(2 * 88200);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>((i / 2) % 100 * 20);
    static_assert(OpenAlStream::BufferCount * OpenAlStream::BufferFrames < 88200);
    return std::make_unique<MemoryPcm>(std::move(samples), 44100, 2);
}

TEST(OpenAlStream, ClockOnNullBackend)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (!MusicInit())
        GTEST_SKIP() << "no OpenAL device";
    std::string error;
    std::unique_ptr<OpenAlStream> owned = OpenAlStream::Create(TwoSeconds(), &error);
    ASSERT_TRUE(owned) << error;
    OpenAlStream* s = owned.get();
    MusicSetBackend(std::move(owned));
    EXPECT_DOUBLE_EQ(s->LengthSeconds(), 2.0);
    EXPECT_FALSE(MusicEnded());

    // Advances with real time. The null backend's latency may hold the start back slightly.
    MusicPlay();
    SleepMs(100);
    const auto t0 = std::chrono::steady_clock::now();
    const double p0 = s->PositionSeconds();
    SleepMs(300);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double p1 = s->PositionSeconds();
    EXPECT_NEAR(p1 - p0, wall, 0.06);

    // Smooth between the mixer's updates: sampled every millisecond, it takes many distinct
    // values and never goes back.
    std::set<int32_t> distinct;
    int32_t last = MusicPositionMs();
    for (int i = 0; i < 100; ++i) {
        SleepMs(1);
        const int32_t ms = MusicPositionMs();
        EXPECT_GE(ms, last);
        last = ms;
        distinct.insert(ms);
    }
    EXPECT_GT(distinct.size(), 40u);

    // 50 % halves the advance.
    MusicSetSpeed(50);
    EXPECT_EQ(s->Rate(), 22050u);
    const auto t2 = std::chrono::steady_clock::now();
    const double p2 = s->PositionSeconds();
    SleepMs(400);
    const double wall2 =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t2).count();
    const double p3 = s->PositionSeconds();
    EXPECT_NEAR(p3 - p2, wall2 * 0.5, 0.06);
    MusicSetSpeed(100);

    // The seek lands where asked.
    MusicSetPositionSeconds(1.5f);
    EXPECT_NEAR(s->PositionSeconds(), 1.5, 0.01);
    SleepMs(100);
    EXPECT_NEAR(s->PositionSeconds(), 1.6, 0.06);

    // Ends at the length, reporting the length rather than the stopped source's 0.
    SleepMs(700);
    EXPECT_TRUE(MusicEnded());
    EXPECT_EQ(MusicPositionMs(), 2000);

    // A seek after the end plays again from there. Paused, the position holds, and a seek
    // while paused waits for the resume.
    MusicSetPositionSeconds(1.0f);
    EXPECT_FALSE(MusicEnded());
    s->SetPaused(true);
    const double held = s->PositionSeconds();
    SleepMs(100);
    EXPECT_DOUBLE_EQ(s->PositionSeconds(), held);
    MusicSetPositionSeconds(1.8f);
    EXPECT_NEAR(s->PositionSeconds(), 1.8, 0.01);
    SleepMs(300);
    EXPECT_FALSE(MusicEnded());
    s->SetPaused(false);
    SleepMs(500);
    EXPECT_TRUE(MusicEnded());
    MusicFree();
}

} // namespace
} // namespace quv
