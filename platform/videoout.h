#pragma once
// Video output of headless renders through the ffmpeg command-line tool. Frames go down a pipe
// to ffmpeg as raw RGBA and are encoded into a temporary file; the music, decoded by the
// player's decoder (Mp3Stream) a window at a time, is muxed in at the end, resampled so that it
// follows the demo
// clock frame by frame: when "Music Speed" slows the music, the sound track slows (and drops in
// pitch) with it, as the player's audio does. The finished file is written beside the target
// under a temporary name and renamed over it (see engine/atomicfile.h).
//
//   VideoSettings settings;                       // 30 fps, the container's codecs
//   CheckVideoSettings("showcase.mp4", 640, 480, settings, note, error);
//   VideoWriter video;
//   video.Open("showcase.mp4", 640, 480, settings, error);
//   for each frame: draw at music position ms; video.WriteFrame(pixels, ms, error);
//   video.Finish(&music, ms after the last frame, warning, error);  // music: a PcmSource
//
// Containers and their codecs (video, sound); --codec picks another video encoder that the
// container takes and the installed ffmpeg has:
//   .mp4 .mov .mkv   libx264 (H.264), AAC
//   .webm            libvpx-vp9 (VP9), Opus
//   .avi             mpeg4 (MPEG-4 Visual), 16-bit PCM (MP3 in AVI carries no gapless length)

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quv {

class PcmSource;

// A frame rate as a fraction, so that 60000/1001 reaches the container exactly.
struct FrameRate {
    int64_t num = 30;
    int64_t den = 1;
    double Fps() const { return static_cast<double>(num) / static_cast<double>(den); }
    // "30", "60000/1001": the form ffmpeg's -r takes.
    std::string Text() const;
};

// Reads "N", "N.M" (exactly: 29.97 is 2997/100) or "NUM/DEN"; the rate must lie above 0 and up
// to 1000 frames per second.
bool ParseFrameRate(const std::string& text, FrameRate& rate);

// How a video is encoded.
struct VideoSettings {
    FrameRate rate;
    std::string codec;      // the video encoder; empty: the container's default
    std::optional<int> crf; // constant quality, the encoder's own scale
    std::string preset;     // speed/size trade-off of the encoders that have presets
};

// True for the video containers listed above, by extension, in any case.
bool IsVideoPath(const std::string& path);

// The extensions `render --out` and `--audio-only` accept, for messages.
inline constexpr const char* VideoExtensions = ".mp4, .mkv, .mov, .webm, .avi";
inline constexpr const char* SoundExtensions = ".wav, .flac";
bool IsSoundPath(const std::string& path);

// Fills in the container's default codec and checks the settings against the container, the
// encoder (its quality scale and presets) and, for a codec asked for, the installed ffmpeg.
// error says what is wrong and what would do; note is set when the size must be padded to
// even numbers for the encoder's pixel format.
bool CheckVideoSettings(const std::string& path, int32_t width, int32_t height,
                        VideoSettings& settings, std::string& note, std::string& error);

// The video encoders of the installed ffmpeg (`ffmpeg -encoders`); empty when it cannot be run.
std::vector<std::string> InstalledVideoEncoders();

class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Starts ffmpeg writing the pictures to a temporary file; the output appears at Finish.
    // The settings have been through CheckVideoSettings.
    bool Open(const std::string& path, int32_t width, int32_t height, const VideoSettings& settings,
              std::string& error);
    // One frame (width x height RGBA, top row first) drawn at the music position musicMs.
    bool WriteFrame(const std::vector<uint8_t>& rgba, double musicMs, std::string& error);
    // Ends the picture stream and writes the output file: the pictures with the music resampled
    // along the frames' music positions (endMusicMs is the position one frame after the last)
    // at the music's own sample rate, in stereo. With no music (nullptr) the video is silent;
    // when the sound track cannot be written it is silent too and warning says why. error is
    // set only when no video could be written; an existing file of the name is then untouched.
    bool Finish(PcmSource* music, double endMusicMs, std::string& warning, std::string& error);
    // Stops ffmpeg and removes the temporary files without writing the output.
    void Abort();

    size_t FrameCount() const { return musicMs_.size(); }

private:
    std::string path_;
    std::string pictureFile_;
    std::string tempDir_;
    std::string partFile_; // the output under its temporary name, while the mux writes it
    int32_t width_ = 0;
    int32_t height_ = 0;
    VideoSettings settings_;
    std::FILE* pipe_ = nullptr;
    std::vector<double> musicMs_;
};

// Writes the music as the frames' clock plays it (see ResampleAlongFrames) to a .wav (16-bit
// PCM) or .flac file, atomically.
bool WriteSoundFile(const std::string& path, PcmSource& music, const std::vector<double>& frameMs,
                    double endMs, double fps, std::string& error);

// 16-bit PCM frames as interleaved stereo floats in [-1, 1) (a mono channel goes to both sides);
// stereo has room for 2 * frames floats.
void StereoFloats(const int16_t* samples, size_t frames, int channels, float* stereo);

// The music as stereo floats by frame index, decoded a window at a time: reads that move forward
// decode on, as a decode from the start would; a read behind the window or far ahead seeks.
class StereoWindow {
public:
    static constexpr size_t WindowFrames = 16384;
    explicit StereoWindow(PcmSource& music);
    // Frames i and i + 1 as {left, right, left, right}; nullptr unless both lie in the music.
    const float* Pair(int64_t i);

private:
    size_t ReadAt(int64_t frame, float* stereo, size_t frames);
    PcmSource& music_;
    std::vector<int16_t> pcm_;
    std::vector<float> stereo_;
    int64_t start_ = 0;    // the first frame in the window
    int64_t count_ = 0;    // frames in the window
    int64_t decoded_ = -1; // where the decoder stands; -1: not known yet
    int64_t end_;          // frames in the music, as far as known
};

// The sound for a sequence of frames: the music read along the frames' music positions at its
// own rate, frame k covering 1/fps seconds from frameMs[k] to frameMs[k + 1] (endMs after the
// last), with linear interpolation between samples; silence before and past the music. The
// interleaved stereo floats go to write in pieces; false when write refuses one.
bool ResampleAlongFrames(PcmSource& music, const std::vector<double>& frameMs, double endMs,
                         double fps, const std::function<bool(const float*, size_t)>& write);
// The same, all of it in memory (for short ranges and tests).
std::vector<float> ResampleAlongFrames(PcmSource& music, const std::vector<double>& frameMs,
                                       double endMs, double fps);

} // namespace quv
