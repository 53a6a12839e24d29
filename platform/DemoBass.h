#pragma once
// The music, which is the demo's clock. One stream at a time, played by a backend: the audio
// stream (OpenAL Soft with libmpg123), a silent real-time clock, or the offline clock that the
// headless renderer steps frame by frame.

#include <cstdint>
#include <memory>
#include <string>

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
void MusicFree();

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
