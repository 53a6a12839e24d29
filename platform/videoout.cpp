#include "platform/videoout.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

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

// The sound track as raw 32-bit float samples, the form ffmpeg takes with "-f f32le".
static_assert(std::endian::native == std::endian::little, "f32le is written from memory as is");
bool WriteFloats(const std::string& path, const std::vector<float>& samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(float)));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

bool IsVideoPath(const std::string& path)
{
    const std::string ext = Lower(std::filesystem::path(path).extension().string());
    return ext == ".mp4" || ext == ".mkv" || ext == ".mov" || ext == ".webm" || ext == ".avi";
}

std::vector<float> StereoFloats(const DecodedMusic& music)
{
    std::vector<float> stereo(music.Frames() * 2);
    const int channels = music.channels;
    for (size_t i = 0; i < music.Frames(); ++i) {
        const int16_t* frame = music.samples.data() + i * static_cast<size_t>(channels);
        stereo[2 * i] = static_cast<float>(frame[0]) / 32768.0f;
        stereo[2 * i + 1] = static_cast<float>(frame[channels - 1]) / 32768.0f;
    }
    return stereo;
}

std::vector<float> ResampleAlongFrames(const std::vector<float>& music, int32_t sampleRate,
                                       const std::vector<double>& frameMs, double endMs, double fps)
{
    std::vector<float> out;
    if (frameMs.empty() || fps <= 0.0)
        return out;
    const size_t musicFrames = music.size() / 2;
    const auto total = static_cast<size_t>(std::llround(frameMs.size() * sampleRate / fps));
    out.resize(total * 2, 0.0f);
    for (size_t n = 0; n < total; ++n) {
        const double frame = static_cast<double>(n) * fps / sampleRate;
        const auto k = std::min(static_cast<size_t>(frame), frameMs.size() - 1);
        const double from = frameMs[k];
        const double to = k + 1 < frameMs.size() ? frameMs[k + 1] : endMs;
        const double ms = from + (to - from) * (frame - static_cast<double>(k));
        const double at = ms / 1000.0 * sampleRate;
        if (!(at >= 0.0))
            continue;
        const auto i = static_cast<size_t>(at);
        if (i + 1 >= musicFrames)
            continue;
        const auto f = static_cast<float>(at - static_cast<double>(i));
        for (int c = 0; c < 2; ++c)
            out[2 * n + c] = music[2 * i + c] * (1.0f - f) + music[2 * (i + 1) + c] * f;
    }
    return out;
}

VideoWriter::~VideoWriter()
{
    Abort();
}

bool VideoWriter::Open(const std::string& path, int32_t width, int32_t height, double fps,
                       std::string& error)
{
    Abort();
    if (width <= 0 || height <= 0 || !(fps > 0.0)) {
        error = "a video needs a size and a frame rate";
        return false;
    }
    char pattern[] = "/tmp/quvvideo.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error = std::string("cannot make a temporary directory: ") + std::strerror(errno);
        return false;
    }
    tempDir_ = pattern;
    pictureFile_ = tempDir_ + "/pictures.mkv";
    path_ = path;
    width_ = width;
    height_ = height;
    fps_ = fps;
    musicMs_.clear();
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.6g", fps);
    // H.264 in a temporary file; the final mux copies it.
    const std::string command =
        "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt rgba -s " + std::to_string(width) + "x" +
        std::to_string(height) + " -r " + rate +
        " -i - -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' -c:v libx264 -preset veryfast -crf 23 "
        "-pix_fmt yuv420p " +
        ShellQuote(pictureFile_);
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

bool VideoWriter::Finish(const DecodedMusic* music, double endMusicMs, std::string& warning,
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
    if (music != nullptr && music->rate > 0 && music->Frames() > 0) {
        const std::string soundFile = tempDir_ + "/sound.f32";
        const auto sampleRate = static_cast<int32_t>(music->rate);
        if (WriteFloats(soundFile, ResampleAlongFrames(StereoFloats(*music), sampleRate, musicMs_,
                                                       endMusicMs, fps_)))
            soundInput = " -f f32le -ar " + std::to_string(sampleRate) + " -ac 2 -i " +
                         ShellQuote(soundFile);
        else
            warning = "cannot write the sound track; the video is silent";
    }
    std::string command = "ffmpeg -nostdin -v error -y -i " + ShellQuote(pictureFile_);
    if (!soundInput.empty())
        command += soundInput + " -map 0:v -map 1:a -c:a aac -b:a 192k";
    command += " -c:v copy";
    const std::string ext = Lower(std::filesystem::path(path_).extension().string());
    if (ext == ".webm") // WebM takes neither H.264 nor AAC
        command = "ffmpeg -nostdin -v error -y -i " + ShellQuote(pictureFile_) +
                  (soundInput.empty() ? "" : soundInput + " -map 0:v -map 1:a") +
                  " -c:v libvpx-vp9 -b:v 0 -crf 32 -c:a libopus";
    if (ext == ".mp4" || ext == ".mov")
        command += " -movflags +faststart";
    command.append(" ").append(ShellQuote(path_));
    const bool ok = std::system(command.c_str()) == 0;
    if (!ok)
        error = "ffmpeg failed to write " + path_;
    Abort();
    return ok;
}

void VideoWriter::Abort()
{
    if (pipe_ != nullptr) {
        pclose(pipe_);
        pipe_ = nullptr;
    }
    if (!tempDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(tempDir_, ec);
        tempDir_.clear();
    }
}

} // namespace quv
