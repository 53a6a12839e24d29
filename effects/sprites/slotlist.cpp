// Splits the image list into its lines.

#include "effects/sprites/slotlist.h"

namespace quv {

std::vector<std::string> ParseSlotList(std::span<const uint8_t> bytes)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < bytes.size() && lines.size() < ImageSlotCount) {
        size_t end = at;
        while (end < bytes.size() && bytes[end] != '\n')
            ++end;
        const size_t next = end < bytes.size() ? end + 1 : end;
        if (end > at && bytes[end - 1] == '\r')
            --end;
        lines.emplace_back(reinterpret_cast<const char*>(bytes.data() + at), end - at);
        at = next;
    }
    return lines;
}

} // namespace quv
