#pragma once
// The player's screenshots: S or F12 saves the frame on screen, at the window's size, as a PNG
// named after the demo and the music position ("demodata-012345ms.png") in the working
// directory. An existing file is never replaced: the name gets "-2", "-3", ... instead.
//
// The frame is read from the back buffer once the demo has drawn it, before the overlay and the
// swap (ReadBackBuffer), and written after the swap (SaveScreenshot), so that the frame on
// screen is not held up by the encoding.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quv {

// The screenshot's file name for the demo file ("demodata.quv" gives "demodata") at the music
// position (whole ms, at least six digits; a negative position counts as 0): the first of
// "demodata-012345ms.png", "demodata-012345ms-2.png", ... for which exists is false.
std::string ScreenshotName(const std::string& demoFile, int32_t positionMs,
                           const std::function<bool(const std::string&)>& exists);

// Turns rows read from the GL (bottom row first) into an image's rows (top row first), and makes
// every pixel opaque: the effects leave any alpha in the frame, which the window never shows.
void FlipRowsOpaque(std::vector<uint8_t>& rgba, int32_t width, int32_t height);

// Reads the back buffer's width x height pixels from its lower-left corner as RGBA, top row
// first, opaque. Restores the GL state it touches.
void ReadBackBuffer(int32_t width, int32_t height, std::vector<uint8_t>& rgba);

// Writes the frame as a PNG under ScreenshotName in folder. The file appears whole (it is
// written under a temporary name and then linked to its own, which fails rather than replace a
// file that appeared meanwhile; the next free name is taken then). The written path in path, or
// false with the reason.
bool SaveScreenshot(const std::string& folder, const std::string& demoFile, int32_t positionMs,
                    int32_t width, int32_t height, const std::vector<uint8_t>& rgba,
                    std::string* path, std::string* error);

} // namespace quv
