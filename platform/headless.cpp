// `quvplayer render`: draws frames of the demo in the working directory into an EGL pbuffer and
// hands them to a frame sink (PNG files, a video, or nothing for --bench; see framesink.h). The GL
// state is set up as the Play sequence sets it, and the music position is a virtual clock that
// follows "Music Speed", so a rendered frame is the frame a viewer sees at that music time.
//
//   Options    the command line of `render` and its usage errors
//   One run    RenderRange: a range of frames on a fresh offline clock, into one sink
//   Bench      --bench: warm-up passes, then timed passes in each drawing path
//   Command    RunRender: the options, the headless context, the demo, the music's length

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "effects/glview.h"
#include "engine/_DemoParameters.h"
#include "engine/_effectinit.h"
#include "engine/_loadsave.h"
#include "engine/drawpath.h"
#include "engine/files.h"
#include "engine/message.h"
#include "engine/musicclock.h"
#include "engine/playback.h"
#include "engine/ticks.h"
#include "platform/DemoBass.h"
#include "platform/commands.h"
#include "platform/eglcontext.h"
#include "platform/framesink.h"
#include "platform/videoout.h"

namespace quv {

namespace {

constexpr const char* DemoFileName = "demodata.quv";
constexpr const char* MusicFileName = "plomarind.mp3";
// The caption of the command's messages: "quvplayer render: TEXT".
constexpr const char* CommandName = "quvplayer render";

// ---------------------------------------------------------------------------------------------
// Options

struct RenderOptions {
    int32_t width = 640;
    int32_t height = 480;
    std::optional<double> time;
    std::optional<double> from;
    std::optional<double> to;
    double fps = 30.0;
    std::string out;
    bool literal = false;
    bool bench = false;
};

void PrintRenderHelp()
{
    std::fputs(
        "Usage: quvplayer render [OPTIONS]\n"
        "Renders the demo in the current directory (or --dir DIR) headless to PNG files.\n"
        "\n"
        "  --size WxH        frame size in pixels (default 640x480)\n"
        "  --time MS         render the single frame at this music time (default 0)\n"
        "  --from MS         first frame of a sequence (default 0)\n"
        "  --to MS           last music time of a sequence (default: the music's length, or\n"
        "                    the Timeline's last end time when there is no music)\n"
        "  --fps N           frames per second of a sequence (default 30)\n"
        "  --out FILE        output file; a sequence needs a frame number in it, e.g.\n"
        "                    shots/%05d.png (default frame.png, or frames/%05d.png),\n"
        "                    or is a video (.mp4, .mkv, .mov, .webm, .avi) made by ffmpeg\n"
        "                    with the music following the demo's clock\n"
        "  --literal         draw with the literal GL path instead of the default one\n"
        "  --bench           time the frames of the range (no files unless --out is given)\n"
        "                    in the default and in the literal path, and print frames per\n"
        "                    second with the median, p95 and worst frame time\n"
        "  --dir DIR         run as if started in DIR\n"
        "  --help            this text\n",
        stdout);
}

bool ParseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

bool ParseSize(const char* text, int32_t& width, int32_t& height)
{
    unsigned w = 0;
    unsigned h = 0;
    char tail = 0;
    if (std::sscanf(text, "%ux%u%c", &w, &h, &tail) != 2)
        return false;
    if (w < 1 || h < 1 || w > 16384 || h > 16384)
        return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

int UsageError(const std::string& text)
{
    PrintMessage(CommandName, text + " (see --help)");
    return 2;
}

// ---------------------------------------------------------------------------------------------
// One run

// A progress bar is terminal UI rather than a message: it rewrites its own line.
void PrintProgress(long done, long total)
{
    constexpr int BarWidth = 40;
    const double fraction = total > 0 ? std::min(1.0, static_cast<double>(done) / total) : 1.0;
    const int filled = static_cast<int>(fraction * BarWidth);
    std::fprintf(stderr, "\r[%.*s%*s] %3d%% frame %ld/%ld", filled,
                 "########################################", BarWidth - filled, "",
                 static_cast<int>(fraction * 100), done, total);
    std::fflush(stderr);
}

// One pass over a range of the demo.
struct RenderRun {
    double start = 0.0;    // music position of the first frame
    double to = 0.0;       // the last music position a sequence draws
    bool single = false;   // one frame, at start
    double fps = 30.0;     // frames per second of wall time
    bool literal = false;  // the drawing path: the literal GL calls, or the default path
    bool progress = false; // a progress bar on stderr
};

// Prints a sink's failure and stops it; the exit code of a failed render.
int SinkFailed(FrameSink& sink, const std::string& error)
{
    PrintMessage(CommandName, error);
    sink.Abort();
    return 1;
}

// Draws the frames of the run on a fresh offline clock and hands each to the sink.
int RenderRange(HeadlessContext& context, const RenderRun& run, uint32_t musicRate, FrameSink& sink)
{
    // The effects read the drawing path from this switch; the renderer sets it here only.
    LiteralDrawing = run.literal;
    auto owned = std::make_unique<OfflineClock>(run.start, musicRate,
                                                std::numeric_limits<double>::infinity());
    OfflineClock* clock = owned.get();
    MusicSetBackend(std::move(owned));
    const double frameMs = 1000.0 / run.fps;
    const long expected =
        run.single ? 1 : static_cast<long>(std::floor((run.to - run.start) / frameMs + 1e-9)) + 1;
    std::string error;
    if (!sink.Begin(context.Width(), context.Height(), run.fps, expected, error))
        return SinkFailed(sink, error);
    std::vector<uint8_t> pixels;
    const PixelReader readPixels = [&]() -> const std::vector<uint8_t>& {
        context.ReadPixels(pixels);
        return pixels;
    };
    long frame = 0;
    while (run.single ? frame < 1 : clock->PositionMsExact() <= run.to + 1e-9) {
        const int32_t t = MusicPositionMs();
        PinTickCount(static_cast<uint32_t>(t));
        const auto begin = std::chrono::steady_clock::now();
        EvaluateTimeline(static_cast<double>(t));
        glFlush();
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        ++FrameCount;
        const DrawnFrame drawn{frame, clock->PositionMsExact(),
                               std::chrono::duration<double, std::milli>(end - begin).count()};
        if (!sink.Frame(drawn, readPixels, error)) {
            if (run.progress)
                std::fputc('\n', stderr);
            return SinkFailed(sink, error);
        }
        ++frame;
        if (run.progress)
            PrintProgress(frame, std::max(expected, frame));
        clock->Advance(frameMs);
    }
    if (run.progress)
        std::fputc('\n', stderr);
    if (!sink.Finish(clock->PositionMsExact(), error))
        return SinkFailed(sink, error);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Bench

// Times the run's frames in the default path (unless --literal) and in the literal path and
// prints a line for each; writes --out in each timed pass when it is given.
int RunBench(HeadlessContext& context, const RenderOptions& options, RenderRun run,
             uint32_t musicRate)
{
    // One untimed pass in each path first: the GL driver compiles (and keeps) a shader variant
    // the first time a state combination appears, which image effects reach only after some
    // frames. Without it the timed runs carry those compiles in their times and memory. The
    // literal pass is bounded to keep the benchmark's length reasonable. Only these passes show
    // progress; a timed pass does nothing between its frames.
    NullSink nothing;
    RenderRun warmUp = run;
    int result = 0;
    if (!options.literal) {
        warmUp.literal = false;
        result = RenderRange(context, warmUp, musicRate, nothing);
    }
    warmUp.literal = true;
    warmUp.to = std::min(run.to, run.start + 1000.0 * 1000.0 / run.fps);
    if (result == 0)
        result = RenderRange(context, warmUp, musicRate, nothing);

    FrameTimes fast;
    FrameTimes literal;
    run.progress = false;
    const auto timed = [&](bool literalPath, FrameTimes& times) {
        run.literal = literalPath;
        const std::unique_ptr<FrameSink> out = MakeOutputSink(options.out, MusicFileName);
        FrameTimer timer(*out, times);
        return RenderRange(context, run, musicRate, timer);
    };
    if (result == 0 && !options.literal)
        result = timed(false, fast);
    if (result == 0)
        result = timed(true, literal);
    fast.Report("default");
    literal.Report("literal");
    return result;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Command

int RunRender(int argc, char** argv)
{
    RenderOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        double number = 0.0;
        if (arg == "--help" || arg == "-h") {
            PrintRenderHelp();
            return 0;
        } else if (arg == "--literal") {
            options.literal = true;
        } else if (arg == "--bench") {
            options.bench = true;
        } else if (!hasValue && (arg == "--size" || arg == "--time" || arg == "--from" ||
                                 arg == "--to" || arg == "--fps" || arg == "--out")) {
            return UsageError(arg + " needs a value");
        } else if (arg == "--size") {
            if (!ParseSize(argv[++i], options.width, options.height))
                return UsageError("--size takes WIDTHxHEIGHT, e.g. 640x480");
        } else if (arg == "--time" || arg == "--from" || arg == "--to" || arg == "--fps") {
            if (!ParseNumber(argv[++i], number))
                return UsageError(arg + " takes a number, not '" + argv[i] + "'");
            if (arg == "--time")
                options.time = number;
            else if (arg == "--from")
                options.from = number;
            else if (arg == "--to")
                options.to = number;
            else if (number <= 0.0 || number > 1000.0)
                return UsageError("--fps takes a rate above 0 and up to 1000");
            else
                options.fps = number;
        } else if (arg == "--out") {
            options.out = argv[++i];
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    // A video without --time is the whole demo, as a sequence of PNG files would be.
    const bool single = !options.from && !options.to && !options.bench &&
                        !(IsVideoPath(options.out) && !options.time);
    if (options.time && (options.from || options.to))
        return UsageError("--time renders one frame; use --from and --to for a sequence");
    if (options.out.empty() && !options.bench)
        options.out = single ? "frame.png" : "frames/%05d.png";
    if (!options.out.empty()) {
        std::string name;
        bool numbered = false;
        if (!FormatFrameName(options.out, 0, name, numbered))
            return UsageError("--out: only one %d (or %05d) frame number may appear; write %% "
                              "for a percent sign");
        if (!single && !numbered && !IsVideoPath(options.out))
            return UsageError("--out needs a frame number for a sequence, e.g. shots/%05d.png");
    }

    if (!ResolveDemoPath(DemoFileName)) {
        PrintMessage(CommandName,
                     "no demo file: " + (std::filesystem::current_path() / DemoFileName).string());
        return 1;
    }
    HeadlessContext context;
    std::string error;
    if (!context.Create(options.width, options.height, error)) {
        PrintMessage(CommandName, "no headless OpenGL: " + error);
        return 1;
    }

    DemoParameters.FullScreen = false;
    DemoParameters.MusicFile = MusicFileName;
    DemoParameters.ColorBits = 32;
    SetUpScene(options.width, options.height);

    // The frames the player draws before the demo: black, opaque.
    DrawBlackFrames([](int) { glFlush(); });
    try {
        LoadDemoFile(DemoFileName);
    } catch (const DemoFileError& e) {
        ShowMessage(ApplicationTitle, e.what());
        return 1;
    }

    // The music's rate starts the clock and its length ends a sequence, as in the player.
    const std::optional<std::string> musicPath = ResolveDemoPath(MusicFileName);
    const std::optional<Mp3Info> music = musicPath ? ProbeMp3(*musicPath) : std::nullopt;
    const uint32_t musicRate = music ? music->rate : 44100;
    const double start = options.time.value_or(options.from.value_or(0.0));
    const double to = options.to.value_or(music ? music->lengthSeconds * 1000.0 : TimelineEnd());
    if (!single && to < start)
        return UsageError("--to lies before the first frame");

    RenderRun run;
    run.start = start;
    run.to = to;
    run.single = single;
    run.fps = options.fps;
    run.literal = options.literal;
    run.progress = !single && isatty(STDERR_FILENO);
    int result = 0;
    if (options.bench) {
        result = RunBench(context, options, run, musicRate);
    } else {
        const std::unique_ptr<FrameSink> out = MakeOutputSink(options.out, MusicFileName);
        result = RenderRange(context, run, musicRate, *out);
        if (result == 0 && !single)
            PrintMessage(CommandName, "frames written to " + options.out, MessageIcon::Information);
    }
    MusicFree();
    ReleaseTickCount();
    FreeTimeline();
    return result;
}

} // namespace quv
