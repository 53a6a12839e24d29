#pragma once
// The player's one GL window (SDL2, OpenGL compatibility context) and the message-box handler
// that shows boxes parented to it. The view inside the window (the 4:3 viewport, the perspective
// and the base GL state) is set up by effects/glview.h.

#include <cstdint>

struct SDL_Window;
union SDL_Event;

namespace quv {

// Opens the window for DemoParameters (mode, full-screen flag) with the title
// "Plomarind - Qem's Demo System v1.1"; on failure adds "initialization failed.".
bool WinMain();

// Creates the window and its context, switches to the mode when full-screen (asking whether to
// go windowed when that fails), sizes the view, sets the base GL state and runs EffectInit.
// Every failure shows its message once and unwinds through KillGlWindow.
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
// cannot be set (the window then stays as it was).
bool SetGlWindowFullScreen(bool fullscreen);

// Restores the desktop's mode and closes the window, from any exit path; safe to call twice.
void RestoreDisplay();

// The handler installed with SetMessageHandler: prints the box to stderr as well and shows an
// SDL message box parented to the GL window (or to the fallback window before it exists). With
// no display the printed line stands and the default answer is taken. Print-only messages
// (PrintMessage) are printed and never shown as a box.
void InstallWindowMessageHandler(SDL_Window* fallbackParent);

} // namespace quv
