#pragma once
// A range of the music that plays over and over while the author works on it: set on the command
// line (--loop-from, --loop-to) or while playing ([ and ] mark the in and out points at the
// current position, \ clears them). The player asks Due each frame and seeks back to In when it
// says so. Positions are milliseconds of music.
//
// One point alone makes a loop too: an in point alone runs to the music's end, an out point
// alone starts from the beginning. A point set on the wrong side of the other one (] before the
// in point, [ after the out point) replaces it: the other point is cleared and the note says so.

#include <optional>
#include <string>

namespace quv {

// Checks the command line's range against the music's length (lengthMs, or a negative value when
// the length is not known yet). Each given point must be a finite position inside the music, and
// from must lie before to. False with a one-line reason naming the option.
bool CheckLoopOptions(std::optional<double> fromMs, std::optional<double> toMs, double lengthMs,
                      std::string* error);

class LoopRange {
public:
    // The range of the command line (already checked).
    void Set(std::optional<double> fromMs, std::optional<double> toMs);

    // [ and ]: the point at the position. Returns the line to tell the user: the new range, and
    // what became of the other point when it lay on the wrong side.
    std::string MarkIn(double positionMs);
    std::string MarkOut(double positionMs);

    // \: no loop. Returns the line to tell the user ("" when there was no loop).
    std::string Clear();

    bool Active() const { return in_.has_value() || out_.has_value(); }

    // Where the loop starts: the in point, or the music's start without one.
    double InMs() const { return in_.value_or(0.0); }

    // True when the music at positionMs has reached the out point (or ended, when the loop runs
    // to the end) and must go back to InMs.
    bool Due(double positionMs, bool musicEnded) const;

    // The overlay's line, "LOOP 0:01.000 - 0:03.000" (kept, so that drawing it allocates
    // nothing); empty without a loop.
    const std::string& Text() const { return text_; }

private:
    void Update();
    std::optional<double> in_;
    std::optional<double> out_;
    std::string text_;
};

} // namespace quv
