#pragma once
// The launcher: a borderless 234 x 393 window (Dear ImGui) with the logo, the list of the
// display's 32-bit modes, the "Fullscreen" check box, "Play" and the close button. Choosing a
// mode writes it into DemoParameters; a one-second timer writes the frame rate into the caption.
// Keys: Up/Down choose the mode, Enter plays (so does a double-click on a mode), Space ticks
// "Fullscreen", Escape closes like "X".

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct SDL_Window;

namespace quv {

// The conversion error of a text that is not a decimal integer; its message is
// "'TEXT' is not a valid integer value".
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decimal integer with optional leading blanks and sign, or hexadecimal after "$" or "0x", in
// the signed 32-bit range; anything else throws ConversionError.
int32_t StrToInt(const std::string& text);

// "1024x768 32bpp 60Hz".
std::string FormatDisplayMode(int32_t width, int32_t height, int32_t bits, int32_t refresh);

// Adds the entry at the end unless its bits are below 32 or the list already holds it.
void AddDisplayMode(std::vector<std::string>& list, int32_t width, int32_t height, int32_t bits,
                    int32_t refresh);

// The display's modes in the order it reports them. Bits per pixel are counted from the bytes
// per pixel, so a 4-byte XRGB mode is 32 bits.
void EnumDisplayModes(std::vector<std::string>& list);

// Takes an entry apart into ScreenWidth, ScreenHeight, ColorBits and RefreshRate of
// DemoParameters. Throws ConversionError for a part that is not a number.
void ParseDisplayMode(const std::string& entry);

// The first entry of the display's list, parsed into DemoParameters; false when the list is
// empty (the desktop's own size is used then).
bool TakeFirstDisplayMode();

// Creates the launcher window (hidden until RunPlayerForm). False when it cannot be made.
// modeGiven: DemoParameters already holds a mode (from the command line), which Play keeps
// unless an entry of the list is clicked.
bool CreatePlayerForm(bool fullscreenChecked, bool modeGiven);
SDL_Window* PlayerFormWindow();

// Shows the form and runs its message loop. True when Play was pressed (DemoParameters then
// holds the mode and the check box's state), false when the form was closed.
bool RunPlayerForm();

void HidePlayerForm();
// FPSTimerTimer: caption := "Qem's DemoEditor v0.1 [FPS:" FrameCount "]"; FrameCount := 0.
// Returns the count it read.
uint32_t PlayerFormTimer();
void ClosePlayerForm();

} // namespace quv
