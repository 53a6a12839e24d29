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
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "effects/glview.h"
#include "engine/_loadsave.h"
#include "engine/debuglog.h"
#include "engine/files.h"
#include "engine/message.h"
#include "engine/playback.h"
#include "platform/DemoBass.h"
#include "engine/musicclock.h"
#include "platform/PlayerMainForm.h"
#include "platform/looprange.h"
#include "platform/screenshot.h"
#include "engine/_DemoParameters.h"
#include "platform/commands.h"
#include "platform/demosource.h"
#include "platform/demowatch.h"
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
    "  --loop-from MS   play the range from MS over and over (to --loop-to, or the end)\n"
    "  --loop-to MS     the end of the looped range (from --loop-from, or the start)\n"
    "  --vsync          wait for the vertical blank between frames (the default)\n"
    "  --no-vsync       draw as fast as possible\n"
    "  --dir DIR        run as if started in DIR\n"
    "  --demo FILE      play FILE instead of demodata.quv: a compiled demo or quvtool's\n"
    "                   text form (JSON), compiled as it is read\n"
    "  --music FILE     play FILE instead of plomarind.mp3\n"
    "  --watch          reload the demo whenever it is saved, and the images when a file\n"
    "                   in gfx/ changes; the music plays on, a broken save is reported in\n"
    "                   the picture and on stderr while the last good one plays\n"
    "  --help, --version\n"
    "\n"
    "Keys while playing: Escape quits, Space pauses, Left/Right seek 5 s, Home seeks\n"
    "to the start, F or Alt+Enter toggles full-screen, I shows the frame rate and the\n"
    "music position. [ and ] set the looped range's in and out points at the current\n"
    "position, \\ clears the loop. S or F12 saves the frame as a PNG in the working\n"
    "directory, named after the demo and the music position (demodata-012345ms.png).\n"
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

// A position in milliseconds: a finite decimal number.
bool ParseMs(const char* text, double* value)
{
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
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
        } else if (arg == "--watch") {
            o->watch = true;
        } else if (arg == "--demo" || arg == "--music") {
            const char* v = value("a file name");
            if (v == nullptr)
                return false;
            (arg == "--demo" ? o->demo : o->music) = v;
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
        } else if (arg == "--loop-from" || arg == "--loop-to") {
            const char* v = value("a position in milliseconds");
            if (v == nullptr)
                return false;
            double ms = 0.0;
            if (!ParseMs(v, &ms)) {
                *error = arg + " takes a position in milliseconds, not '" + v + "'";
                return false;
            }
            (arg == "--loop-from" ? o->loopFromMs : o->loopToMs) = ms;
        } else if (arg.size() >= 4 && (arg[0] == '-') && (arg[1] == 's' || arg[1] == 'S') &&
                   (arg[2] == 'p' || arg[2] == 'P') && arg[3] == ':') {
            // The start option; it counts only as the first argument, exactly "-sp:".
        } else {
            *error = "unknown option '" + arg + "' (try --help)";
            return false;
        }
    }
    // The range's place in the music waits for the music's length.
    return CheckLoopOptions(o->loopFromMs, o->loopToMs, -1.0, error);
}

std::string FormatMusicTime(int32_t ms)
{
    ms = std::max(ms, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%03d", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string FormatInfoLine(uint32_t fps, int32_t positionMs, double lengthSeconds, double rate,
                           bool paused, const MusicalTempo& tempo)
{
    std::string line =
        "FPS " + std::to_string(fps) + "  " + FormatMusicTime(positionMs) + " / " +
        FormatMusicTime(static_cast<int32_t>(std::clamp(lengthSeconds * 1000.0 + 0.5, 0.0, 2.0e9)));
    if (tempo.bpm > 0.0)
        line += "  BAR " + FormatBarBeat(positionMs, tempo);
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
LoopRange loopRange;
// S or F12 asks for the next frame as a screenshot; its pixels stay allocated for the next one.
bool screenshotWanted = false;
std::vector<uint8_t> screenshotPixels;
// A line that the overlay shows for a few seconds after a key changed something.
constexpr uint64_t NoteMs = 4000;
std::string note;
uint64_t noteUntil = 0;
std::string playedDemo = DefaultDemoFile; // the demo's file name, for screenshot names
MusicalTempo demoTempo;                   // the text form's tempo, for the overlay's bars and beats
std::unique_ptr<DemoWatch> watcher;       // --watch

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

// A loop key's result: the whole story on stderr, the range (or its end) on the overlay for a
// while.
void Tell(const std::string& text)
{
    if (text.empty())
        return;
    PrintMessage("quvplayer", text, MessageIcon::Information);
    note = loopRange.Active() ? loopRange.Text() : "LOOP CLEARED";
    noteUntil = SDL_GetTicks64() + NoteMs;
}

// The music went past the looped range's out point: back to its in point.
void LoopBack()
{
    MusicBackend* music = MusicCurrentBackend();
    if (music == nullptr)
        return;
    // An in point marked as the music ended lies at its very end, where no seek goes.
    const double length = music->LengthSeconds();
    music->SetPositionSeconds(
        std::clamp(loopRange.InMs() / 1000.0, 0.0, std::max(0.0, length - 0.001)));
    DebugLog("Loop range: back to " + std::to_string(std::lround(loopRange.InMs())) + " ms");
}

// Writes the frame read back before the swap.
void SaveScreenshotOf(int32_t positionMs)
{
    std::string path;
    std::string error;
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    if (SaveScreenshot(folder, playedDemo, positionMs, DemoParameters.ScreenWidth,
                       DemoParameters.ScreenHeight, screenshotPixels, &path, &error)) {
        PrintMessage("quvplayer", "screenshot saved to " + path, MessageIcon::Information);
        note = "SAVED " + std::filesystem::path(path).filename().string();
    } else {
        PrintMessage("quvplayer", "screenshot not saved: " + error);
        note = "SCREENSHOT NOT SAVED (SEE THE CONSOLE)";
    }
    noteUntil = SDL_GetTicks64() + NoteMs;
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
    case SDLK_LEFTBRACKET:
        if (key.repeat == 0)
            Tell(loopRange.MarkIn(MusicPositionMs()));
        break;
    case SDLK_RIGHTBRACKET:
        if (key.repeat == 0)
            Tell(loopRange.MarkOut(MusicPositionMs()));
        break;
    case SDLK_BACKSLASH:
        if (key.repeat == 0)
            Tell(loopRange.Clear());
        break;
    case SDLK_s:
    case SDLK_F12:
        if (key.repeat == 0)
            screenshotWanted = true;
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

// The overlay's scale for a line: large on big screens, smaller where the line would run past
// the window's edge.
int OverlayScale(std::string_view text)
{
    int scale = DemoParameters.ScreenHeight >= 720 ? 3 : 2;
    const int width = static_cast<int>(text.size()) * (GlyphWidth + 1);
    while (scale > 1 && 16 + width * scale > DemoParameters.ScreenWidth)
        --scale;
    return scale;
}

// One line of the overlay, row 0 at the top of the window.
void DrawOverlayLine(std::string_view text, int row, int scale)
{
    DrawOverlayText(text, 8,
                    DemoParameters.ScreenHeight - 8 - GlyphHeight * scale -
                        row * (GlyphHeight + 3) * scale,
                    scale, 1.0f, 1.0f, 0.3f);
}

// The info overlay (the frame rate and position, and the looped range when there is one) and
// the note of a key, all lines at one scale.
void DrawInfo(bool withNote)
{
    std::string info;
    if (showInfo) {
        const MusicBackend* music = MusicCurrentBackend();
        info = FormatInfoLine(shownFps, MusicPositionMs(),
                              music != nullptr ? music->LengthSeconds() : 0.0, MusicRateRatio(),
                              paused, demoTempo);
    }
    const bool loop = showInfo && loopRange.Active();
    int scale = OverlayScale(info);
    if (loop)
        scale = std::min(scale, OverlayScale(loopRange.Text()));
    if (withNote)
        scale = std::min(scale, OverlayScale(note));
    int row = 0;
    if (showInfo)
        DrawOverlayLine(info, row++, scale);
    if (loop)
        DrawOverlayLine(loopRange.Text(), row++, scale);
    if (withNote)
        DrawOverlayLine(note, row, scale);
}

void RenderFrame()
{
    const double t = static_cast<double>(MusicPositionMs());
    EvaluateTimeline(t);
    // The demo's picture alone, before the overlay goes on it.
    if (screenshotWanted)
        ReadBackBuffer(DemoParameters.ScreenWidth, DemoParameters.ScreenHeight, screenshotPixels);
    const bool withNote = noteUntil != 0 && SDL_GetTicks64() < noteUntil;
    if (showInfo || withNote)
        DrawInfo(withNote);
    if (watcher)
        watcher->DrawOverlay(SDL_GetTicks64());
    glFlush();
    SwapGlWindow();
    ++FrameCount;
    if (screenshotWanted) {
        screenshotWanted = false;
        SaveScreenshotOf(static_cast<int32_t>(t));
    }
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
    const std::string demoName = options.demo.empty() ? DefaultDemoFile : options.demo;
    const std::optional<std::string> demoPath = ResolveDemoPath(demoName);
    if (!demoPath)
        PrintMessage("quvplayer",
                     "warning: no demo file " +
                         (std::filesystem::current_path() / demoName).string() +
                         "; playing the music alone",
                     MessageIcon::Exclamation);
    playedDemo = demoName;
    demoTempo = LoadDemoSource(demoName).tempo;
    if (options.watch)
        watcher = std::make_unique<DemoWatch>(demoName, demoPath.value_or(demoName), demoTempo);
    DebugLog("Demo loaded");
    MusicInit();
    if (!options.music.empty())
        DemoParameters.MusicFile = options.music;
    NamingFile(DemoParameters.MusicFile,
               [] { MusicLoad(DemoParameters.MusicFile, TimelineEnd()); });
    DebugLog("Music loaded");
    if (options.loopFromMs || options.loopToMs) {
        // Without the music the clock runs for the Timeline's length: the range must fit it.
        std::string why;
        const MusicBackend* music = MusicCurrentBackend();
        if (!CheckLoopOptions(options.loopFromMs, options.loopToMs,
                              music != nullptr ? music->LengthSeconds() * 1000.0 : -1.0, &why)) {
            PrintMessage("quvplayer", why);
            MusicFree();
            SDL_ShowCursor(SDL_ENABLE);
            ClosePlayerForm();
            return 2;
        }
        loopRange.Set(options.loopFromMs, options.loopToMs);
        DebugLog("Loop range: " + loopRange.Text());
    }

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
        if (watcher && watcher->Poll(SDL_GetTicks64())) {
            demoTempo = watcher->Tempo();
            DebugLog("Reloaded at " + std::to_string(MusicPositionMs()) + " ms");
        }
        RenderFrame();
        ProcessMessages();
        const bool ended = MusicEnded();
        if (!quitRequested && loopRange.Due(MusicPositionMs(), ended)) {
            LoopBack();
        } else if (ended) {
            if (options.loop && !quitRequested) {
                DebugLog("Loop");
                MusicPlay();
            } else {
                DemoParameters.Running = false;
            }
        }
    }

    DebugLog("Post-roll");
    watcher.reset();
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
        DemoParameters.MusicFile = DefaultMusicFile;
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
    // Files named on the command line must be there; only the fixed names may be missing.
    for (const std::string* named : {&options.demo, &options.music}) {
        if (!named->empty() && !ResolveDemoPath(*named)) {
            PrintMessage("quvplayer",
                         "no such file: " + (std::filesystem::current_path() / *named).string());
            return 1;
        }
    }
    // A looped range must lie inside the music: checked here, before any window, when the
    // music can be read (and against the clock's length once it runs, when it cannot).
    if (options.loopFromMs || options.loopToMs) {
        const std::optional<std::string> musicPath =
            ResolveDemoPath(options.music.empty() ? std::string("plomarind.mp3") : options.music);
        const std::optional<Mp3Info> music = musicPath ? ProbeMp3(*musicPath) : std::nullopt;
        if (music && !CheckLoopOptions(options.loopFromMs, options.loopToMs,
                                       music->lengthSeconds * 1000.0, &error)) {
            PrintMessage("quvplayer", error);
            return 2;
        }
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
