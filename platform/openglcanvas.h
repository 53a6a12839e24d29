#pragma once
// The player's one GL window (SDL2, OpenGL compatibility context) and the message-box handler
// that shows boxes parented to it. The view inside the window (the 4:3 viewport, the perspective
// and the base GL state) is set up by effects/glview.h.

#include <cstdint>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace quv {

// Starts SDL's video on a real display: X11 or Wayland. Unless the user names a driver with
// SDL_VIDEODRIVER, SDL's off-screen and dummy drivers are refused, so that a player with no
// display says so instead of playing where nobody sees it. False with a one-line reason naming
// what was tried. Installs the X input/output error handler once X11 is up.
bool OpenDisplay(std::string* reason);

// Called once when the display connection dies (the X server ends, the compositor goes away).
// It must not return and must not touch the display; the process ends with exit code 1 if it
// does return.
void SetDisplayLostHandler(void (*lost)());

// True once the display connection is gone: every display call of this module is skipped from
// then on, so the clean-up on the way out cannot block or spin on the dead connection.
bool DisplayLost();

// SDL reports a Wayland compositor that went away as a quit request; call this on SDL_QUIT to
// tell the two apart. Runs the lost handler when the connection is dead.
void CheckWaylandDisplay();

// SIGTERM and SIGINT (SDL's own handlers are turned off for them): the flag below is set and an
// open message box is closed, so every loop and box ends within a fraction of a second.
void InstallQuitSignals();
bool QuitSignalled();

// Opens the window for DemoParameters (mode, full-screen flag) with the title
// "Plomarind - Qem's Demo System v1.1"; on failure adds "initialization failed.".
bool WinMain();

// Creates the window and its context, switches to the mode when full-screen (asking whether to
// go windowed when that fails on X11; under Wayland, desktop full-screen instead), sizes the view,
// sets the base GL state and runs EffectInit. Every failure shows its message once and unwinds
// through KillGlWindow.
bool CreateGlWindow(const char* title, int32_t width, int32_t height, int32_t bits,
                    bool fullscreen);

// Gives the desktop its mode back and releases the context and the window.
void KillGlWindow();

// Swap interval for windows opened after this call: true waits for the vertical blank.
void SetGlVsync(bool vsync);

// Makes the framebuffer's alpha opaque (the effects leave any alpha there, and a compositing
// desktop would show through it) and swaps the buffers.
void SwapGlWindow();

// The window procedure: a close request or Escape clears DemoParameters.Running; a size change
// resizes the view. Returns true when the event belonged to the GL window.
bool GlWindowProc(const SDL_Event& event);

// Switches between full-screen in the chosen mode and a normal window; false when the mode
// cannot be set (the window then stays as it was). Under Wayland, where no client switches the
// output's mode, a mode the compositor refuses gives desktop full-screen, scaled to the output.
bool SetGlWindowFullScreen(bool fullscreen);

// Restores the desktop's mode and closes the window, from any exit path; safe to call twice.
void RestoreDisplay();

// The handler installed with SetMessageHandler: prints the box to stderr as well and shows an
// SDL message box parented to the GL window (or to the fallback window before it exists). With
// no display the printed line stands and the default answer is taken; once the display is lost
// or a quit signal came, boxes are only printed and a question takes its safe answer, No.
// Print-only messages (PrintMessage) are printed and never shown as a box.
void InstallWindowMessageHandler(SDL_Window* fallbackParent);

} // namespace quv
