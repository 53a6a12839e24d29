#pragma once
// The TGA size reader: width and height from a TGA file's header, without making a texture.

#include <cstdint>
#include <string>

namespace quv {

// Stores the header's width and height. On a reported problem (missing file, short header,
// unsupported image type, colour map) neither is written. The depth is not checked.
void ReadTgaSize(const std::string& fileName, int32_t& width, int32_t& height);

} // namespace quv
