#pragma once
// Where the headless renderer's frames go. The renderer (headless.cpp) draws each frame and hands
// it to one FrameSink; an output format is one sink:
//
//   PngSequenceSink   one PNG file per frame, named from a pattern (shots/%05d.png)
//   VideoSink         a video file made by ffmpeg, with the music along the demo's clock
//   NullSink          nothing: no pixels are read (--bench without --out)
//   FrameTimer        records each frame's drawing time, then passes the frame on (--bench)
//
// A sink's failure comes back as text, which the renderer prints as "quvplayer render: TEXT";
// a warning that does not stop the output (a silent video) the sink prints itself.
//
//   sink.Begin(640, 480, 30.0, expected, error);
//   for each frame: draw; sink.Frame(frame, readPixels, error);
//   sink.Finish(music position one frame after the last, error);   // or Abort() on a failure

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/videoout.h"

namespace quv {

// The frame just drawn.
struct DrawnFrame {
    long index = 0;       // counts from 0 in each run
    double musicMs = 0.0; // the music position it was drawn at
    double drawMs = 0.0;  // wall time from the start of its drawing until the GL finished it
};

// Reads the frame just drawn back from the GL: width x height RGBA, top row first. The buffer
// stays valid until the next frame.
using PixelReader = std::function<const std::vector<uint8_t>&()>;

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Before the first frame; expectedFrames is what the range should hold (a run may draw more
    // when "Music Speed" slows the clock).
    virtual bool Begin(int32_t width, int32_t height, double fps, long expectedFrames,
                       std::string& error) = 0;
    virtual bool Frame(const DrawnFrame& frame, const PixelReader& readPixels,
                       std::string& error) = 0;
    // After the last frame; endMusicMs is the music position one frame after it.
    virtual bool Finish(double endMusicMs, std::string& error) = 0;
    // Stops after a failure, removing what is unfinished.
    virtual void Abort() = 0;
};

// The sink for `render --out`: a video for the names IsVideoPath accepts (with the music from
// musicFile, looked up as the player looks it up), otherwise PNG files; an empty name writes
// nothing.
// The settings are the video's (see CheckVideoSettings).
std::unique_ptr<FrameSink> MakeOutputSink(const std::string& out, const std::string& musicFile,
                                          const VideoSettings& settings = {});

// True for the names `render --out` can write: .png files and the video containers.
bool IsOutputPath(const std::string& out);

// Writes frame k to the file the pattern names for k (see FormatFrameName); a single frame's
// name needs no number. Creates the folders on the way.
class PngSequenceSink final : public FrameSink {
public:
    explicit PngSequenceSink(std::string pattern) : pattern_(std::move(pattern)) {}
    bool Begin(int32_t width, int32_t height, double fps, long expectedFrames,
               std::string& error) override;
    bool Frame(const DrawnFrame& frame, const PixelReader& readPixels, std::string& error) override;
    bool Finish(double, std::string&) override { return true; }
    void Abort() override {}

private:
    std::string pattern_;
    std::string name_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// Pictures through VideoWriter; at the end the music file is decoded by the player's own decoder
// (Mp3Stream), a window at a time, and laid along the frames' music positions. Without readable
// music the video is written silent, with a warning.
class VideoSink final : public FrameSink {
public:
    VideoSink(std::string path, std::string musicFile, VideoSettings settings)
        : path_(std::move(path)), musicFile_(std::move(musicFile)), settings_(std::move(settings))
    {
    }
    bool Begin(int32_t width, int32_t height, double fps, long expectedFrames,
               std::string& error) override;
    bool Frame(const DrawnFrame& frame, const PixelReader& readPixels, std::string& error) override;
    bool Finish(double endMusicMs, std::string& error) override;
    void Abort() override { video_.Abort(); }

private:
    std::string path_;
    std::string musicFile_;
    VideoSettings settings_;
    VideoWriter video_;
};

class NullSink final : public FrameSink {
public:
    bool Begin(int32_t, int32_t, double, long, std::string&) override { return true; }
    bool Frame(const DrawnFrame&, const PixelReader&, std::string&) override { return true; }
    bool Finish(double, std::string&) override { return true; }
    void Abort() override {}
};

// The drawing times of a run and the resident memory after its first frame and at its end.
struct FrameTimes {
    std::vector<double> ms;
    long residentAfterFirstKb = 0;
    long residentAtEndKb = 0;
    // One line on stdout: frames per second, median, p95 and worst frame time, and the growth of
    // resident memory. Nothing when no frame was drawn.
    void Report(const char* path) const;
};

// Records the times of the frames into FrameTimes and passes them on to another sink.
class FrameTimer final : public FrameSink {
public:
    FrameTimer(FrameSink& next, FrameTimes& times) : next_(next), times_(times) {}
    bool Begin(int32_t width, int32_t height, double fps, long expectedFrames,
               std::string& error) override;
    bool Frame(const DrawnFrame& frame, const PixelReader& readPixels, std::string& error) override;
    bool Finish(double endMusicMs, std::string& error) override;
    void Abort() override { next_.Abort(); }

private:
    FrameSink& next_;
    FrameTimes& times_;
};

// Box-filters a frame drawn at factor times the size down to width x height (RGBA, rows in the
// same order): each output pixel is the rounded mean of its factor x factor block.
void Downsample(const std::vector<uint8_t>& large, int32_t width, int32_t height, int factor,
                std::vector<uint8_t>& out);

// Expands the one frame-number conversion (%d, %5d or %05d) of an output pattern; "%%" is a
// percent sign. Returns false when the pattern has more than one conversion or anything else
// after a '%'; numbered tells whether it had one.
bool FormatFrameName(const std::string& pattern, long frame, std::string& name, bool& numbered);

} // namespace quv
