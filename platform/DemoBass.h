#pragma once
// The music played through the audio device: OpenAL Soft with libmpg123. It installs itself as
// the backend of the music clock, or a silent clock when there is no device or no readable music.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/musicclock.h"

struct mpg123_handle_struct; // libmpg123's decoder

namespace quv {

// Opens the default audio device. False when there is none: a silent clock then stands in for
// the music.
bool MusicInit();

// Installs the backend for the named file: the OpenAL stream when a device is open and the file
// decodes, otherwise the silent clock, with one warning (a print-only message). The silent clock
// runs for the music's length when it can be read, else for fallbackLengthMs (the Timeline's last
// end).
void MusicLoad(const std::string& fileName, double fallbackLengthMs);

// Releases the backend and closes the audio device. Safe to call more than once.
void MusicFree();

// Interleaved signed 16-bit PCM read in order, with exact seeks by frame (one sample per
// channel). The audio stream plays one and a rendered video's sound track reads one, a window at
// a time, so that memory never depends on the music's length.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    virtual uint32_t Rate() const = 0;
    virtual int Channels() const = 0; // 1 or 2
    // The length in frames.
    virtual int64_t Frames() const = 0;
    // Moves to frame (0 <= frame <= Frames()); what Read gives next is what reading from the
    // start would give there. False when the stream cannot go there.
    virtual bool Seek(int64_t frame) = 0;
    // Reads up to `frames` frames into out (room for frames * Channels() samples) and returns
    // how many were read: fewer only at the end of the music.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
};

// PCM already in memory (tests, benchmarks): samples interleaved; a trailing part frame is
// not a frame.
class MemoryPcm final : public PcmSource {
public:
    MemoryPcm(std::vector<int16_t> samples, uint32_t rate, int channels)
        : samples_(std::move(samples)), rate_(rate), channels_(channels)
    {
    }
    uint32_t Rate() const override { return rate_; }
    int Channels() const override { return channels_; }
    int64_t Frames() const override
    {
        return static_cast<int64_t>(samples_.size() / static_cast<size_t>(channels_));
    }
    bool Seek(int64_t frame) override;
    size_t Read(int16_t* out, size_t frames) override;

private:
    std::vector<int16_t> samples_;
    uint32_t rate_;
    int channels_;
    int64_t at_ = 0;
};

// An MP3 decoded by libmpg123 as it is read. The encoder's delay and padding are trimmed
// (gapless decoding), so frame 0 is the first sample of the music. Opening scans the whole file
// once: the length is then counted from the frames themselves, never taken from a header that
// may lie, and the scan's index of frame positions makes seeks exact. The program's one decoder:
// the player's stream, the renderer's music length (ProbeMp3) and a rendered video's sound track
// all read the music through it, so they agree to the sample.
class Mp3Stream final : public PcmSource {
public:
    // nullptr with a reason when the file cannot be read or holds no audio.
    static std::unique_ptr<Mp3Stream> Open(const std::string& path, std::string* error);
    ~Mp3Stream() override;
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;
    uint32_t Rate() const override { return rate_; }
    int Channels() const override { return channels_; }
    int64_t Frames() const override { return frames_; }
    bool Seek(int64_t frame) override;
    // A damaged frame ends the music there, as a player would.
    size_t Read(int16_t* out, size_t frames) override;

private:
    Mp3Stream() = default;
    bool Start(std::string* error);
    void Close();
    std::string path_;
    mpg123_handle_struct* handle_ = nullptr;
    bool open_ = false;
    bool done_ = false;
    bool gapless_ = true;
    uint32_t rate_ = 0;
    int channels_ = 0;
    int64_t frames_ = 0;
    int64_t at_ = 0;             // the next frame Read gives
    std::vector<int64_t> index_; // the scan's frame positions
    int64_t indexStep_ = 0;
};

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

// The music played through OpenAL Soft as a stream: a few buffers queued on one source, kept
// full by a feeder thread that decodes ahead of the mixer. The position is the frame at the
// head of the queue plus the source's offset into it. Needs MusicInit.
class OpenAlStream final : public MusicBackend {
public:
    static std::unique_ptr<OpenAlStream> Create(std::unique_ptr<PcmSource> music,
                                                std::string* error);
    ~OpenAlStream() override;
    OpenAlStream(const OpenAlStream&) = delete;
    OpenAlStream& operator=(const OpenAlStream&) = delete;
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

    // Queued buffers and frames per buffer: about a second at 44.1 kHz, so that a stall of the
    // feeder thread much shorter than that is never heard.
    static constexpr int BufferCount = 6;
    static constexpr size_t BufferFrames = 8192;

private:
    OpenAlStream() = default;
    // All below run with lock_ held.
    void Feed();
    void Restart(int64_t frame);
    bool Stopped();
    double HeardSecondsLocked();

    std::unique_ptr<PcmSource> music_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::thread feeder_;
    bool quit_ = false;

    unsigned source_ = 0;
    unsigned buffers_[BufferCount] = {};
    // The queue in play order: ring of buffer names and their frame counts.
    unsigned queued_[BufferCount] = {};
    int64_t queuedFrames_[BufferCount] = {};
    int head_ = 0;
    int count_ = 0;
    unsigned free_[BufferCount] = {};
    int freeCount_ = 0;
    std::vector<int16_t> chunk_;
    int64_t queueStart_ = 0; // the music frame at the head of the queue
    bool drained_ = false;   // the decoder has given its last frame

    int format_ = 0;
    uint32_t baseRate_ = 0;
    uint32_t rate_ = 0;
    double length_ = 0.0;
    bool started_ = false;
    bool ended_ = false;
    bool paused_ = false;
    SmoothedPosition clock_;
};

} // namespace quv
