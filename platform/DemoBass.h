#pragma once
// The music played through the audio device: OpenAL Soft with libmpg123. It installs itself as
// the backend of the music clock, or a silent clock when there is no device or no readable music.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/musicclock.h"

namespace quv {

// Opens the default audio device. False when there is none: a silent clock then stands in for
// the music.
bool MusicInit();

// Installs the backend for the named file: the OpenAL stream when a device is open and the file
// decodes, otherwise the silent clock, with one warning (a print-only message). The silent clock runs for the
// music's length when it can be read, else for fallbackLengthMs (the Timeline's last end).
void MusicLoad(const std::string& fileName, double fallbackLengthMs);

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
// The program's one decoder: the player's stream, the renderer's music length (ProbeMp3) and a
// rendered video's sound track all read the music through it, so they agree to the sample.
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

} // namespace quv
