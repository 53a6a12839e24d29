#pragma once
// The image list "gfx/gfxslots": a text file whose line n names the TGA image of slot n,
// relative to "gfx". Lines are read as text: up to 64 of them, each without its line end (LF,
// or CR LF from a file saved on Windows); an empty line keeps its slot empty.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quv {

constexpr size_t ImageSlotCount = 64;

// The lines of the list in file order, at most ImageSlotCount, as read: not trimmed, except for
// the one CR before each LF (and at the very end). A final line without a line end counts; an
// empty file has no lines.
std::vector<std::string> ParseSlotList(std::span<const uint8_t> bytes);

} // namespace quv
