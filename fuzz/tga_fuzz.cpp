// Fuzz target: the TGA decoder and header reader on arbitrary files.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "effects/sprites/TGATexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    quv::TgaHeader header;
    const quv::TgaProblem headerProblem = quv::ReadTgaHeader(file, header);
    quv::TgaImage image;
    const quv::TgaProblem problem = quv::DecodeTga(file, image);
    if (problem == quv::TgaProblem::None) {
        // A decoded image is complete and agrees with the header.
        if (headerProblem != quv::TgaProblem::None ||
            image.pixels.size() != size_t{image.width} * image.height * image.bytesPerPixel ||
            image.width != header.width || image.height != header.height)
            std::abort();
        volatile uint8_t sum = 0;
        for (uint8_t b : image.pixels)
            sum = static_cast<uint8_t>(sum + b);
    } else if (!image.pixels.empty()) {
        std::abort(); // a refused file leaves the image alone
    }
    return 0;
}
