#pragma once
// The music, which is the demo's clock. One stream at a time, played by a backend: the audio
// stream (OpenAL Soft with libmpg123), a silent real-time clock, or the offline clock that the
// headless renderer steps frame by frame.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quv {

// What a music backend offers. Positions are seconds of music; the rate is in Hz.
class MusicBackend {
public:
    virtual ~MusicBackend() = default;
    virtual void Play() = 0; // from the start
    virtual void SetRate(uint32_t hz) = 0;
    virtual uint32_t Rate() const = 0;
    virtual double PositionSeconds() = 0;
    virtual void SetPositionSeconds(double seconds) = 0;
    virtual double LengthSeconds() const = 0;
    virtual bool Ended() = 0;
    virtual void SetPaused(bool paused) = 0;
};

// Sample rate of the stream when it was loaded.
extern uint32_t MusicBaseRate;

// Opens the default audio device. False when there is none: a silent clock then stands in for
// the music.
bool MusicInit();

// Installs the backend for the named file: the OpenAL stream when a device is open and the file
// decodes, otherwise the silent clock, with one warning on stderr. The silent clock runs for the
// music's length when it can be read, else for fallbackLengthMs (the Timeline's last end).
void MusicLoad(const std::string& fileName, double fallbackLengthMs);

// Installs the backend that the operations below act on (nullptr: none, all operations inert).
void MusicSetBackend(std::unique_ptr<MusicBackend> backend);
MusicBackend* MusicCurrentBackend();

void MusicPlay();
// Rate := trunc(MusicBaseRate * percent / 100); 0 means the load-time rate.
void MusicSetSpeed(double percent);
// The heard position in whole milliseconds, rounded to nearest with ties to even.
int32_t MusicPositionMs();
bool MusicEnded();
// The start-position option: seconds as single precision, as the seek always took them.
void MusicSetPositionSeconds(float seconds);
// Current rate over the load-time rate (1 when nothing is loaded).
double MusicRateRatio();
// Releases the backend and closes the audio device. Safe to call more than once.
void MusicFree();

// PCM of a decoded MP3: interleaved signed 16-bit samples.
struct DecodedMusic {
    std::vector<int16_t> samples;
    uint32_t rate = 0;
    int channels = 0;
    size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// Decodes a whole MP3 with libmpg123. The encoder delay and padding are trimmed (gapless
// decoding), so position 0 is the first sample of the music. nullopt with a reason on failure.
std::optional<DecodedMusic> DecodeMp3(const std::string& path, std::string* error);

// Rate and length of an MP3 without decoding it; nullopt when it cannot be read.
struct Mp3Info {
    uint32_t rate = 0;
    double lengthSeconds = 0.0;
};
std::optional<Mp3Info> ProbeMp3(const std::string& path);

// Turns a position that moves in steps (the mixer updates it once per period) into one that
// advances with the wall clock between the steps. Times are seconds; ratio is the playback rate
// over the load-time rate. The output never goes backwards except through Reset.
class SmoothedPosition {
public:
    void Reset(double position, double now);
    void SetRatio(double ratio, double now);
    void SetPaused(bool paused, double now);
    // Feeds one reading of the library's position and returns the smoothed one.
    double Update(double raw, double now);
    double Last() const { return out_; }

private:
    double Predict(double now) const { return anchorPos_ + (now - anchorTime_) * ratio_; }
    double anchorPos_ = 0.0;
    double anchorTime_ = 0.0;
    double ratio_ = 1.0;
    double lastRaw_ = -1.0;
    double out_ = 0.0;
    double settleUntil_ = 0.0;
    bool paused_ = false;
};

// The music played through OpenAL Soft from decoded PCM. Needs MusicInit.
class OpenAlStream final : public MusicBackend {
public:
    static std::unique_ptr<OpenAlStream> Create(const DecodedMusic& music, std::string* error);
    ~OpenAlStream() override;
    void Play() override;
    void SetRate(uint32_t hz) override;
    uint32_t Rate() const override { return rate_; }
    double PositionSeconds() override;
    void SetPositionSeconds(double seconds) override;
    double LengthSeconds() const override { return length_; }
    bool Ended() override;
    void SetPaused(bool paused) override;
    // The position the listener hears as the library reports it, unsmoothed.
    double HeardSeconds();

private:
    OpenAlStream() = default;
    bool Stopped();
    unsigned source_ = 0;
    unsigned buffer_ = 0;
    uint32_t baseRate_ = 0;
    uint32_t rate_ = 0;
    double length_ = 0.0;
    bool started_ = false;
    bool ended_ = false;
    bool paused_ = false;
    SmoothedPosition clock_;
};

// A clock for running without sound: real time at the current rate, with seek, pause and a
// length. The time source is replaceable for tests.
class SilentClock final : public MusicBackend {
public:
    using NowFn = double (*)(); // seconds
    SilentClock(uint32_t baseRate, double lengthSeconds, NowFn now = nullptr);
    void Play() override;
    void SetRate(uint32_t hz) override;
    uint32_t Rate() const override { return rate_; }
    double PositionSeconds() override;
    void SetPositionSeconds(double seconds) override;
    double LengthSeconds() const override { return length_; }
    bool Ended() override;
    void SetPaused(bool paused) override;

private:
    double Now() const;
    NowFn now_;
    uint32_t baseRate_;
    uint32_t rate_;
    double length_;
    double anchorPos_ = 0.0;
    double anchorTime_ = 0.0;
    bool playing_ = false;
    bool paused_ = false;
};

// Seconds on the steady clock.
double SteadySeconds();

// The headless renderer's clock: starts at startMs, stands still until advanced, never ends
// before lengthMs.
class OfflineClock final : public MusicBackend {
public:
    OfflineClock(double startMs, uint32_t baseRate, double lengthMs);
    void Play() override {}
    void SetRate(uint32_t hz) override { rate_ = hz; }
    uint32_t Rate() const override { return rate_; }
    double PositionSeconds() override { return positionMs_ / 1000.0; }
    void SetPositionSeconds(double seconds) override { positionMs_ = seconds * 1000.0; }
    double LengthSeconds() const override { return lengthMs_ / 1000.0; }
    bool Ended() override { return positionMs_ >= lengthMs_; }
    void SetPaused(bool) override {}
    // Moves the clock by wallMs of real time at the current rate.
    void Advance(double wallMs);
    double PositionMsExact() const { return positionMs_; }

private:
    double positionMs_;
    uint32_t baseRate_;
    uint32_t rate_;
    double lengthMs_;
};

} // namespace quv
