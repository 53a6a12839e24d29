#pragma once
// The checks that `quvplayer dump --check` and `quvtool compile` make beyond the walk's record
// rules: what a handle's type and times mean for the player (an unknown type stops it, an end
// not after the start never shows, a Timeline started again drops what came before) and what a
// field's keys mean for the evaluation (keys out of time order, non-finite numbers, unknown
// kinds, curves short of keys or with odd step counts). One implementation, so that the
// compiler warns about exactly what the player's checker reports.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/_demorecords.h"

namespace quv {

// The shortest text that reads back as the same double, in plain notation where the number
// allows it; "nan", "inf" and "-inf" otherwise.
std::string CheckNumber(double value);

// The lenient walk with every check above: each problem a player would meet in the file, with
// its byte offset, walk problems and handle problems in file order, then track problems.
std::vector<DemoProblem> CheckDemoBytes(std::span<const uint8_t> bytes,
                                        const std::string& fileName);

} // namespace quv
