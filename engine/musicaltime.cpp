#include "engine/musicaltime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quv {

namespace {

// Reads decimal digits at text[at...]; false when there are none or too many to hold.
bool Digits(std::string_view text, size_t& at, int64_t& value)
{
    const size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (at - start >= 9)
            return false;
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    return at > start;
}

} // namespace

std::optional<double> ParseMusicalTime(std::string_view text, const MusicalTempo& tempo)
{
    if (!(tempo.bpm > 0.0) || !std::isfinite(tempo.bpm) || !std::isfinite(tempo.offset))
        return std::nullopt;
    size_t at = 0;
    int64_t bar = 0, beat = 0;
    if (!Digits(text, at, bar) || bar < 1 || at >= text.size() || text[at] != ':')
        return std::nullopt;
    ++at;
    if (!Digits(text, at, beat) || beat < 1 || beat > BeatsPerBar)
        return std::nullopt;
    double fraction = 0.0;
    if (at < text.size()) {
        if (text[at] != '.' || at + 1 == text.size())
            return std::nullopt;
        for (size_t i = at + 1; i < text.size(); ++i)
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
        // The digits as a decimal fraction, read the way strtod reads "0.DIGITS".
        const std::string digits = "0" + std::string(text.substr(at));
        fraction = std::strtod(digits.c_str(), nullptr);
    }
    const double beats = static_cast<double>((bar - 1) * BeatsPerBar + (beat - 1)) + fraction;
    return tempo.offset + beats * 60000.0 / tempo.bpm;
}

std::optional<std::string> ExactMusicalTime(double ms, const MusicalTempo& tempo)
{
    if (!(tempo.bpm > 0.0) || !std::isfinite(ms))
        return std::nullopt;
    const double beats = (ms - tempo.offset) * tempo.bpm / 60000.0;
    if (!(beats > -0.5) || beats > 1e9)
        return std::nullopt;
    int64_t scale = 1;
    for (int decimals = 0; decimals <= 9; ++decimals, scale *= 10) {
        const int64_t scaled = std::llround(beats * static_cast<double>(scale));
        if (scaled < 0)
            continue;
        const int64_t whole = scaled / scale;
        char text[64];
        int length = std::snprintf(text, sizeof text, "%lld:%lld",
                                   static_cast<long long>(whole / BeatsPerBar + 1),
                                   static_cast<long long>(whole % BeatsPerBar + 1));
        if (decimals > 0)
            std::snprintf(text + length, sizeof text - length, ".%0*lld", decimals,
                          static_cast<long long>(scaled % scale));
        const std::optional<double> back = ParseMusicalTime(text, tempo);
        if (back && *back == ms)
            return std::string(text);
    }
    return std::nullopt;
}

std::string FormatBarBeat(double ms, const MusicalTempo& tempo)
{
    if (!(tempo.bpm > 0.0) || !std::isfinite(ms))
        return "-:-";
    const double beats = std::floor((ms - tempo.offset) * tempo.bpm / 60000.0);
    const double bar = std::floor(beats / BeatsPerBar);
    char text[64];
    std::snprintf(text, sizeof text, "%.0f:%.0f", bar + 1, beats - bar * BeatsPerBar + 1);
    return text;
}

} // namespace quv
