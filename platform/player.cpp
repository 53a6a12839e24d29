// The interactive player: the command line, the launcher, the Play sequence with its loop and
// keys, and the clean-up that gives the desktop its mode back on every way out.
//
//   Options         the command line (ParsePlayerOptions)
//   State and exit  the player's state, CleanUp on every exit path, signals
//   The loop        frame-rate timer, keys, events, frames and the black frames around the demo
//   Play            Button1Click (the whole playback) and Play (display, launcher)
//   Command         RunPlayer

#include "platform/player.h"

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

#include "effects/glview.h"
#include "engine/_loadsave.h"
#include "engine/debuglog.h"
#include "engine/files.h"
#include "engine/message.h"
#include "engine/playback.h"
#include "platform/DemoBass.h"
#include "engine/musicclock.h"
#include "platform/PlayerMainForm.h"
#include "engine/_DemoParameters.h"
#include "platform/commands.h"
#include "platform/openglcanvas.h"
#include "platform/pixelfont.h"

namespace quv {

// ---------------------------------------------------------------------------------------------
// Options

namespace {

constexpr const char* Usage =
    "Usage: quvplayer [-sp:MS] [OPTIONS]\n"
    "       quvplayer render [OPTIONS]   render frames, a sequence or a video headless\n"
    "       quvplayer dump [OPTIONS]     print or check the demo's Timeline\n"
    "Plays demodata.quv with plomarind.mp3 from the current directory.\n"
    "\n"
    "  -sp:MS           as the first argument: start the music at MS milliseconds\n"
    "  --play           skip the launcher and play at once\n"
    "  --fullscreen     full-screen in the chosen mode (the default)\n"
    "  --windowed       a normal window of the mode's size\n"
    "  --mode WxH[@HZ]  the display mode (default: the first of the launcher's list)\n"
    "  --start MS       start the music at MS milliseconds\n"
    "  --loop           start again from the beginning when the music ends\n"
    "  --vsync          wait for the vertical blank between frames (the default)\n"
    "  --no-vsync       draw as fast as possible\n"
    "  --dir DIR        run as if started in DIR\n"
    "  --help, --version\n"
    "\n"
    "Keys while playing: Escape quits, Space pauses, Left/Right seek 5 s, Home seeks\n"
    "to the start, F or Alt+Enter toggles full-screen, I shows the frame rate and the\n"
    "music position.\n"
    "\n"
    "'quvplayer render --help' and 'quvplayer dump --help' describe the other commands;\n"
    "the companion tool quvtool compiles demos from their text form ('quvtool --help').\n";

bool ParseNumber(const char* text, int32_t* value)
{
    try {
        *value = StrToInt(text);
        return true;
    } catch (const ConversionError&) {
        return false;
    }
}

bool ParseMode(const std::string& text, PlayerOptions* o)
{
    const size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    const size_t at = text.find('@', x);
    const std::string w = text.substr(0, x);
    const std::string h =
        text.substr(x + 1, at == std::string::npos ? std::string::npos : at - x - 1);
    const std::string hz = at == std::string::npos ? "0" : text.substr(at + 1);
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() < 7 &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(w) || !digits(h) || !digits(hz))
        return false;
    o->width = std::stoi(w);
    o->height = std::stoi(h);
    o->refresh = std::stoi(hz);
    return o->width > 0 && o->height > 0;
}

} // namespace

bool ParsePlayerOptions(int argc, char** argv, PlayerOptions* o, std::string* error)
{
    if (argc >= 2)
        o->firstArgument = argv[1];
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                *error = arg + " needs " + what;
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--version") {
            o->version = true;
        } else if (arg == "--loop") {
            o->loop = true;
        } else if (arg == "--play") {
            o->play = true;
        } else if (arg == "--fullscreen") {
            o->fullscreen = true;
        } else if (arg == "--windowed") {
            o->fullscreen = false;
        } else if (arg == "--vsync") {
            o->vsync = true;
        } else if (arg == "--no-vsync") {
            o->vsync = false;
        } else if (arg == "--mode") {
            const char* v = value("a mode such as 800x600 or 800x600@60");
            if (v == nullptr)
                return false;
            if (!ParseMode(v, o)) {
                *error = std::string("bad mode '") + v + "' (use WIDTHxHEIGHT or WIDTHxHEIGHT@HZ)";
                return false;
            }
        } else if (arg == "--start") {
            const char* v = value("a position in milliseconds");
            if (v == nullptr)
                return false;
            int32_t ms = 0;
            if (!ParseNumber(v, &ms) || ms < 0) {
                *error = std::string("bad start position '") + v + "' (milliseconds)";
                return false;
            }
            o->startMs = ms;
        } else if (arg.size() >= 4 && (arg[0] == '-') && (arg[1] == 's' || arg[1] == 'S') &&
                   (arg[2] == 'p' || arg[2] == 'P') && arg[3] == ':') {
            // The start option; it counts only as the first argument, exactly "-sp:".
        } else {
            *error = "unknown option '" + arg + "' (try --help)";
            return false;
        }
    }
    return true;
}

std::string FormatMusicTime(int32_t ms)
{
    ms = std::max(ms, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%03d", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string FormatInfoLine(uint32_t fps, int32_t positionMs, double lengthSeconds, double rate,
                           bool paused)
{
    std::string line =
        "FPS " + std::to_string(fps) + "  " + FormatMusicTime(positionMs) + " / " +
        FormatMusicTime(static_cast<int32_t>(std::clamp(lengthSeconds * 1000.0 + 0.5, 0.0, 2.0e9)));
    const long percent = std::lrint(rate * 100.0);
    if (percent != 100)
        line += "  RATE " + std::to_string(percent) + "%";
    if (paused)
        line += "  PAUSED";
    return line;
}

// ---------------------------------------------------------------------------------------------
// State and exit

namespace {

bool showInfo = false;
bool paused = false;
uint32_t shownFps = 0;
uint64_t timerStart = 0;
bool quitRequested = false;
std::atomic<bool> cleanedUp{false};
bool hideCursorOnBlack = false;

// Gives the desktop its mode back and closes the audio device; runs at every exit. Once the
// display is gone nothing here may touch it: SDL would wait on the dead connection forever.
void CleanUp()
{
    if (cleanedUp.exchange(true))
        return;
    MusicFree();
    if (DisplayLost())
        return;
    RestoreDisplay();
    SDL_ShowCursor(SDL_ENABLE);
    SDL_Quit();
}

// The display connection died: one line, the audio closed, exit code 1, with no atexit clean-up
// (it would call into SDL, which holds the dead connection).
void DisplayGone()
{
    PrintMessage("quvplayer", "the connection to the display was lost; stopping");
    CleanUp();
    std::_Exit(1);
}

void FatalSignal(int sig)
{
    // Not async-signal-safe, but a crashed full-screen player must not leave the desktop in
    // its mode; the default action follows.
    CleanUp();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void InstallExitHandlers()
{
    std::atexit(&CleanUp);
    SetDisplayLostHandler(&DisplayGone);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGHUP, SIGQUIT})
        std::signal(sig, &FatalSignal);
}

// ---------------------------------------------------------------------------------------------
// The loop

void Timer()
{
    const uint64_t now = SDL_GetTicks64();
    if (now - timerStart >= 1000) {
        timerStart = now - timerStart >= 2000 ? now : timerStart + 1000;
        shownFps = PlayerFormTimer();
    }
}

void Seek(double deltaSeconds)
{
    MusicBackend* music = MusicCurrentBackend();
    if (music == nullptr || music->Ended())
        return;
    const double length = music->LengthSeconds();
    const double target =
        std::clamp(music->PositionSeconds() + deltaSeconds, 0.0, std::max(0.0, length - 0.001));
    music->SetPositionSeconds(target);
}

void PlayerKey(const SDL_KeyboardEvent& key)
{
    switch (key.keysym.sym) {
    case SDLK_SPACE:
        if (key.repeat == 0 && MusicCurrentBackend() != nullptr) {
            paused = !paused;
            MusicCurrentBackend()->SetPaused(paused);
        }
        break;
    case SDLK_LEFT:
        Seek(-5.0);
        break;
    case SDLK_RIGHT:
        Seek(5.0);
        break;
    case SDLK_HOME:
        if (MusicCurrentBackend() != nullptr && !MusicCurrentBackend()->Ended())
            MusicCurrentBackend()->SetPositionSeconds(0.0);
        break;
    case SDLK_RETURN:
        if ((key.keysym.mod & KMOD_ALT) == 0)
            break;
        [[fallthrough]];
    case SDLK_f:
        if (key.repeat == 0 && !SetGlWindowFullScreen(!DemoParameters.FullScreen))
            PrintMessage("quvplayer", "this full-screen mode cannot be set");
        break;
    case SDLK_i:
        if (key.repeat == 0)
            showInfo = !showInfo;
        break;
    default:
        break;
    }
}

// Processes every pending message: the GL window's keys, close and size, the quit request that
// signals arrive as, and the frame-rate timer.
void ProcessMessages()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            CheckWaylandDisplay();
            DemoParameters.Running = false;
            quitRequested = true;
            continue;
        }
        if (!GlWindowProc(event))
            continue;
        if (event.type == SDL_KEYDOWN) {
            if (event.key.keysym.sym == SDLK_ESCAPE)
                quitRequested = true;
            else if (DemoParameters.Running) // the other keys act on the music once it plays
                PlayerKey(event.key);
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
            quitRequested = true;
        }
    }
    if (QuitSignalled()) {
        DemoParameters.Running = false;
        quitRequested = true;
    }
    Timer();
}

void DrawInfo()
{
    const MusicBackend* music = MusicCurrentBackend();
    const std::string text =
        FormatInfoLine(shownFps, MusicPositionMs(), music != nullptr ? music->LengthSeconds() : 0.0,
                       MusicRateRatio(), paused);
    // Large on big screens, smaller where the line would run past the window's edge.
    int scale = DemoParameters.ScreenHeight >= 720 ? 3 : 2;
    const int width = static_cast<int>(text.size()) * (GlyphWidth + 1);
    while (scale > 1 && 16 + width * scale > DemoParameters.ScreenWidth)
        --scale;
    DrawOverlayText(text, 8, DemoParameters.ScreenHeight - 8 - GlyphHeight * scale, scale, 1.0f,
                    1.0f, 0.3f);
}

void RenderFrame()
{
    const double t = static_cast<double>(MusicPositionMs());
    EvaluateTimeline(t);
    if (showInfo)
        DrawInfo();
    glFlush();
    SwapGlWindow();
    ++FrameCount;
}

void PresentBlackFrame(int frame)
{
    if (frame == 0 && hideCursorOnBlack)
        SDL_ShowCursor(SDL_DISABLE);
    glFlush();
    SwapGlWindow();
}

// The black frames before the demo (hiding the cursor) and after it.
void BlackFrames(bool hideCursor)
{
    hideCursorOnBlack = hideCursor;
    DrawBlackFrames(&PresentBlackFrame);
}

// The seek of the start option: whole milliseconds to single-precision seconds.
void SeekStart(int32_t ms)
{
    MusicSetPositionSeconds(static_cast<float>(ms / 1000.0));
}

// ---------------------------------------------------------------------------------------------
// Play

// Button1Click: the whole playback. Returns the exit code.
int Button1Click(const PlayerOptions& options)
{
    HidePlayerForm();
    DemoParameters.Aspect = 4.0 / 3.0;
    // FullScreen was set from the check box (or the command line) by the caller.
    if (!WinMain())
        return 1;

    DebugLog("Pre-roll");
    BlackFrames(true);
    // A missing demo plays the music with an empty Timeline, as stored demos expect.
    if (!ResolveDemoPath("demodata.quv"))
        PrintMessage("quvplayer",
                     "warning: no demo file " +
                         (std::filesystem::current_path() / "demodata.quv").string() +
                         "; playing the music alone",
                     MessageIcon::Exclamation);
    LoadDemoFile("demodata.quv");
    DebugLog("Demo loaded");
    MusicInit();
    NamingFile(DemoParameters.MusicFile,
               [] { MusicLoad(DemoParameters.MusicFile, TimelineEnd()); });
    DebugLog("Music loaded");

    // The wait keeps the window answering; a close request or Escape in it ends the run
    // before the music starts.
    const uint64_t waitEnd = SDL_GetTicks64() + 1500;
    while (SDL_GetTicks64() < waitEnd && !quitRequested) {
        ProcessMessages();
        SDL_Delay(10);
    }
    DemoParameters.Running = true;
    MusicPlay();
    DebugLog("Playing");
    const std::string& first = options.firstArgument;
    if (first.compare(0, 4, "-sp:") == 0)
        SeekStart(StrToInt(first.substr(4)));
    if (options.startMs)
        SeekStart(*options.startMs);
    if (quitRequested)
        DemoParameters.Running = false;
    DebugLog("Music at " + std::to_string(MusicPositionMs()) + " ms");

    while (DemoParameters.Running) {
        RenderFrame();
        ProcessMessages();
        if (MusicEnded()) {
            if (options.loop && !quitRequested) {
                DebugLog("Loop");
                MusicPlay();
            } else {
                DemoParameters.Running = false;
            }
        }
    }

    DebugLog("Post-roll");
    BlackFrames(false);
    MusicFree();
    DebugLog("Audio shut down");
    SDL_ShowCursor(SDL_ENABLE);
    ClosePlayerForm();
    return 0;
}

int Play(const PlayerOptions& options)
{
    InstallQuitSignals();
    if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        PrintMessage("quvplayer", std::string("cannot start SDL: ") + SDL_GetError());
        return 1;
    }
    std::string noDisplay;
    if (!OpenDisplay(&noDisplay)) {
        PrintMessage("quvplayer", noDisplay);
        return 1;
    }
    InstallExitHandlers();
    InstallWindowMessageHandler(nullptr);
    SetGlVsync(options.vsync);
    timerStart = SDL_GetTicks64();

    if (options.width > 0) {
        DemoParameters.ScreenWidth = options.width;
        DemoParameters.ScreenHeight = options.height;
        DemoParameters.ColorBits = 32;
        DemoParameters.RefreshRate = options.refresh;
    }
    const bool fullscreen = options.fullscreen.value_or(true);
    if (options.play) {
        DemoParameters.MusicFile = "plomarind.mp3";
        if (options.width <= 0)
            TakeFirstDisplayMode();
        DemoParameters.FullScreen = fullscreen;
    } else {
        if (!CreatePlayerForm(fullscreen, options.width > 0)) {
            ShowMessage(ApplicationTitle,
                        std::string("Cannot open the launcher: ") + SDL_GetError());
            return 1;
        }
        InstallWindowMessageHandler(PlayerFormWindow());
        if (!RunPlayerForm()) {
            ClosePlayerForm();
            return 0;
        }
    }
    return Button1Click(options);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Command

int RunPlayer(int argc, char** argv)
{
    PlayerOptions options;
    std::string error;
    if (!ParsePlayerOptions(argc, argv, &options, &error)) {
        PrintMessage("quvplayer", error);
        return 2;
    }
    if (options.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("quvplayer %s\n", QUV_VERSION);
        return 0;
    }
    int code = 1;
    try {
        code = Play(options);
    } catch (const std::exception& e) {
        // What the system left to its framework's default handler: the error's message, which
        // names the file when one was being read. CleanUp below gives the desktop its mode back.
        ShowMessage(ApplicationTitle, ExceptionText(e));
        code = 1;
    } catch (...) {
        ShowMessage(ApplicationTitle, "Unexpected error");
        code = 1;
    }
    CleanUp();
    return code;
}

} // namespace quv
