#pragma once
// The interactive player's command line and its Play sequence.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/musicaltime.h"

namespace quv {

struct PlayerOptions {
    bool help = false;
    bool version = false;
    bool play = false;              // skip the launcher
    std::optional<bool> fullscreen; // --fullscreen / --windowed
    int32_t width = 0, height = 0;  // --mode WxH[@HZ]
    int32_t refresh = 0;
    std::optional<int32_t> startMs; // --start MS
    bool vsync = true;
    bool loop = false;                // --loop: start again when the music ends
    std::optional<double> loopFromMs; // --loop-from MS: the in point of a looped range
    std::optional<double> loopToMs;   // --loop-to MS: its out point
    std::string demo;                 // --demo FILE: compiled or text form (demodata.quv)
    std::string music;                // --music FILE (default plomarind.mp3)
    bool watch = false;               // --watch: reload the demo and its images when they change
    std::string firstArgument;        // argv[1], for the "-sp:" option
};

// Parses the player's arguments (argv[0] is the program). False with a one-line reason for an
// unknown option or a bad value (a --loop-from or --loop-to that is not a finite number, or a
// range whose start does not lie before its end; its place in the music is checked once the
// music's length is known). "-sp:" is honoured only as the first argument, exactly as
// written; the same text elsewhere, or in another case, is ignored.
bool ParsePlayerOptions(int argc, char** argv, PlayerOptions* options, std::string* error);

// "m:ss.mmm" of a position in milliseconds (negative positions count as 0).
std::string FormatMusicTime(int32_t ms);

// The overlay's line: "FPS 60  0:12.345 / 1:22.000", then "  BAR 7:3" with a tempo that has a
// bpm, then "  RATE 50%" when the music does not run at its own rate, then "  PAUSED".
std::string FormatInfoLine(uint32_t fps, int32_t positionMs, double lengthSeconds, double rate,
                           bool paused, const MusicalTempo& tempo = {});

} // namespace quv
