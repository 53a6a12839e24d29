#include "engine/debuglog.h"

#include <cstdio>
#include <cstdlib>

namespace quv {

void DebugLog(std::string_view line)
{
    static const bool enabled = std::getenv("QUV_DEBUGLOG") != nullptr;
    if (enabled)
        std::fprintf(stderr, "debuglog: %.*s\n", static_cast<int>(line.size()), line.data());
}

} // namespace quv
