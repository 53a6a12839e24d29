#include "platform/DemoBass.h"

#include "engine/numeric.h"

namespace quv {

uint32_t MusicBaseRate = 0;

namespace {
std::unique_ptr<MusicBackend> current;
} // namespace

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

void MusicFree()
{
    current.reset();
    MusicBaseRate = 0;
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
