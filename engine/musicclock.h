#pragma once
// The music clock that the demo runs on: one backend at a time behind a small interface, and the
// operations the playback, the effects and the commands use on it. The audio stream itself lives
// with the platform; the silent real-time clock and the offline clock of the headless renderer
// need nothing but the standard library and live here.

#include <cstdint>
#include <memory>

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
