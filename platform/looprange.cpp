#include "platform/looprange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/player.h"

namespace quv {

namespace {

std::string Ms(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms);
    return text;
}

std::string Position(double ms)
{
    return FormatMusicTime(static_cast<int32_t>(std::lround(std::clamp(ms, 0.0, 2.0e9))));
}

} // namespace

bool CheckLoopOptions(std::optional<double> fromMs, std::optional<double> toMs, double lengthMs,
                      std::string* error)
{
    const auto check = [&](const char* option, std::optional<double> ms) {
        if (!ms)
            return true;
        if (!std::isfinite(*ms) || *ms < 0.0) {
            *error = std::string(option) + " " + Ms(*ms) +
                     " is not a position in the music (milliseconds from 0)";
            return false;
        }
        if (lengthMs >= 0.0 && *ms > lengthMs) {
            *error = std::string(option) + " " + Ms(*ms) + " lies beyond the end of the music (" +
                     Ms(std::round(lengthMs)) + " ms)";
            return false;
        }
        return true;
    };
    if (!check("--loop-from", fromMs) || !check("--loop-to", toMs))
        return false;
    if (fromMs && lengthMs >= 0.0 && *fromMs >= lengthMs) {
        *error = "--loop-from " + Ms(*fromMs) + " lies at or beyond the end of the music (" +
                 Ms(std::round(lengthMs)) + " ms)";
        return false;
    }
    if (fromMs && toMs && !(*fromMs < *toMs)) {
        *error = "--loop-from " + Ms(*fromMs) + " must lie before --loop-to " + Ms(*toMs);
        return false;
    }
    if (!fromMs && toMs && *toMs <= 0.0) {
        *error = "--loop-to " + Ms(*toMs) + " leaves nothing to loop (it must lie after 0)";
        return false;
    }
    return true;
}

void LoopRange::Set(std::optional<double> fromMs, std::optional<double> toMs)
{
    in_ = fromMs;
    out_ = toMs;
    Update();
}

std::string LoopRange::MarkIn(double positionMs)
{
    in_ = positionMs;
    std::string note = "loop in at " + Position(positionMs);
    if (out_ && *out_ <= positionMs) {
        note += ", at or after the out point " + Position(*out_) +
                ": the out point is cleared and the loop runs to the end";
        out_.reset();
    }
    Update();
    return note;
}

std::string LoopRange::MarkOut(double positionMs)
{
    out_ = positionMs;
    std::string note = "loop out at " + Position(positionMs);
    if (in_ && *in_ >= positionMs) {
        note += ", at or before the in point " + Position(*in_) +
                ": the in point is cleared and the loop starts at the beginning";
        in_.reset();
    }
    Update();
    return note;
}

std::string LoopRange::Clear()
{
    if (!Active())
        return "";
    in_.reset();
    out_.reset();
    Update();
    return "loop cleared";
}

bool LoopRange::Due(double positionMs, bool musicEnded) const
{
    if (!Active())
        return false;
    return out_ ? positionMs >= *out_ || musicEnded : musicEnded;
}

void LoopRange::Update()
{
    text_.clear();
    if (Active())
        text_ = "LOOP " + (in_ ? Position(*in_) : std::string("START")) + " - " +
                (out_ ? Position(*out_) : std::string("END"));
}

} // namespace quv
