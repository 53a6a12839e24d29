#pragma once
// A one-line diagnostic hook called at milestones. Switched off: it accepts the line and writes
// nothing, unless QUV_DEBUGLOG is set in the environment, in which case lines go to stderr.

#include <string_view>

namespace quv {

void DebugLog(std::string_view line);

} // namespace quv
