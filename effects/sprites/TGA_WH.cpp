// TGA size reader: the width and height of a TGA file from its 18-byte header.

#include "effects/sprites/TGA_WH.h"

#include <array>
#include <fstream>

#include "effects/sprites/TGATexture.h"
#include "engine/message.h"

namespace quv {

void ReadTgaSize(const std::string& fileName, int32_t& width, int32_t& height)
{
    std::string path;
    if (!OpenTgaFile(fileName, path))
        return;
    std::array<uint8_t, TgaHeaderSize> bytes{};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    const size_t got = static_cast<size_t>(in.gcount());
    TgaHeader header;
    const TgaProblem problem = ReadTgaHeader(std::span<const uint8_t>(bytes.data(), got), header);
    if (problem != TgaProblem::None) {
        ShowMessage(TgaErrorCaption, TgaProblemText(problem, fileName));
        return;
    }
    width = header.width;
    height = header.height;
}

} // namespace quv
