#pragma once
// Musical time: positions written as "BAR:BEAT" or "BAR:BEAT.FRACTION", counted from 1:1 at the
// tempo's offset, four beats a bar. The text form of a demo may give its times this way; the
// player's overlay can show the music position the same way.

#include <optional>
#include <string>
#include <string_view>

namespace quv {

constexpr int BeatsPerBar = 4;

struct MusicalTempo {
    double bpm = 0.0;    // beats per minute; 0 when the demo gives none
    double offset = 0.0; // ms at which bar 1 beat 1 falls
};

// Milliseconds for "BAR:BEAT" or "BAR:BEAT.FRACTION" (bar from 1, beat 1 to 4, fraction decimal
// digits); nullopt when the text is not of that form or the tempo has no bpm.
std::optional<double> ParseMusicalTime(std::string_view text, const MusicalTempo& tempo);

// The musical text that ParseMusicalTime turns back into exactly ms (fraction digits only where
// needed, at most 9), or nullopt when there is none (before 1:1, not finite, no bpm).
std::optional<std::string> ExactMusicalTime(double ms, const MusicalTempo& tempo);

// The bar and beat a position falls in, "BAR:BEAT", for display; positions before 1:1 count
// bars 0, -1 ...
std::string FormatBarBeat(double ms, const MusicalTempo& tempo);

} // namespace quv
