#include "engine/musicclock.h"

#include <algorithm>
#include <chrono>

#include "engine/numeric.h"

namespace quv {

uint32_t MusicBaseRate = 0;

namespace {
std::unique_ptr<MusicBackend> current;
} // namespace

double SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------------------------------------
// Silent clock

SilentClock::SilentClock(uint32_t baseRate, double lengthSeconds, NowFn now)
    : now_(now), baseRate_(baseRate == 0 ? 44100 : baseRate), rate_(baseRate_),
      length_(lengthSeconds > 0.0 ? lengthSeconds : 0.0)
{
}

double SilentClock::Now() const
{
    return now_ != nullptr ? now_() : SteadySeconds();
}

void SilentClock::Play()
{
    playing_ = true;
    paused_ = false;
    anchorPos_ = 0.0;
    anchorTime_ = Now();
}

void SilentClock::SetRate(uint32_t hz)
{
    if (hz == 0 || hz == rate_)
        return;
    anchorPos_ = PositionSeconds();
    anchorTime_ = Now();
    rate_ = hz;
}

double SilentClock::PositionSeconds()
{
    if (!playing_ || paused_)
        return std::min(anchorPos_, length_);
    const double ratio = static_cast<double>(rate_) / baseRate_;
    return std::min(anchorPos_ + (Now() - anchorTime_) * ratio, length_);
}

void SilentClock::SetPositionSeconds(double seconds)
{
    if (!(seconds >= 0.0) || seconds >= length_)
        return;
    anchorPos_ = seconds;
    anchorTime_ = Now();
}

bool SilentClock::Ended()
{
    return playing_ && PositionSeconds() >= length_;
}

void SilentClock::SetPaused(bool paused)
{
    if (!playing_ || paused == paused_)
        return;
    anchorPos_ = PositionSeconds();
    anchorTime_ = Now();
    paused_ = paused;
}

void MusicSetBackend(std::unique_ptr<MusicBackend> backend)
{
    current = std::move(backend);
    MusicBaseRate = current ? current->Rate() : 0;
}

MusicBackend* MusicCurrentBackend()
{
    return current.get();
}

void MusicPlay()
{
    if (current)
        current->Play();
}

void MusicSetSpeed(double percent)
{
    if (!current)
        return;
    const int64_t rate = TruncInt(static_cast<double>(MusicBaseRate) * percent / 100.0);
    // A rate of 0 restores the load-time rate; a negative one is no rate at all and is ignored.
    if (rate < 0)
        return;
    current->SetRate(rate == 0 ? MusicBaseRate : static_cast<uint32_t>(rate));
}

int32_t MusicPositionMs()
{
    if (!current)
        return 0;
    const float seconds = static_cast<float>(current->PositionSeconds());
    return RoundInt(static_cast<double>(seconds) * 1000.0);
}

bool MusicEnded()
{
    return !current || current->Ended();
}

void MusicSetPositionSeconds(float seconds)
{
    if (current)
        current->SetPositionSeconds(static_cast<double>(seconds));
}

double MusicRateRatio()
{
    if (!current || MusicBaseRate == 0)
        return 1.0;
    return static_cast<double>(current->Rate()) / MusicBaseRate;
}

OfflineClock::OfflineClock(double startMs, uint32_t baseRate, double lengthMs)
    : positionMs_(startMs), baseRate_(baseRate), rate_(baseRate), lengthMs_(lengthMs)
{
}

void OfflineClock::Advance(double wallMs)
{
    positionMs_ += wallMs * (baseRate_ == 0 ? 1.0 : static_cast<double>(rate_) / baseRate_);
}

} // namespace quv
