#include "platform/videoout.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <numeric>
#include <unistd.h>

#include "engine/atomicfile.h"
#include "platform/DemoBass.h"

namespace quv {

namespace {

// Single-quotes a path for /bin/sh.
std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The sound track as raw 32-bit float samples, the form ffmpeg takes with "-f f32le", written
// piece by piece as the resampler makes it.
static_assert(std::endian::native == std::endian::little, "f32le is written from memory as is");
bool WriteSoundTrack(const std::string& path, PcmSource& music, const std::vector<double>& frameMs,
                     double endMs, double fps)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    bool ok =
        ResampleAlongFrames(music, frameMs, endMs, fps, [out](const float* samples, size_t n) {
            return std::fwrite(samples, sizeof(float), n, out) == n;
        });
    ok = std::fclose(out) == 0 && ok;
    return ok;
}

// The video encoders the renderer knows how to drive.
struct Codec {
    const char* name;
    const char* containers; // extensions, each followed by a blank
    const char* crfOption;  // nullptr: no quality knob
    int crfMin;
    int crfMax;
    int crfDefault;
    bool presets;
    const char* pixelFormat;
    bool evenSize; // 4:2:0 chroma needs even widths and heights
    const char* extra;
};

constexpr Codec Codecs[] = {
    {"libx264", ".mp4 .mov .mkv .avi ", "-crf", 0, 51, 23, true, "yuv420p", true, ""},
    {"libx265", ".mp4 .mov .mkv ", "-crf", 0, 51, 28, true, "yuv420p", true,
     " -x265-params log-level=error"},
    {"libvpx-vp9", ".webm .mkv .mp4 ", "-crf", 0, 63, 32, false, "yuv420p", true,
     " -b:v 0 -row-mt 1"},
    {"mpeg4", ".avi .mp4 .mov .mkv ", "-q:v", 1, 31, 4, false, "yuv420p", true, ""},
    {"ffv1", ".mkv .avi ", nullptr, 0, 0, 0, false, "yuv444p", false, ""},
};

constexpr const char* X264Presets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                       "medium",    "slow",      "slower",   "veryslow", "placebo"};

// A container: its default video encoder and its sound track's encoder.
struct Container {
    const char* extension;
    const char* codec;
    const char* sound;
};

constexpr Container Containers[] = {
    {".mp4", "libx264", "-c:a aac -b:a 192k"}, {".mov", "libx264", "-c:a aac -b:a 192k"},
    {".mkv", "libx264", "-c:a aac -b:a 192k"}, {".webm", "libvpx-vp9", "-c:a libopus -b:a 160k"},
    {".avi", "mpeg4", "-c:a pcm_s16le"},
};

std::string Extension(const std::string& path)
{
    return Lower(std::filesystem::path(path).extension().string());
}

const Container* FindContainer(const std::string& path)
{
    const std::string ext = Extension(path);
    for (const Container& c : Containers)
        if (ext == c.extension)
            return &c;
    return nullptr;
}

const Codec* FindCodec(const std::string& name)
{
    for (const Codec& c : Codecs)
        if (name == c.name)
            return &c;
    return nullptr;
}

bool Takes(const Codec& codec, const std::string& ext)
{
    return std::string(codec.containers).find(ext + " ") != std::string::npos;
}

// Runs a shell command and returns its standard output.
std::string CommandOutput(const std::string& command)
{
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

// The encoder's quality and speed options for ffmpeg.
std::string QualityOptions(const Codec& codec, const VideoSettings& settings)
{
    std::string options;
    if (codec.crfOption != nullptr)
        options += std::string(" ") + codec.crfOption + " " +
                   std::to_string(settings.crf.value_or(codec.crfDefault));
    if (codec.presets)
        options +=
            " -preset " + (settings.preset.empty() ? std::string("veryfast") : settings.preset);
    return options + codec.extra;
}

} // namespace

std::string FrameRate::Text() const
{
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
}

bool ParseFrameRate(const std::string& text, FrameRate& rate)
{
    // Digits only, so that the fraction is exact: no signs, exponents or blanks.
    const auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 12 &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    FrameRate parsed;
    const size_t slash = text.find('/');
    const size_t dot = text.find('.');
    if (slash != std::string::npos) {
        const std::string num = text.substr(0, slash);
        const std::string den = text.substr(slash + 1);
        if (!digits(num) || !digits(den))
            return false;
        parsed = {std::stoll(num), std::stoll(den)};
    } else if (dot != std::string::npos) {
        const std::string whole = text.substr(0, dot);
        const std::string fraction = text.substr(dot + 1);
        if (!(digits(whole) || whole.empty()) || !digits(fraction) || fraction.size() > 6)
            return false;
        int64_t den = 1;
        for (size_t i = 0; i < fraction.size(); ++i)
            den *= 10;
        parsed = {(whole.empty() ? 0 : std::stoll(whole)) * den + std::stoll(fraction), den};
    } else {
        if (!digits(text))
            return false;
        parsed = {std::stoll(text), 1};
    }
    if (parsed.num <= 0 || parsed.den <= 0 || parsed.num > 1000 * parsed.den)
        return false;
    const int64_t common = std::gcd(parsed.num, parsed.den);
    rate = {parsed.num / common, parsed.den / common};
    return true;
}

bool IsVideoPath(const std::string& path)
{
    return FindContainer(path) != nullptr;
}

bool IsSoundPath(const std::string& path)
{
    const std::string ext = Extension(path);
    return ext == ".wav" || ext == ".flac";
}

std::vector<std::string> InstalledVideoEncoders()
{
    // Lines such as " V....D libx264   libx264 H.264 / AVC ...", after a legend that ends "------".
    std::vector<std::string> names;
    const std::string list = CommandOutput("ffmpeg -hide_banner -encoders 2>/dev/null");
    const size_t legendEnd = list.find("------");
    size_t at = legendEnd == std::string::npos ? list.size() : list.find('\n', legendEnd);
    while (at < list.size()) {
        const size_t end = std::min(list.find('\n', at + 1), list.size());
        char flags[16] = {};
        char name[128] = {};
        if (std::sscanf(list.substr(at + 1, end - at - 1).c_str(), "%15s %127s", flags, name) ==
                2 &&
            flags[0] == 'V')
            names.push_back(name);
        at = end;
    }
    return names;
}

bool CheckVideoSettings(const std::string& path, int32_t width, int32_t height,
                        VideoSettings& settings, std::string& note, std::string& error)
{
    const Container* container = FindContainer(path);
    if (container == nullptr) {
        error = "a video is one of " + std::string(VideoExtensions);
        return false;
    }
    const std::string ext = container->extension;
    if (settings.codec.empty())
        settings.codec = container->codec;
    const Codec* codec = FindCodec(settings.codec);
    // The encoders this container takes and the installed ffmpeg has.
    std::string usable;
    const std::vector<std::string> installed = InstalledVideoEncoders();
    for (const Codec& c : Codecs)
        if (Takes(c, ext) &&
            std::find(installed.begin(), installed.end(), c.name) != installed.end())
            usable += std::string(usable.empty() ? "" : ", ") + c.name;
    if (codec == nullptr || !Takes(*codec, ext) ||
        std::find(installed.begin(), installed.end(), settings.codec) == installed.end()) {
        error = "--codec " + settings.codec + " cannot write " + ext + "; " +
                (usable.empty() ? "ffmpeg has no encoder for it (is ffmpeg installed?)"
                                : "it takes " + usable);
        return false;
    }
    if (settings.crf) {
        if (codec->crfOption == nullptr) {
            error = "--crf: " + settings.codec + " is lossless and has no quality setting";
            return false;
        }
        if (*settings.crf < codec->crfMin || *settings.crf > codec->crfMax) {
            error = "--crf for " + settings.codec + " lies from " + std::to_string(codec->crfMin) +
                    " (best) to " + std::to_string(codec->crfMax) + " (smallest)";
            return false;
        }
    }
    if (!settings.preset.empty()) {
        const bool known = std::find(std::begin(X264Presets), std::end(X264Presets),
                                     settings.preset) != std::end(X264Presets);
        if (!codec->presets || !known) {
            error = codec->presets ? "--preset is one of ultrafast, superfast, veryfast, faster, "
                                     "fast, medium, slow, slower, veryslow, placebo"
                                   : "--preset: " + settings.codec + " has no presets";
            return false;
        }
    }
    note.clear();
    if (codec->evenSize && (width % 2 != 0 || height % 2 != 0))
        note = settings.codec + " needs an even width and height: the " + std::to_string(width) +
               "x" + std::to_string(height) + " frames are padded with black to " +
               std::to_string(width + width % 2) + "x" + std::to_string(height + height % 2);
    return true;
}

void StereoFloats(const int16_t* samples, size_t frames, int channels, float* stereo)
{
    for (size_t i = 0; i < frames; ++i) {
        const int16_t* frame = samples + i * static_cast<size_t>(channels);
        stereo[2 * i] = static_cast<float>(frame[0]) / 32768.0f;
        stereo[2 * i + 1] = static_cast<float>(frame[channels - 1]) / 32768.0f;
    }
}

StereoWindow::StereoWindow(PcmSource& music)
    : music_(music), pcm_(WindowFrames * static_cast<size_t>(std::max(music.Channels(), 1))),
      stereo_(2 * WindowFrames), end_(music.Frames())
{
}

size_t StereoWindow::ReadAt(int64_t frame, float* stereo, size_t frames)
{
    if (frame != decoded_ && !music_.Seek(frame)) {
        end_ = std::min(end_, frame);
        return 0;
    }
    decoded_ = frame;
    const size_t n = music_.Read(pcm_.data(), frames);
    StereoFloats(pcm_.data(), n, music_.Channels(), stereo);
    decoded_ += static_cast<int64_t>(n);
    if (n < frames)
        end_ = std::min(end_, decoded_);
    return n;
}

const float* StereoWindow::Pair(int64_t i)
{
    if (i < 0 || i + 1 >= end_)
        return nullptr;
    if (i >= start_ && i + 1 < start_ + count_)
        return stereo_.data() + 2 * (i - start_);
    size_t kept = 0;
    if (i >= start_ && i < start_ + count_) {
        // Only the next frame is missing: keep frame i and read on after the window.
        stereo_[0] = stereo_[2 * (i - start_)];
        stereo_[1] = stereo_[2 * (i - start_) + 1];
        kept = 1;
    } else if (decoded_ >= 0 && i > decoded_ && i - decoded_ < static_cast<int64_t>(WindowFrames)) {
        // A short step ahead is decoded through rather than sought, as a plain decode would.
        while (decoded_ < i)
            if (ReadAt(decoded_, stereo_.data(),
                       static_cast<size_t>(std::min<int64_t>(i - decoded_, WindowFrames))) == 0)
                return nullptr;
    }
    start_ = i;
    count_ = static_cast<int64_t>(kept);
    count_ +=
        static_cast<int64_t>(ReadAt(i + count_, stereo_.data() + 2 * kept, WindowFrames - kept));
    return i + 1 < start_ + count_ ? stereo_.data() : nullptr;
}

bool ResampleAlongFrames(PcmSource& music, const std::vector<double>& frameMs, double endMs,
                         double fps, const std::function<bool(const float*, size_t)>& write)
{
    if (frameMs.empty() || fps <= 0.0 || music.Rate() == 0)
        return true;
    const auto sampleRate = static_cast<double>(music.Rate());
    StereoWindow window(music);
    constexpr size_t PieceFrames = 4096;
    std::vector<float> piece(2 * PieceFrames);
    size_t filled = 0;
    const auto total =
        static_cast<size_t>(std::llround(static_cast<double>(frameMs.size()) * sampleRate / fps));
    for (size_t n = 0; n < total; ++n) {
        const double frame = static_cast<double>(n) * fps / sampleRate;
        const auto k = std::min(static_cast<size_t>(frame), frameMs.size() - 1);
        const double from = frameMs[k];
        const double to = k + 1 < frameMs.size() ? frameMs[k + 1] : endMs;
        const double ms = from + (to - from) * (frame - static_cast<double>(k));
        const double at = ms / 1000.0 * sampleRate;
        float* out = piece.data() + 2 * filled;
        out[0] = out[1] = 0.0f;
        // Silence before the music and past its end.
        if (at >= 0.0 && at < 9.0e18) {
            const auto i = static_cast<int64_t>(at);
            if (const float* pair = window.Pair(i)) {
                const auto f = static_cast<float>(at - static_cast<double>(i));
                for (int c = 0; c < 2; ++c)
                    out[c] = pair[c] * (1.0f - f) + pair[2 + c] * f;
            }
        }
        if (++filled == PieceFrames || n + 1 == total) {
            if (!write(piece.data(), 2 * filled))
                return false;
            filled = 0;
        }
    }
    return true;
}

std::vector<float> ResampleAlongFrames(PcmSource& music, const std::vector<double>& frameMs,
                                       double endMs, double fps)
{
    std::vector<float> out;
    ResampleAlongFrames(music, frameMs, endMs, fps, [&out](const float* samples, size_t n) {
        out.insert(out.end(), samples, samples + n);
        return true;
    });
    return out;
}

VideoWriter::~VideoWriter()
{
    Abort();
}

bool VideoWriter::Open(const std::string& path, int32_t width, int32_t height,
                       const VideoSettings& settings, std::string& error)
{
    Abort();
    const Codec* codec = FindCodec(settings.codec);
    if (width <= 0 || height <= 0 || settings.rate.num <= 0 || settings.rate.den <= 0 ||
        codec == nullptr) {
        error = "a video needs a size, a frame rate and a codec";
        return false;
    }
    // The pictures wait in a private folder under TMPDIR (or /tmp) until the mux.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        (tmp != nullptr && *tmp != '\0' ? std::string(tmp) : std::string("/tmp")) +
        "/quvvideo.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error = std::string("cannot make a temporary directory: ") + std::strerror(errno);
        return false;
    }
    tempDir_ = pattern;
    // NUT keeps the exact time base (1001/60000) and takes every codec as it comes, so the mux
    // at the end can copy the pictures into any container.
    pictureFile_ = tempDir_ + "/pictures.nut";
    path_ = path;
    width_ = width;
    height_ = height;
    settings_ = settings;
    musicMs_.clear();
    std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt rgba -s " +
                          std::to_string(width) + "x" + std::to_string(height) + " -r " +
                          settings.rate.Text() + " -i -";
    if (codec->evenSize)
        command += " -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2'";
    command += std::string(" -c:v ") + codec->name + QualityOptions(*codec, settings) +
               " -pix_fmt " + codec->pixelFormat + " " + ShellQuote(pictureFile_);
    // ffmpeg may go away early; a write to the pipe must then fail, not kill the renderer.
    std::signal(SIGPIPE, SIG_IGN);
    pipe_ = popen(command.c_str(), "w");
    if (pipe_ == nullptr) {
        error = "cannot start ffmpeg (is it installed?)";
        Abort();
        return false;
    }
    return true;
}

bool VideoWriter::WriteFrame(const std::vector<uint8_t>& rgba, double musicMs, std::string& error)
{
    const size_t size = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4;
    if (pipe_ == nullptr || rgba.size() != size) {
        error = pipe_ == nullptr ? "the video is not open" : "a frame has the wrong size";
        return false;
    }
    if (std::fwrite(rgba.data(), 1, size, pipe_) != size) {
        error = "ffmpeg stopped taking frames";
        return false;
    }
    musicMs_.push_back(musicMs);
    return true;
}

bool VideoWriter::Finish(PcmSource* music, double endMusicMs, std::string& warning,
                         std::string& error)
{
    if (pipe_ == nullptr) {
        error = "the video is not open";
        return false;
    }
    const int status = pclose(pipe_);
    pipe_ = nullptr;
    if (status != 0 || musicMs_.empty()) {
        error = musicMs_.empty() ? "no frames were rendered" : "ffmpeg failed to encode the frames";
        Abort();
        return false;
    }
    // The sound track: raw stereo floats at the music's rate, which the mux below reads with
    // the format spelled out.
    std::string soundInput;
    if (music != nullptr && music->Rate() > 0 && music->Frames() > 0) {
        const std::string soundFile = tempDir_ + "/sound.f32";
        if (WriteSoundTrack(soundFile, *music, musicMs_, endMusicMs, settings_.rate.Fps()))
            soundInput = " -f f32le -ar " + std::to_string(music->Rate()) + " -ac 2 -i " +
                         ShellQuote(soundFile);
        else
            warning = "cannot write the sound track; the video is silent";
    }
    partFile_ = TemporaryNameBeside(path_, error);
    if (partFile_.empty()) {
        Abort();
        return false;
    }
    const Container* container = FindContainer(path_);
    std::string command = "ffmpeg -nostdin -v error -y -i " + ShellQuote(pictureFile_);
    if (!soundInput.empty())
        command += soundInput + " -map 0:v -map 1:a " + container->sound;
    command += " -c:v copy";
    if (std::string(container->extension) == ".mp4" || std::string(container->extension) == ".mov")
        command += " -movflags +faststart";
    command += " " + ShellQuote(partFile_);
    if (std::system(command.c_str()) != 0) {
        error = "ffmpeg failed to write " + path_;
        Abort();
        return false;
    }
    const bool ok = CommitTemporaryFile(partFile_, path_, error);
    partFile_.clear();
    Abort();
    return ok;
}

void VideoWriter::Abort()
{
    if (pipe_ != nullptr) {
        pclose(pipe_);
        pipe_ = nullptr;
    }
    if (!partFile_.empty()) {
        std::remove(partFile_.c_str());
        partFile_.clear();
    }
    if (!tempDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(tempDir_, ec);
        tempDir_.clear();
    }
}

bool WriteSoundFile(const std::string& path, PcmSource& music, const std::vector<double>& frameMs,
                    double endMs, double fps, std::string& error)
{
    if (!IsSoundPath(path) || music.Rate() == 0) {
        error = "a sound file is one of " + std::string(SoundExtensions);
        return false;
    }
    char pattern[] = "/tmp/quvsound.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error = std::string("cannot make a temporary directory: ") + std::strerror(errno);
        return false;
    }
    const std::string tempDir = pattern;
    const std::string soundFile = tempDir + "/sound.f32";
    const auto sampleRate = static_cast<int32_t>(music.Rate());
    std::string part;
    bool ok = WriteSoundTrack(soundFile, music, frameMs, endMs, fps);
    if (!ok)
        error = "cannot write the sound to " + tempDir;
    if (ok)
        part = TemporaryNameBeside(path, error);
    if (ok && !part.empty()) {
        const std::string codec = Extension(path) == ".flac" ? "flac" : "pcm_s16le";
        const std::string command =
            "ffmpeg -nostdin -v error -y -f f32le -ar " + std::to_string(sampleRate) +
            " -ac 2 -i " + ShellQuote(soundFile) + " -c:a " + codec + " " + ShellQuote(part);
        ok = std::system(command.c_str()) == 0;
        if (!ok) {
            error = "ffmpeg failed to write " + path;
            std::remove(part.c_str());
        } else {
            ok = CommitTemporaryFile(part, path, error);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(tempDir, ec);
    return ok && !part.empty();
}

} // namespace quv
