// `quvplayer render`: draws frames of the demo in the working directory into an EGL pbuffer and
// hands them to a frame sink (PNG files, a video, or nothing for --bench; see framesink.h). The GL
// state is set up as the Play sequence sets it, and the music position is a virtual clock that
// follows "Music Speed", so a rendered frame is the frame a viewer sees at that music time.
//
//   Options    the command line of `render` and its usage errors
//   One run    WalkClock: the frames of a range without drawing; RenderRange: a range of frames
//              on a fresh offline clock, into one sink
//   Bench      --bench: warm-up passes, then timed passes in each drawing path
//   Command    RunRender: the options, the headless context, the demo, the music's length

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "effects/glview.h"
#include "engine/_DemoParameters.h"
#include "engine/_effecthandle.h"
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
#include "platform/demosource.h"
#include "platform/eglcontext.h"
#include "platform/framesink.h"
#include "platform/instancetimes.h"
#include "platform/videoout.h"
#include "tools/demowriter.h"

namespace quv {

namespace {

// The caption of the command's messages: "quvplayer render: TEXT".
constexpr const char* CommandName = "quvplayer render";
// The most frames one render draws: a longer one is a mistake (a rate like 0.0001 % in "Music
// Speed" stretches a range without end), refused before it starts.
constexpr long MaxFrames = 10'000'000;
// The largest frame the headless context is asked for, supersampling included.
constexpr int32_t MaxSize = 16384;

// Set by SIGINT: the render stops after the frame in hand and removes its unfinished output.
volatile std::sig_atomic_t Interrupted = 0;

void OnInterrupt(int)
{
    Interrupted = 1;
}

// ---------------------------------------------------------------------------------------------
// Options

struct RenderOptions {
    int32_t width = 640;
    int32_t height = 480;
    std::optional<double> time;
    std::optional<double> from;
    std::optional<double> to;
    VideoSettings video; // the frame rate, and the encoder of a video
    bool videoOption = false;
    int supersample = 1;
    std::string out;
    std::string audioOnly;
    bool literal = false;
    bool bench = false;
    bool perInstance = false;
    std::string demo = DefaultDemoFile;   // --demo: compiled or text form
    std::string music = DefaultMusicFile; // --music
};

void PrintRenderHelp()
{
    std::fputs(
        "Usage: quvplayer render [OPTIONS]\n"
        "Renders the demo in the current directory (or --dir DIR) headless to PNG files or a\n"
        "video.\n"
        "\n"
        "  --size WxH        frame size in pixels (default 640x480)\n"
        "  --time MS         render the single frame at this music time (default 0)\n"
        "  --from MS         first frame of a sequence (default 0)\n"
        "  --to MS           last music time of a sequence (default: the music's length, or\n"
        "                    the Timeline's last end time when there is no music)\n"
        "  --fps RATE        frames per second of a sequence: N, N.M or NUM/DEN, e.g. 30,\n"
        "                    29.97 or 60000/1001 (default 30)\n"
        "  --out FILE        output file: .png, where a sequence needs a frame number, e.g.\n"
        "                    shots/%05d.png (default frame.png, or frames/%05d.png), or a\n"
        "                    video made by ffmpeg with the music following the demo's clock:\n"
        "                    .mp4, .mov, .mkv (H.264, AAC), .webm (VP9, Opus), .avi (MPEG-4,\n"
        "                    PCM); missing folders are made, the file appears when complete\n"
        "  --codec NAME      video encoder: libx264, libx265, libvpx-vp9, mpeg4 or ffv1, as\n"
        "                    the container and the installed ffmpeg allow\n"
        "  --crf N           video quality in the encoder's scale (libx264: 0 best to 51,\n"
        "                    default 23)\n"
        "  --preset NAME     libx264/libx265 speed, ultrafast to placebo (default veryfast)\n"
        "  --supersample N   draw each frame at N times the size (2 to 4) and filter it down\n"
        "  --audio-only FILE write the music as the demo's clock plays it to FILE (.wav or\n"
        "                    .flac), drawing no frames\n"
        "  --literal         draw with the literal GL path instead of the default one\n"
        "  --bench           time the frames of the range (no files unless --out is given)\n"
        "                    in the default and in the literal path, and print frames per\n"
        "                    second with the median, p95 and worst frame time\n"
        "  --per-instance    with --bench: time each instance's Render (finishing the GL's\n"
        "                    work after each) in one pass of the drawing path, and print\n"
        "                    every instance's total, mean and worst time, the largest first\n"
        "  --demo FILE       render FILE instead of demodata.quv: a compiled demo or\n"
        "                    quvtool's text form (JSON), compiled as it is read\n"
        "  --music FILE      the music instead of plomarind.mp3\n"
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

// False with the reason when the text is not a size that can be rendered.
bool ParseSize(const char* text, int32_t& width, int32_t& height, std::string& error)
{
    unsigned long w = 0;
    unsigned long h = 0;
    char tail = 0;
    if (std::sscanf(text, "%lux%lu%c", &w, &h, &tail) != 2 || text[0] == '-') {
        error = "--size takes WIDTHxHEIGHT, e.g. 640x480";
        return false;
    }
    if (w < 1 || h < 1 || w > MaxSize || h > MaxSize) {
        error = "--size " + std::string(text) +
                " cannot be rendered: width and height lie from 1 to " + std::to_string(MaxSize);
        return false;
    }
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

bool ParseInteger(const char* text, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || parsed < -100000 || parsed > 100000)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

std::string FormatMs(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms);
    return text;
}

int UsageError(const std::string& text)
{
    PrintMessage(CommandName, text + " (see --help)");
    return 2;
}

// ---------------------------------------------------------------------------------------------
// One run

// A progress bar is terminal UI rather than a message: it rewrites its own line. The total is
// known before the first frame (WalkClock), so the bar only grows; the rate and the time left
// come from the frames done so far.
void PrintProgress(long done, long total, double seconds)
{
    constexpr int BarWidth = 30;
    const double fraction = total > 0 ? std::min(1.0, static_cast<double>(done) / total) : 1.0;
    const int filled = static_cast<int>(fraction * BarWidth);
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const long left = rate > 0.0 ? std::lround(static_cast<double>(total - done) / rate) : 0;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%% frame %ld/%ld %7.1f fps ETA %ld:%02ld:%02ld ", filled,
                 "##############################", BarWidth - filled, "",
                 static_cast<int>(fraction * 100), done, total, rate, left / 3600, left / 60 % 60,
                 left % 60);
    std::fflush(stderr);
}

// One pass over a range of the demo.
struct RenderRun {
    double start = 0.0;           // music position of the first frame
    double to = 0.0;              // the last music position a sequence draws
    bool single = false;          // one frame, at start
    FrameRate rate;               // frames per second of wall time
    long expected = 1;            // the frames the run draws (WalkClock)
    int supersample = 1;          // the context is this many times the output size
    bool literal = false;         // the drawing path: the literal GL calls, or the default path
    bool progress = false;        // a progress bar on stderr
    RenderProbe* probe = nullptr; // watches each instance's Render (--per-instance)

    double FrameMs() const
    {
        return 1000.0 * static_cast<double>(rate.den) / static_cast<double>(rate.num);
    }
};

// Walks the run's clock without drawing: only "Music Speed" moves the clock, so only its
// instances are evaluated, in file order, at the same rounded times as EvaluateTimeline gets
// them. Returns the frame count, or -1 past MaxFrames; each gets the music position of every
// frame and endMs the position one frame after the last.
long WalkClock(const RenderRun& run, uint32_t musicRate, std::vector<double>* each, double& endMs)
{
    auto owned = std::make_unique<OfflineClock>(run.start, musicRate,
                                                std::numeric_limits<double>::infinity());
    OfflineClock* clock = owned.get();
    MusicSetBackend(std::move(owned));
    long frames = 0;
    while (run.single ? frames < 1 : clock->PositionMsExact() <= run.to + 1e-9) {
        if (frames == MaxFrames)
            return -1;
        const double t = MusicPositionMs();
        for (const EffectHandle* handle = Timeline; handle != nullptr; handle = handle->next) {
            if (std::strcmp(handle->typeName.data(), "Music Speed") == 0 &&
                handle->startTime <= t && t < handle->endTime) {
                ApplyFields(*handle, t);
                handle->Render();
            }
        }
        if (each != nullptr)
            each->push_back(clock->PositionMsExact());
        ++frames;
        clock->Advance(run.FrameMs());
    }
    endMs = clock->PositionMsExact();
    return frames;
}

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
    const double frameMs = run.FrameMs();
    const int32_t width = context.Width() / run.supersample;
    const int32_t height = context.Height() / run.supersample;
    std::string error;
    if (!sink.Begin(width, height, run.rate.Fps(), run.expected, error))
        return SinkFailed(sink, error);
    std::vector<uint8_t> drawn;
    std::vector<uint8_t> pixels;
    const PixelReader readPixels = [&]() -> const std::vector<uint8_t>& {
        if (run.supersample == 1) {
            context.ReadPixels(pixels);
        } else {
            context.ReadPixels(drawn);
            Downsample(drawn, width, height, run.supersample, pixels);
        }
        return pixels;
    };
    const auto started = std::chrono::steady_clock::now();
    long frame = 0;
    while (run.single ? frame < 1 : clock->PositionMsExact() <= run.to + 1e-9) {
        if (Interrupted || frame == MaxFrames) {
            if (run.progress)
                std::fputc('\n', stderr);
            return SinkFailed(sink, Interrupted ? "interrupted"
                                                : "stopped at the limit of " +
                                                      std::to_string(MaxFrames) + " frames");
        }
        const int32_t t = MusicPositionMs();
        PinTickCount(static_cast<uint32_t>(t));
        const auto begin = std::chrono::steady_clock::now();
        if (run.probe != nullptr)
            EvaluateTimeline(static_cast<double>(t), *run.probe);
        else
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
            // Ctrl-C stops ffmpeg too, which is the likelier cause then.
            return SinkFailed(sink, Interrupted ? std::string("interrupted") : error);
        }
        ++frame;
        if (run.progress)
            PrintProgress(
                frame, std::max(run.expected, frame),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
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

// Times each instance's Render: the GL is made to finish the instance's work before the clock
// is read, so its time is the time the instance costs, not only the time to queue its calls.
class RenderTimer final : public RenderProbe {
public:
    explicit RenderTimer(InstanceTimes& times) : times_(times) {}
    void Before(const EffectHandle&) override { began_ = std::chrono::steady_clock::now(); }
    void After(const EffectHandle& handle) override
    {
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        times_.Record(handle, std::chrono::duration<double, std::milli>(end - began_).count());
    }

private:
    InstanceTimes& times_;
    std::chrono::steady_clock::time_point began_;
};

// Times the run's frames in the default path (unless --literal) and in the literal path and
// prints a line for each; writes --out in each timed pass when it is given.
int RunBench(HeadlessContext& context, const RenderOptions& options, RenderRun run,
             uint32_t musicRate)
{
    // One untimed pass in each path first: the GL driver compiles (and keeps) a shader variant
    // the first time a state combination appears, which image effects reach only after some
    // frames. Without it the timed runs carry those compiles in their times and memory. The
    // passes are bounded (WarmUpMs of music) to keep the benchmark's length reasonable. Only
    // these passes show progress; a timed pass does nothing between its frames.
    constexpr double WarmUpMs = 60000.0;
    NullSink nothing;
    RenderRun warmUp = run;
    warmUp.to = std::min(run.to, run.start + WarmUpMs);
    double endMs = 0.0;
    warmUp.expected = std::max(1L, WalkClock(warmUp, musicRate, nullptr, endMs));
    int result = 0;
    if (!options.literal) {
        warmUp.literal = false;
        result = RenderRange(context, warmUp, musicRate, nothing);
    }
    warmUp.literal = true;
    warmUp.to = std::min(warmUp.to, run.start + 1000.0 * run.FrameMs());
    warmUp.expected = std::max(1L, WalkClock(warmUp, musicRate, nullptr, endMs));
    if (result == 0)
        result = RenderRange(context, warmUp, musicRate, nothing);

    FrameTimes fast;
    FrameTimes literal;
    run.progress = false;
    const auto timed = [&](bool literalPath, FrameTimes& times) {
        run.literal = literalPath;
        const std::unique_ptr<FrameSink> out =
            MakeOutputSink(options.out, options.music, options.video);
        FrameTimer timer(*out, times);
        return RenderRange(context, run, musicRate, timer);
    };
    if (options.perInstance) {
        // One pass in the chosen path; its frame times include the waits after each instance.
        InstanceTimes times(Timeline);
        RenderTimer timer(times);
        run.probe = &timer;
        FrameTimes& frames = options.literal ? literal : fast;
        if (result == 0)
            result = timed(options.literal, frames);
        run.probe = nullptr;
        frames.Report(options.literal ? "literal" : "default");
        std::printf("\nper instance, %s path, %zu frames from %s to %s ms (each Render timed to "
                    "its glFinish):\n%s",
                    options.literal ? "literal" : "default", frames.ms.size(),
                    FormatMs(run.start).c_str(), FormatMs(run.to).c_str(), times.Table().c_str());
        return result;
    }
    if (result == 0 && !options.literal)
        result = timed(false, fast);
    if (result == 0)
        result = timed(true, literal);
    fast.Report("default");
    literal.Report("literal");
    return result;
}

// The last line of a render: what was written, how long it plays and its size.
void PrintWritten(const std::string& out, long frames, const FrameRate& rate)
{
    const double seconds = static_cast<double>(frames) / rate.Fps();
    uintmax_t bytes = 0;
    std::string what = out;
    std::error_code ec;
    if (IsVideoPath(out) || IsSoundPath(out)) {
        bytes = std::filesystem::file_size(out, ec);
    } else {
        std::string name;
        bool numbered = false;
        for (long k = 0; k < frames; ++k) {
            FormatFrameName(out, k, name, numbered);
            bytes += std::filesystem::file_size(name, ec);
        }
        what = std::to_string(frames) + " frames to " + out;
    }
    char line[128];
    std::snprintf(line, sizeof line, " (%.3f s at %s fps, %.1f kB)", seconds, rate.Text().c_str(),
                  static_cast<double>(bytes) / 1024.0);
    PrintMessage(CommandName, "wrote " + what + line, MessageIcon::Information);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Command

namespace {

int Render(int argc, char** argv)
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
        } else if (arg == "--per-instance") {
            options.perInstance = true;
        } else if (!hasValue &&
                   (arg == "--size" || arg == "--time" || arg == "--from" || arg == "--to" ||
                    arg == "--fps" || arg == "--out" || arg == "--codec" || arg == "--crf" ||
                    arg == "--preset" || arg == "--supersample" || arg == "--audio-only" ||
                    arg == "--demo" || arg == "--music")) {
            return UsageError(arg + " needs a value");
        } else if (arg == "--size") {
            std::string why;
            if (!ParseSize(argv[++i], options.width, options.height, why))
                return UsageError(why);
        } else if (arg == "--fps") {
            if (!ParseFrameRate(argv[++i], options.video.rate))
                return UsageError("--fps takes a rate above 0 and up to 1000: N, N.M or NUM/DEN, "
                                  "e.g. 30, 29.97 or 60000/1001");
        } else if (arg == "--time" || arg == "--from" || arg == "--to") {
            if (!ParseNumber(argv[++i], number))
                return UsageError(arg + " takes a number, not '" + argv[i] + "'");
            if (arg == "--time")
                options.time = number;
            else if (arg == "--from")
                options.from = number;
            else
                options.to = number;
        } else if (arg == "--crf") {
            int crf = 0;
            if (!ParseInteger(argv[++i], crf))
                return UsageError("--crf takes a whole number, not '" + std::string(argv[i]) + "'");
            options.video.crf = crf;
            options.videoOption = true;
        } else if (arg == "--codec" || arg == "--preset") {
            (arg == "--codec" ? options.video.codec : options.video.preset) = argv[++i];
            options.videoOption = true;
        } else if (arg == "--supersample") {
            if (!ParseInteger(argv[++i], options.supersample) || options.supersample < 1 ||
                options.supersample > 4)
                return UsageError("--supersample takes 2, 3 or 4");
        } else if (arg == "--out") {
            options.out = argv[++i];
        } else if (arg == "--audio-only") {
            options.audioOnly = argv[++i];
        } else if (arg == "--demo") {
            options.demo = argv[++i];
        } else if (arg == "--music") {
            options.music = argv[++i];
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    const bool audioOnly = !options.audioOnly.empty();
    // A video or a sound file without --time is the whole demo, as a sequence of PNG files
    // would be.
    const bool single = !options.from && !options.to && !options.bench && !audioOnly &&
                        !(IsVideoPath(options.out) && !options.time);
    if (options.perInstance && !options.bench)
        return UsageError("--per-instance goes with --bench");
    if (options.time && (options.from || options.to))
        return UsageError("--time renders one frame; use --from and --to for a sequence");
    if (options.from && options.to && *options.to < *options.from)
        return UsageError("--to " + FormatMs(*options.to) + " lies before --from " +
                          FormatMs(*options.from));
    if (audioOnly) {
        if (!IsSoundPath(options.audioOnly))
            return UsageError("--audio-only writes " + std::string(SoundExtensions) + ", not '" +
                              options.audioOnly + "'");
        if (!options.out.empty() || options.bench || options.time || options.videoOption ||
            options.supersample != 1)
            return UsageError("--audio-only takes --from, --to, --fps and --dir only");
    }
    if (options.out.empty() && !options.bench && !audioOnly)
        options.out = single ? "frame.png" : "frames/%05d.png";
    if (!options.out.empty()) {
        if (!IsOutputPath(options.out))
            return UsageError("--out cannot write '" + options.out +
                              "': it takes .png or a video (" + VideoExtensions + ")");
        std::string name;
        bool numbered = false;
        if (!FormatFrameName(options.out, 0, name, numbered))
            return UsageError("--out: only one %d (or %05d) frame number may appear; write %% "
                              "for a percent sign");
        if (!single && !numbered && !IsVideoPath(options.out))
            return UsageError("--out needs a frame number for a sequence, e.g. shots/%05d.png");
    }
    if (IsVideoPath(options.out)) {
        std::string note;
        std::string why;
        if (!CheckVideoSettings(options.out, options.width, options.height, options.video, note,
                                why))
            return UsageError(why);
        if (!note.empty())
            PrintMessage(CommandName, note, MessageIcon::Information);
    } else if (options.videoOption) {
        return UsageError("--codec, --crf and --preset are for a video --out (" +
                          std::string(VideoExtensions) + ")");
    }
    const int32_t drawWidth = options.width * options.supersample;
    const int32_t drawHeight = options.height * options.supersample;
    if (drawWidth > MaxSize || drawHeight > MaxSize)
        return UsageError("--size " + std::to_string(options.width) + "x" +
                          std::to_string(options.height) + " with --supersample " +
                          std::to_string(options.supersample) + " draws " +
                          std::to_string(drawWidth) + "x" + std::to_string(drawHeight) +
                          " frames, beyond the largest, " + std::to_string(MaxSize) + "x" +
                          std::to_string(MaxSize));

    if (!ResolveDemoPath(options.demo)) {
        PrintMessage(CommandName,
                     "no demo file: " + (std::filesystem::current_path() / options.demo).string());
        return 1;
    }
    // The fixed name may be missing (the demo then runs silent); a named one must be there.
    const std::optional<std::string> musicPath = ResolveDemoPath(options.music);
    if (!musicPath && options.music != DefaultMusicFile) {
        PrintMessage(CommandName, "no music file: " +
                                      (std::filesystem::current_path() / options.music).string());
        return 1;
    }
    HeadlessContext context;
    std::string error;
    if (!context.Create(drawWidth, drawHeight, error)) {
        PrintMessage(CommandName, "no headless OpenGL at " + std::to_string(drawWidth) + "x" +
                                      std::to_string(drawHeight) + ": " + error);
        return 1;
    }

    DemoParameters.FullScreen = false;
    DemoParameters.MusicFile = options.music;
    DemoParameters.ColorBits = 32;
    SetUpScene(drawWidth, drawHeight);

    // The frames the player draws before the demo: black, opaque. A sound-only export draws
    // nothing; its context only serves the effects' loaders.
    if (!audioOnly)
        DrawBlackFrames([](int) { glFlush(); });
    try {
        LoadDemoSource(options.demo);
    } catch (const DemoFileError& e) {
        ShowMessage(ApplicationTitle, e.what());
        return 1;
    } catch (const DemoTextError& e) {
        PrintMessage(CommandName, e.what());
        return 1;
    }

    // The music's rate starts the clock and its length ends a sequence, as in the player.
    const std::optional<Mp3Info> music =
        musicPath ? NamingFile(options.music, [&] { return ProbeMp3(*musicPath); }) : std::nullopt;
    const uint32_t musicRate = music ? music->rate : 44100;
    const double start = options.time.value_or(options.from.value_or(0.0));
    const double to = options.to.value_or(music ? music->lengthSeconds * 1000.0 : TimelineEnd());
    if (!single && to < start)
        return UsageError("--to lies before the first frame");

    RenderRun run;
    run.start = start;
    run.to = to;
    run.single = single;
    run.rate = options.video.rate;
    run.supersample = options.supersample;
    run.literal = options.literal;
    run.progress = !single && isatty(STDERR_FILENO);

    // The frame count, known before the first frame: refused when it is beyond reason.
    const double plain = std::floor((to - start) / run.FrameMs() + 1e-9) + 1.0;
    double endMs = 0.0;
    std::vector<double> positions;
    const long frames = single || plain <= static_cast<double>(MaxFrames)
                            ? WalkClock(run, musicRate, audioOnly ? &positions : nullptr, endMs)
                            : -1;
    if (frames < 0) {
        char count[32];
        std::snprintf(count, sizeof count, "%.0f", plain);
        PrintMessage(CommandName,
                     plain > static_cast<double>(MaxFrames)
                         ? "the range would take " + std::string(count) + " frames; at most " +
                               std::to_string(MaxFrames) + " are rendered"
                         : "\"Music Speed\" stretches the range beyond " +
                               std::to_string(MaxFrames) + " frames (" + std::string(count) +
                               " at normal speed); render a shorter range");
        MusicFree();
        FreeTimeline();
        return 1;
    }
    run.expected = frames;

    std::signal(SIGINT, OnInterrupt);
    int result = 0;
    if (audioOnly) {
        std::string why;
        const std::unique_ptr<Mp3Stream> decoded =
            musicPath ? NamingFile(options.music, [&] { return Mp3Stream::Open(*musicPath, &why); })
                      : nullptr;
        if (!decoded) {
            PrintMessage(CommandName,
                         musicPath ? "cannot read the music file " + *musicPath + " (" + why + ")"
                                   : std::string("no music file"));
            result = 1;
        } else if (!NamingFile(options.audioOnly, [&] {
                       return WriteSoundFile(options.audioOnly, *decoded, positions, endMs,
                                             run.rate.Fps(), error);
                   })) {
            PrintMessage(CommandName, error);
            result = 1;
        } else {
            PrintWritten(options.audioOnly, frames, run.rate);
        }
    } else if (options.bench) {
        result = RunBench(context, options, run, musicRate);
    } else {
        const std::unique_ptr<FrameSink> out =
            MakeOutputSink(options.out, options.music, options.video);
        try {
            result = RenderRange(context, run, musicRate, *out);
        } catch (...) {
            out->Abort(); // nothing half-written stays behind
            throw;
        }
        if (result == 0 && !single)
            PrintWritten(options.out, frames, run.rate);
    }
    std::signal(SIGINT, SIG_DFL);
    MusicFree();
    ReleaseTickCount();
    FreeTimeline();
    return Interrupted ? 130 : result;
}

} // namespace

int RunRender(int argc, char** argv)
{
    // The last resort: whatever a hostile file or a full machine throws ends the command with a
    // message and exit code 1, never an abort. Failures that concern one file name it.
    try {
        return Render(argc, argv);
    } catch (const std::exception& error) {
        PrintMessage(CommandName, ExceptionText(error));
    } catch (...) {
        PrintMessage(CommandName, "unexpected error");
    }
    return 1;
}

} // namespace quv
