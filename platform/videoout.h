#pragma once
// Video output of headless renders through the ffmpeg command-line tool. Frames go down a pipe
// to ffmpeg as raw RGBA; the music, decoded by the player's decoder (DecodeMp3), is muxed in at
// the end, resampled so that it follows the demo clock frame by frame: when "Music Speed" slows
// the music, the sound track slows (and drops in pitch) with it, as the player's audio does.
//
//   VideoWriter video;
//   video.Open("showcase.mp4", 640, 480, 30, error);
//   for each frame: draw at music position ms; video.WriteFrame(pixels, ms, error);
//   video.Finish(&music, ms after the last frame, warning, error);

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quv {

struct DecodedMusic;

// True for the file names the renderer hands to VideoWriter (.mp4, .mkv, .mov, .webm, .avi).
bool IsVideoPath(const std::string& path);

class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Starts ffmpeg writing the pictures to a temporary file; the output appears at Finish.
    bool Open(const std::string& path, int32_t width, int32_t height, double fps,
              std::string& error);
    // One frame (width x height RGBA, top row first) drawn at the music position musicMs.
    bool WriteFrame(const std::vector<uint8_t>& rgba, double musicMs, std::string& error);
    // Ends the picture stream and writes the output file: the pictures with the music resampled
    // along the frames' music positions (endMusicMs is the position one frame after the last)
    // at the music's own sample rate, in stereo. With no music (nullptr) the video is silent;
    // when the sound track cannot be written it is silent too and warning says why. error is
    // set only when no video could be written.
    bool Finish(const DecodedMusic* music, double endMusicMs, std::string& warning,
                std::string& error);
    // Stops ffmpeg and removes the temporary files without writing the output.
    void Abort();

    size_t FrameCount() const { return musicMs_.size(); }

private:
    std::string path_;
    std::string pictureFile_;
    std::string tempDir_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    double fps_ = 0.0;
    std::FILE* pipe_ = nullptr;
    std::vector<double> musicMs_;
};

// Decoded PCM as interleaved stereo floats in [-1, 1) (a mono channel goes to both sides).
std::vector<float> StereoFloats(const DecodedMusic& music);

// The sound for a sequence of frames: music (interleaved stereo at sampleRate) read along the
// frames' music positions, frame k covering 1/fps seconds from frameMs[k] to frameMs[k + 1]
// (endMs after the last), with linear interpolation between samples. Silence past the music.
std::vector<float> ResampleAlongFrames(const std::vector<float>& music, int32_t sampleRate,
                                       const std::vector<double>& frameMs, double endMs,
                                       double fps);

} // namespace quv
