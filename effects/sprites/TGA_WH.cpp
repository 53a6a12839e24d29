// TGA size reader: the width and height of a TGA file from its 18-byte header.

#include "effects/sprites/TGA_WH.h"

#include "effects/sprites/TGATexture.h"
#include "engine/_loadsave.h"
#include "engine/message.h"

namespace quv {

void ReadTgaSize(const std::string& fileName, int32_t& width, int32_t& height)
{
    std::string path;
    if (!OpenTgaFile(fileName, path))
        return;
    const FileRead read = ReadFileHead(path, TgaHeaderSize);
    TgaHeader header;
    const TgaProblem problem = ReadTgaHeader(read.bytes, header);
    if (problem != TgaProblem::None) {
        ShowMessage(TgaErrorCaption, TgaProblemText(problem, fileName));
        return;
    }
    width = header.width;
    height = header.height;
}

} // namespace quv
