// `quvplayer render`: draws frames of the demo in the working directory into an EGL pbuffer and
// writes them as PNG files. The GL state is set up as the Play sequence sets it, and the music
// position is a virtual clock that follows "Music Speed", so a rendered frame is the frame a
// viewer sees at that music time.

#include <GL/gl.h>
#include <malloc.h>
#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "effects/glview.h"
#include "engine/_effectinit.h"
#include "engine/_loadsave.h"
#include "engine/drawpath.h"
#include "engine/files.h"
#include "engine/message.h"
#include "engine/playback.h"
#include "engine/ticks.h"
#include "platform/DemoBass.h"
#include "engine/musicclock.h"
#include "engine/_DemoParameters.h"
#include "platform/commands.h"
#include "platform/eglcontext.h"
#include "platform/pngfile.h"
#include "platform/videoout.h"

namespace quv {

namespace {

constexpr const char* DemoFileName = "demodata.quv";
constexpr const char* MusicFileName = "plomarind.mp3";

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
    std::fprintf(stderr, "quvplayer render: %s (see --help)\n", text.c_str());
    return 2;
}

// Expands the one frame-number conversion (%d, %5d or %05d) of an output pattern; "%%" is a
// percent sign. Returns false when the pattern has no conversion or anything else after a '%'.
bool FormatFrameName(const std::string& pattern, long frame, std::string& name, bool& numbered)
{
    name.clear();
    numbered = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            name += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        const bool zero = j < pattern.size() && pattern[j] == '0';
        int width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100)
            width = width * 10 + (pattern[j++] - '0');
        if (j >= pattern.size() || pattern[j] != 'd' || numbered)
            return false;
        char number[160];
        std::snprintf(number, sizeof number, zero ? "%0*ld" : "%*ld", width, frame);
        name += number;
        numbered = true;
        i = j;
    }
    return true;
}

// Sample rate and length of the music, when there is a readable MP3.
struct MusicInfo {
    uint32_t rate = 44100;
    std::optional<double> lengthMs;
};

MusicInfo ProbeMusic(const std::string& fileName)
{
    MusicInfo info;
    const std::optional<std::string> path = ResolveDemoPath(fileName);
    if (!path)
        return info;
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr)
        return info;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_open(handle, path->c_str()) == MPG123_OK &&
        mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && rate > 0) {
        info.rate = static_cast<uint32_t>(rate);
        mpg123_scan(handle);
        const off_t samples = mpg123_length(handle);
        if (samples > 0)
            info.lengthMs = static_cast<double>(samples) * 1000.0 / static_cast<double>(rate);
    }
    mpg123_close(handle);
    mpg123_delete(handle);
    return info;
}

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

// Resident set size of this process in kB, from /proc.
long ResidentKb()
{
    // Freed heap pages the allocator still holds are handed back first, so that the figure is
    // the memory in use rather than the allocator's momentary slack.
    malloc_trim(0);
    long pages = 0;
    long resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct FrameTimes {
    std::vector<double> ms;
    long residentAfterFirstKb = 0;
    long residentAtEndKb = 0;
    void Report(const char* path) const
    {
        if (ms.empty())
            return;
        std::vector<double> sorted = ms;
        // (Reported after the run, so this copy is off the measured path.)
        std::sort(sorted.begin(), sorted.end());
        double total = 0.0;
        for (double m : sorted)
            total += m;
        const auto at = [&](double q) {
            const size_t index = static_cast<size_t>(q * static_cast<double>(sorted.size() - 1));
            return sorted[index];
        };
        std::printf("%-8s %6zu frames  %8.2f fps  median %7.2f ms  p95 %7.2f ms  worst %7.2f ms"
                    "  resident %+ld kB\n",
                    path, sorted.size(), 1000.0 * static_cast<double>(sorted.size()) / total,
                    at(0.5), at(0.95), sorted.back(), residentAtEndKb - residentAfterFirstKb);
    }
};

// Draws the frames from the clock's start to `to` (one frame when single); writes each to a file
// when out is set; records the drawing time of each frame when times is set.
int RenderRange(HeadlessContext& context, const RenderOptions& options, double start, double to,
                bool single, const MusicInfo& music, FrameTimes* times)
{
    auto owned =
        std::make_unique<OfflineClock>(start, music.rate, std::numeric_limits<double>::infinity());
    OfflineClock* clock = owned.get();
    MusicSetBackend(std::move(owned));
    const double frameMs = 1000.0 / options.fps;
    const bool progress = !single && isatty(STDERR_FILENO) && times == nullptr;
    const long expected =
        single ? 1 : static_cast<long>(std::floor((to - start) / frameMs + 1e-9)) + 1;
    std::vector<uint8_t> pixels;
    std::string name;
    long frame = 0;
    // A video file takes the frames, and the music along their clock, through ffmpeg.
    VideoWriter video;
    const bool toVideo = !options.out.empty() && IsVideoPath(options.out);
    std::string videoError;
    if (toVideo &&
        !video.Open(options.out, context.Width(), context.Height(), options.fps, videoError)) {
        std::fprintf(stderr, "quvplayer render: %s\n", videoError.c_str());
        return 1;
    }
    if (times != nullptr)
        times->ms.reserve(static_cast<size_t>(expected) + 64);
    while (single ? frame < 1 : clock->PositionMsExact() <= to + 1e-9) {
        const int32_t t = MusicPositionMs();
        PinTickCount(static_cast<uint32_t>(t));
        const auto begin = std::chrono::steady_clock::now();
        EvaluateTimeline(static_cast<double>(t));
        glFlush();
        if (times != nullptr) {
            glFinish();
            const auto end = std::chrono::steady_clock::now();
            times->ms.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
            if (frame == 0)
                times->residentAfterFirstKb = ResidentKb();
        }
        ++FrameCount;
        if (toVideo) {
            context.ReadPixels(pixels);
            if (!video.WriteFrame(pixels, clock->PositionMsExact(), videoError)) {
                std::fprintf(stderr, "\nquvplayer render: %s\n", videoError.c_str());
                return 1;
            }
        } else if (!options.out.empty()) {
            bool numbered = false;
            FormatFrameName(options.out, frame, name, numbered);
            context.ReadPixels(pixels);
            std::string error;
            const std::filesystem::path parent = std::filesystem::path(name).parent_path();
            std::error_code ec;
            if (!parent.empty())
                std::filesystem::create_directories(parent, ec);
            if (!WritePng(name, context.Width(), context.Height(), pixels, error)) {
                if (progress)
                    std::fputc('\n', stderr);
                std::fprintf(stderr, "quvplayer render: %s\n", error.c_str());
                return 1;
            }
        }
        ++frame;
        if (progress)
            PrintProgress(frame, std::max(expected, frame));
        clock->Advance(frameMs);
    }
    if (progress)
        std::fputc('\n', stderr);
    if (toVideo) {
        std::string warning;
        const std::optional<std::string> musicPath = ResolveDemoPath(MusicFileName);
        if (!video.Finish(musicPath.value_or(""), clock->PositionMsExact(), warning, videoError)) {
            std::fprintf(stderr, "quvplayer render: %s\n", videoError.c_str());
            return 1;
        }
        if (!warning.empty())
            std::fprintf(stderr, "quvplayer render: %s\n", warning.c_str());
    }
    if (times != nullptr)
        times->residentAtEndKb = ResidentKb();
    return 0;
}

} // namespace

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

    HeadlessContext context;
    std::string error;
    if (!context.Create(options.width, options.height, error)) {
        std::fprintf(stderr, "quvplayer render: no headless OpenGL: %s\n", error.c_str());
        return 1;
    }

    DemoParameters.FullScreen = false;
    DemoParameters.MusicFile = MusicFileName;
    DemoParameters.ColorBits = 32;
    SetUpScene(options.width, options.height);
    LiteralDrawing = options.literal;

    // The frames the player draws before the demo: black, opaque.
    DrawBlackFrames([](int) { glFlush(); });
    try {
        LoadDemoFile(DemoFileName);
    } catch (const DemoFileError& e) {
        ShowMessage(ApplicationTitle, e.what());
        return 1;
    }

    const MusicInfo music = ProbeMusic(MusicFileName);
    const double start = options.time.value_or(options.from.value_or(0.0));
    const double to = options.to.value_or(music.lengthMs.value_or(TimelineEnd()));
    if (!single && to < start)
        return UsageError("--to lies before the first frame");

    int result = 0;
    if (options.bench) {
        FrameTimes fast;
        FrameTimes literal;
        // One untimed pass in each path first: the GL driver compiles (and keeps) a shader
        // variant the first time a state combination appears, which image effects reach only
        // after some frames. Without it the timed runs carry those compiles in their times and
        // memory. The literal pass is bounded to keep the benchmark's length reasonable.
        RenderOptions warmUp = options;
        warmUp.out.clear();
        if (!options.literal) {
            LiteralDrawing = false;
            result = RenderRange(context, warmUp, start, to, false, music, nullptr);
        }
        LiteralDrawing = true;
        if (result == 0)
            result = RenderRange(context, warmUp, start,
                                 std::min(to, start + 1000.0 * 1000.0 / options.fps), false, music,
                                 nullptr);
        if (result == 0 && !options.literal) {
            LiteralDrawing = false;
            result = RenderRange(context, options, start, to, false, music, &fast);
        }
        LiteralDrawing = true;
        if (result == 0)
            result = RenderRange(context, options, start, to, false, music, &literal);
        fast.Report("default");
        literal.Report("literal");
    } else {
        result = RenderRange(context, options, start, to, single, music, nullptr);
        if (result == 0 && !single)
            std::fprintf(stderr, "quvplayer render: frames written to %s\n", options.out.c_str());
    }
    MusicFree();
    ReleaseTickCount();
    FreeTimeline();
    return result;
}

} // namespace quv
