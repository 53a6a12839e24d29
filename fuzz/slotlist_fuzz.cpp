// Fuzz target: the image list reader on arbitrary text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "effects/sprites/slotlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> lines = quv::ParseSlotList(std::span<const uint8_t>(data, size));
    if (lines.size() > quv::ImageSlotCount)
        std::abort();
    size_t total = 0;
    for (const std::string& line : lines) {
        if (line.find('\n') != std::string::npos)
            std::abort(); // line ends never reach a file name
        total += line.size();
    }
    if (total > size)
        std::abort();
    return 0;
}
