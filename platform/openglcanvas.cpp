// The player's GL window and its message boxes (see openglcanvas.h).
//
//   The window            its state, display modes, the refused-mode question, message boxes
//   The display           opening it, losing it (X and Wayland), the quit signals
//   Opening and closing   WinMain, CreateGlWindow, KillGlWindow, vsync, swapping
//   Events and modes      GlWindowProc, full-screen switching, RestoreDisplay, the box handler

#include "platform/openglcanvas.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <SDL_syswm.h> // brings in Xlib, whose None macro clashes with MessageButtons::None
#undef None
#include <fcntl.h>
#include <unistd.h>
#include <wayland-client-core.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/_effectinit.h"
#include "engine/debuglog.h"
#include "engine/message.h"
#include "engine/numeric.h"
#include "engine/_DemoParameters.h"
#include "effects/glview.h"

namespace quv {

// ---------------------------------------------------------------------------------------------
// The window

namespace {

SDL_Window* window = nullptr;
SDL_GLContext glContext = nullptr;
bool vsyncWanted = true;
SDL_DisplayMode chosenMode{};
bool haveChosenMode = false;
SDL_Window* messageFallback = nullptr;

// The display's fate and the quit signals; read from signal handlers and Xlib's error handler.
std::atomic<bool> displayLost{false};
std::atomic<bool> quitSignalled{false};
std::atomic<bool> boxOpen{false};
void (*lostHandler)() = nullptr;
pid_t mainPid = 0;
char childrenPath[64] = {}; // /proc/PID/task/PID/children: SDL shows a box in a child process

bool OnWayland()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "wayland") == 0;
}

// Finds the display's mode for width x height (at the refresh rate when one is given); false
// when the display has no such mode.
bool FindMode(int32_t width, int32_t height, int32_t refresh, SDL_DisplayMode* mode)
{
    if (width <= 0 || height <= 0)
        return false;
    SDL_DisplayMode want{};
    want.w = width;
    want.h = height;
    want.refresh_rate = refresh;
    SDL_DisplayMode closest{};
    if (SDL_GetClosestDisplayMode(0, &want, &closest) == nullptr)
        return false;
    if (closest.w != width || closest.h != height)
        return false;
    if (refresh > 0 && closest.refresh_rate != 0 && closest.refresh_rate != refresh)
        return false;
    *mode = closest;
    return true;
}

// The question of a refused full-screen mode. Yes: windowed; No: the program closes.
bool AcceptWindowed()
{
    const MessageAnswer answer = ShowMessage(
        "Qem's Demo System", "This Fullscreen Mode Is Not Supported. Use Windowed Mode Instead?",
        MessageButtons::YesNo, MessageIcon::Exclamation);
    if (answer == MessageAnswer::Yes) {
        DemoParameters.FullScreen = false;
        return true;
    }
    ShowMessage("Error", "Program Will Now Close.", MessageButtons::Ok, MessageIcon::Error);
    return false;
}

// Full-screen in the chosen mode. Under Wayland the compositor scales the mode to the output,
// and a mode it refuses becomes desktop full-screen, since no Wayland client can switch the
// output's mode; on X11 the mode really changes or the call fails.
bool EnterFullScreen()
{
    if (haveChosenMode && SDL_SetWindowDisplayMode(window, &chosenMode) == 0 &&
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0)
        return true;
    if (OnWayland() && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0)
        return true;
    SDL_SetWindowFullscreen(window, 0);
    return false;
}

bool Fail(const char* text)
{
    KillGlWindow();
    ShowMessage("Error", text, MessageButtons::Ok, MessageIcon::Exclamation);
    return false;
}

MessageAnswer WindowMessageBox(std::string_view caption, std::string_view text,
                               MessageButtons buttons, MessageIcon icon)
{
    const MessageAnswer fallback = PrintMessageToStderr(caption, text, buttons, icon);
    // Command-line lines (warnings about the music, a refused mode) belong on the console; a
    // box would stop the demo for them.
    if (buttons == MessageButtons::None)
        return fallback;
    // A dead display cannot show a box, and after a quit signal nobody waits for one.
    if (displayLost || quitSignalled)
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : fallback;
    SDL_Window* parent = window != nullptr ? window : messageFallback;
    if (parent != nullptr && (SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN) == 0)
        parent = nullptr;
    // Escaped as on the console: a file name or label from the demo can hold any byte, and a NUL
    // would cut the box's text short.
    const std::string title = PrintableCp1252(caption);
    const std::string message = PrintableCp1252(text);
    SDL_MessageBoxButtonData yesNo[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "No"},
    };
    SDL_MessageBoxButtonData ok[1] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0,
         "OK"},
    };
    SDL_MessageBoxData data{};
    data.flags = icon == MessageIcon::Error         ? SDL_MESSAGEBOX_ERROR
                 : icon == MessageIcon::Exclamation ? SDL_MESSAGEBOX_WARNING
                                                    : SDL_MESSAGEBOX_INFORMATION;
    data.window = parent;
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = buttons == MessageButtons::YesNo ? 2 : 1;
    data.buttons = buttons == MessageButtons::YesNo ? yesNo : ok;
    int pressed = -1;
    boxOpen = true;
    const int shown = SDL_ShowMessageBox(&data, &pressed);
    boxOpen = false;
    if (quitSignalled) // the signal closed the box
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : fallback;
    if (shown != 0)
        return fallback; // no display: the printed line and the default answer
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    // Closing the box without a button counts as No, the safe answer.
    return pressed == 1 ? MessageAnswer::Yes : MessageAnswer::No;
}

// ---------------------------------------------------------------------------------------------
// The display

// Xlib calls this when the server connection breaks; its default handler calls exit, and the
// exit path's clean-up would then wait on the dead connection forever. It never returns.
int XIOError(Display*)
{
    // SDL shows message boxes from a forked child with its own connection: the child only ends,
    // and the player finds the loss on its own connection.
    if (getpid() != mainPid)
        _exit(1);
    if (!displayLost.exchange(true) && lostHandler != nullptr)
        lostHandler();
    _exit(1);
}

void LoseDisplay()
{
    if (!displayLost.exchange(true) && lostHandler != nullptr)
        lostHandler();
    std::_Exit(1);
}

// SIGTERM and SIGINT. SDL's X11 message box waits for its child in waitpid, which no event can
// interrupt; killing the child ends the box. Only async-signal-safe calls here.
void QuitSignal(int)
{
    quitSignalled = true;
    if (!boxOpen || childrenPath[0] == '\0')
        return;
    const int fd = open(childrenPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char text[256];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    pid_t child = 0;
    for (ssize_t i = 0; i < got; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            child = child * 10 + (text[i] - '0');
        } else {
            if (child > 0)
                kill(child, SIGKILL);
            child = 0;
        }
    }
    if (child > 0)
        kill(child, SIGKILL);
}

// "DISPLAY=:0" or "DISPLAY is not set", for the no-display line.
std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(name) + "=" + value
                                              : std::string(name) + " is not set";
}

} // namespace

bool OpenDisplay(std::string* reason)
{
    mainPid = getpid();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    const bool named = asked != nullptr && *asked != '\0';
    bool opened = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    const char* driver = opened ? SDL_GetCurrentVideoDriver() : nullptr;
    if (opened && !named &&
        (driver == nullptr ||
         (std::strcmp(driver, "x11") != 0 && std::strcmp(driver, "wayland") != 0))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        opened = false;
    }
    if (!opened) {
        *reason = "no display: could not open an X display (" + Variable("DISPLAY") +
                  ") or a Wayland display (" + Variable("WAYLAND_DISPLAY") +
                  "); 'quvplayer render' makes pictures and video without one";
        if (named)
            *reason += " (SDL_VIDEODRIVER=" + std::string(asked) + ": " + SDL_GetError() + ")";
        return false;
    }
    if (std::strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0)
        XSetIOErrorHandler(&XIOError);
    return true;
}

void SetDisplayLostHandler(void (*lost)())
{
    lostHandler = lost;
}

bool DisplayLost()
{
    return displayLost;
}

void CheckWaylandDisplay()
{
    if (displayLost || !OnWayland())
        return;
    SDL_Window* any = window != nullptr ? window : messageFallback;
    if (any == nullptr)
        return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(any, &info) && info.subsystem == SDL_SYSWM_WAYLAND &&
        wl_display_get_error(info.info.wl.display) != 0)
        LoseDisplay();
}

void InstallQuitSignals()
{
    mainPid = getpid();
    std::snprintf(childrenPath, sizeof childrenPath, "/proc/%d/task/%d/children",
                  static_cast<int>(mainPid), static_cast<int>(mainPid));
    // Without SA_RESTART, so that a wait in progress returns at once.
    struct sigaction action {};
    action.sa_handler = &QuitSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

bool QuitSignalled()
{
    return quitSignalled;
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

bool WinMain()
{
    const tDemoParameters& p = DemoParameters;
    if (!CreateGlWindow("Plomarind - Qem's Demo System v1.1", p.ScreenWidth, p.ScreenHeight,
                        p.ColorBits, p.FullScreen)) {
        ShowMessage("Error", "initialization failed.", MessageButtons::Ok,
                    MessageIcon::Exclamation);
        return false;
    }
    return true;
}

bool CreateGlWindow(const char* title, int32_t width, int32_t height, int32_t bits, bool fullscreen)
{
    DebugLog("Create GL window " + std::to_string(width) + "x" + std::to_string(height) +
             (fullscreen ? " full-screen" : " windowed"));
    DemoParameters.FullScreen = fullscreen;
    haveChosenMode = FindMode(width, height, DemoParameters.RefreshRate, &chosenMode);
    if (DemoParameters.FullScreen && !haveChosenMode && !OnWayland() && !AcceptWindowed())
        return false;
    // A zero-sized mode (nothing chosen) opens a window of the desktop's size.
    if (width <= 0 || height <= 0) {
        SDL_DisplayMode desktop{};
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            width = desktop.w;
            height = desktop.h;
        } else {
            width = 640;
            height = 480;
        }
    }

    const int channel = bits > 0 && bits <= 16 ? 5 : 8;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel == 5 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8); // effects copy and blend destination alpha
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN |
                         (DemoParameters.FullScreen ? 0u : Uint32{SDL_WINDOW_RESIZABLE});
    const int position = DemoParameters.FullScreen ? 0 : SDL_WINDOWPOS_CENTERED;
    window = SDL_CreateWindow(title, position, position, width, height, flags);
    if (window == nullptr) {
        const std::string why = SDL_GetError();
        const bool format = why.find("visual") != std::string::npos ||
                            why.find("pixel format") != std::string::npos;
        return Fail(format ? "Cant't Find A Suitable PixelFormat." : "Window creation error.");
    }
    if (DemoParameters.FullScreen && !EnterFullScreen()) {
        if (!AcceptWindowed()) {
            KillGlWindow();
            return false;
        }
        SDL_SetWindowResizable(window, SDL_TRUE);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    glContext = SDL_GL_CreateContext(window);
    if (glContext == nullptr)
        return Fail("Cant't create a GL rendering context.");
    if (SDL_GL_MakeCurrent(window, glContext) != 0)
        return Fail("Cant't activate the GL rendering context.");
    SDL_GL_SetSwapInterval(vsyncWanted ? 1 : 0);

    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_DisableScreenSaver();
    int drawableWidth = width;
    int drawableHeight = height;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (!SetUpScene(drawableWidth, drawableHeight))
        return Fail("initialization failed.");
    return true;
}

void KillGlWindow()
{
    if (displayLost)
        return;
    if (window != nullptr && DemoParameters.FullScreen) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_ShowCursor(SDL_ENABLE);
    }
    if (glContext != nullptr) {
        if (SDL_GL_MakeCurrent(window, nullptr) != 0)
            ShowMessage(" Shutdown Error", "Release of DC and RC failed.", MessageButtons::Ok,
                        MessageIcon::Error);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_EnableScreenSaver();
}

void SetGlVsync(bool vsync)
{
    vsyncWanted = vsync;
}

void SwapGlWindow()
{
    if (window == nullptr)
        return;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
    SDL_GL_SwapWindow(window);
}

// ---------------------------------------------------------------------------------------------
// Events and modes

bool GlWindowProc(const SDL_Event& event)
{
    if (window == nullptr)
        return false;
    const Uint32 id = SDL_GetWindowID(window);
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.windowID != id)
            return false;
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            DemoParameters.Running = false;
        } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            int w = 0;
            int h = 0;
            SDL_GL_GetDrawableSize(window, &w, &h);
            ResizeGlScene(w, h);
        }
        return true;
    case SDL_KEYDOWN:
        if (event.key.windowID != id)
            return false;
        if (event.key.keysym.sym == SDLK_ESCAPE)
            DemoParameters.Running = false;
        return true;
    default:
        return false;
    }
}

bool SetGlWindowFullScreen(bool fullscreen)
{
    if (window == nullptr || fullscreen == DemoParameters.FullScreen)
        return true;
    if (fullscreen) {
        if (!EnterFullScreen())
            return false;
    } else {
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowResizable(window, SDL_TRUE);
    }
    DemoParameters.FullScreen = fullscreen;
    return true;
}

void RestoreDisplay()
{
    if (displayLost)
        return;
    if (window != nullptr) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_ShowCursor(SDL_ENABLE);
    }
    if (glContext != nullptr) {
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

void InstallWindowMessageHandler(SDL_Window* fallbackParent)
{
    messageFallback = fallbackParent;
    SetMessageHandler(&WindowMessageBox);
}

} // namespace quv
