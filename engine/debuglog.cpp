#include "engine/debuglog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/message.h"

namespace quv {

void DebugLog(std::string_view line)
{
    static const bool enabled = std::getenv("QUV_DEBUGLOG") != nullptr;
    if (!enabled)
        return;
    // Lines carry labels and file names from the demo: escaped, never raw control bytes.
    const std::string text = "debuglog: " + PrintableCp1252(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace quv
