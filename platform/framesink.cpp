#include "platform/framesink.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "engine/files.h"
#include "engine/message.h"
#include "platform/DemoBass.h"
#include "platform/pngfile.h"

namespace quv {

std::unique_ptr<FrameSink> MakeOutputSink(const std::string& out, const std::string& musicFile,
                                          const VideoSettings& settings)
{
    if (out.empty())
        return std::make_unique<NullSink>();
    if (IsVideoPath(out))
        return std::make_unique<VideoSink>(out, musicFile, settings);
    return std::make_unique<PngSequenceSink>(out);
}

bool IsOutputPath(const std::string& out)
{
    std::string ext = std::filesystem::path(out).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".png" || IsVideoPath(out);
}

void Downsample(const std::vector<uint8_t>& large, int32_t width, int32_t height, int factor,
                std::vector<uint8_t>& out)
{
    const size_t largeWidth = static_cast<size_t>(width) * factor;
    const unsigned area = static_cast<unsigned>(factor * factor);
    out.resize(static_cast<size_t>(width) * height * 4);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            unsigned sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < factor; ++dy) {
                const uint8_t* row =
                    large.data() + ((static_cast<size_t>(y) * factor + dy) * largeWidth +
                                    static_cast<size_t>(x) * factor) *
                                       4;
                for (int dx = 0; dx < factor * 4; ++dx)
                    sum[dx % 4] += row[dx];
            }
            uint8_t* pixel = out.data() + (static_cast<size_t>(y) * width + x) * 4;
            for (int c = 0; c < 4; ++c)
                pixel[c] = static_cast<uint8_t>((sum[c] + area / 2) / area);
        }
    }
}

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

// ---------------------------------------------------------------------------------------------
// PNG files

bool PngSequenceSink::Begin(int32_t width, int32_t height, double, long, std::string&)
{
    width_ = width;
    height_ = height;
    return true;
}

bool PngSequenceSink::Frame(const DrawnFrame& frame, const PixelReader& readPixels,
                            std::string& error)
{
    bool numbered = false;
    FormatFrameName(pattern_, frame.index, name_, numbered);
    const std::vector<uint8_t>& pixels = readPixels();
    // WritePng makes the missing folders and writes the file whole (engine/atomicfile.h).
    return WritePng(name_, width_, height_, pixels, error);
}

// ---------------------------------------------------------------------------------------------
// Video

bool VideoSink::Begin(int32_t width, int32_t height, double, long, std::string& error)
{
    return video_.Open(path_, width, height, settings_, error);
}

bool VideoSink::Frame(const DrawnFrame& frame, const PixelReader& readPixels, std::string& error)
{
    return video_.WriteFrame(readPixels(), frame.musicMs, error);
}

bool VideoSink::Finish(double endMusicMs, std::string& error)
{
    std::string warning;
    std::unique_ptr<Mp3Stream> music;
    const std::optional<std::string> musicPath = ResolveDemoPath(musicFile_);
    if (!musicPath) {
        warning = "no music file; the video is silent";
    } else {
        std::string why;
        music = Mp3Stream::Open(*musicPath, &why);
        if (!music)
            warning =
                "cannot read the music file " + *musicPath + " (" + why + "); the video is silent";
    }
    std::string soundWarning;
    if (!video_.Finish(music.get(), endMusicMs, soundWarning, error))
        return false;
    if (!warning.empty())
        PrintMessage("quvplayer render", warning, MessageIcon::Exclamation);
    if (!soundWarning.empty())
        PrintMessage("quvplayer render", soundWarning, MessageIcon::Exclamation);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Frame times

namespace {

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

} // namespace

void FrameTimes::Report(const char* path) const
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
                path, sorted.size(), 1000.0 * static_cast<double>(sorted.size()) / total, at(0.5),
                at(0.95), sorted.back(), residentAtEndKb - residentAfterFirstKb);
}

bool FrameTimer::Begin(int32_t width, int32_t height, double fps, long expectedFrames,
                       std::string& error)
{
    // Room for a run slowed a little by "Music Speed", so that no frame reallocates.
    times_.ms.reserve(static_cast<size_t>(expectedFrames) + 64);
    return next_.Begin(width, height, fps, expectedFrames, error);
}

bool FrameTimer::Frame(const DrawnFrame& frame, const PixelReader& readPixels, std::string& error)
{
    times_.ms.push_back(frame.drawMs);
    if (frame.index == 0)
        times_.residentAfterFirstKb = ResidentKb();
    return next_.Frame(frame, readPixels, error);
}

bool FrameTimer::Finish(double endMusicMs, std::string& error)
{
    if (!next_.Finish(endMusicMs, error))
        return false;
    times_.residentAtEndKb = ResidentKb();
    return true;
}

} // namespace quv
