// The music through the audio device: OpenAL Soft plays the PCM that libmpg123 decodes as the
// music goes. The same decoder gives the renderer its music length and the rendered video its
// sound track.
//
//   Audio device    MusicInit, MusicLoad (the stream, or a silent clock with one warning)
//   MP3 decoding    MemoryPcm, Mp3Stream, ProbeMp3 (gapless: the encoder's delay and padding
//                   trimmed; exact seeks)
//   Smoothing       SmoothedPosition, a steady position between the mixer's updates
//   OpenAL stream   OpenAlStream, MusicFree

#include "platform/DemoBass.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "engine/files.h"
#include "engine/message.h"
#include "engine/numeric.h"

namespace quv {

// ---------------------------------------------------------------------------------------------
// Audio device

namespace {

ALCdevice* device = nullptr;
ALCcontext* context = nullptr;
LPALGETSOURCEI64VSOFT getSourcei64v = nullptr;

void CloseDevice()
{
    if (context != nullptr) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        context = nullptr;
    }
    if (device != nullptr) {
        alcCloseDevice(device);
        device = nullptr;
    }
    getSourcei64v = nullptr;
}

void Warn(const std::string& text)
{
    PrintMessage("quvplayer", "warning: " + text, MessageIcon::Exclamation);
}

} // namespace

bool MusicInit()
{
    if (context != nullptr)
        return true;
    device = alcOpenDevice(nullptr);
    if (device == nullptr)
        return false;
    context = alcCreateContext(device, nullptr);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        CloseDevice();
        return false;
    }
    if (alIsExtensionPresent("AL_SOFT_source_latency"))
        getSourcei64v =
            reinterpret_cast<LPALGETSOURCEI64VSOFT>(alGetProcAddress("alGetSourcei64vSOFT"));
    return true;
}

void MusicLoad(const std::string& fileName, double fallbackLengthMs)
{
    const std::optional<std::string> path = ResolveDemoPath(fileName);
    const double fallbackSeconds = fallbackLengthMs > 0.0 ? fallbackLengthMs / 1000.0 : 0.0;
    if (!path) {
        Warn("cannot open the music file " + fileName + "; playing without sound");
        MusicSetBackend(std::make_unique<SilentClock>(44100, fallbackSeconds));
        return;
    }
    if (context == nullptr) {
        Warn("no audio device; playing without sound");
        const std::optional<Mp3Info> info = ProbeMp3(*path);
        if (info)
            MusicSetBackend(std::make_unique<SilentClock>(info->rate, info->lengthSeconds));
        else
            MusicSetBackend(std::make_unique<SilentClock>(44100, fallbackSeconds));
        return;
    }
    std::string error;
    std::unique_ptr<Mp3Stream> music = Mp3Stream::Open(*path, &error);
    if (!music) {
        Warn("cannot read the music file " + fileName + " (" + error + "); playing without sound");
        MusicSetBackend(std::make_unique<SilentClock>(44100, fallbackSeconds));
        return;
    }
    const uint32_t rate = music->Rate();
    const double length = static_cast<double>(music->Frames()) / rate;
    std::unique_ptr<OpenAlStream> stream = OpenAlStream::Create(std::move(music), &error);
    if (!stream) {
        Warn("cannot play the music (" + error + "); playing without sound");
        MusicSetBackend(std::make_unique<SilentClock>(rate, length));
        return;
    }
    MusicSetBackend(std::move(stream));
}

// ---------------------------------------------------------------------------------------------
// MP3 decoding

bool MemoryPcm::Seek(int64_t frame)
{
    if (frame < 0 || frame > Frames())
        return false;
    at_ = frame;
    return true;
}

size_t MemoryPcm::Read(int16_t* out, size_t frames)
{
    const auto n =
        static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(frames), Frames() - at_));
    const auto channels = static_cast<size_t>(channels_);
    std::copy_n(samples_.data() + static_cast<size_t>(at_) * channels, n * channels, out);
    at_ += static_cast<int64_t>(n);
    return n;
}

void Mp3Stream::Close()
{
    if (open_)
        mpg123_close(handle_);
    if (handle_ != nullptr)
        mpg123_delete(handle_);
    handle_ = nullptr;
    open_ = false;
}

// A fresh decoder on the file at frame 0, its output fixed to signed 16 bits at the stream's
// own rate.
bool Mp3Stream::Start(std::string* error)
{
    std::string ignored;
    std::string& why = error != nullptr ? *error : ignored;
    Close();
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (handle_ == nullptr) {
        why = mpg123_plain_strerror(err);
        return false;
    }
    mpg123_param(handle_, gapless_ ? MPG123_ADD_FLAGS : MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(handle_, path_.c_str()) != MPG123_OK) {
        why = mpg123_strerror(handle_);
        return false;
    }
    open_ = true;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels < 1 || channels > 2) {
        why = "no MPEG audio frames";
        return false;
    }
    mpg123_format_none(handle_);
    if (mpg123_format(handle_, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK) {
        why = mpg123_strerror(handle_);
        return false;
    }
    if (rate_ != 0 && (static_cast<uint32_t>(rate) != rate_ || channels != channels_)) {
        why = "the file changed while it was read";
        return false;
    }
    rate_ = static_cast<uint32_t>(rate);
    channels_ = channels;
    at_ = 0;
    done_ = false;
    return true;
}

std::unique_ptr<Mp3Stream> Mp3Stream::Open(const std::string& path, std::string* error)
{
    std::string ignored;
    std::string& why = error != nullptr ? *error : ignored;
    std::unique_ptr<Mp3Stream> s(new Mp3Stream());
    s->path_ = path;
    if (!s->Start(&why))
        return nullptr;
    mpg123_handle* h = s->handle_;
    // The scan counts the frames that are there (a header's frame count is only a claim) and
    // indexes their positions; it reads the file once and keeps nothing of the audio. A header
    // that claims more frames than there are loses its gapless trimming in the scan, and the
    // decoders started for seeks then go without it too, so that all count samples alike.
    const off_t claimed = mpg123_framelength(h);
    if (mpg123_scan(h) != MPG123_OK) {
        why = mpg123_strerror(h);
        return nullptr;
    }
    s->gapless_ = !(claimed > mpg123_framelength(h));
    const off_t frames = mpg123_length(h);
    if (frames <= 0) {
        why = "no audio in the file";
        return nullptr;
    }
    s->frames_ = static_cast<int64_t>(frames);
    off_t* offsets = nullptr;
    off_t step = 0;
    size_t fill = 0;
    if (mpg123_index(h, &offsets, &step, &fill) == MPG123_OK && offsets != nullptr) {
        s->index_.assign(offsets, offsets + fill);
        s->indexStep_ = static_cast<int64_t>(step);
    }
    return s;
}

Mp3Stream::~Mp3Stream()
{
    Close();
}

namespace {

// Layer III frames may take their data from up to a few frames before them (the bit reservoir,
// deepest at low bit rates) and need the previous frame's overlap: after a seek at least this
// many frames before the target are decoded and dropped.
constexpr long SeekPreroll = 8;

} // namespace

bool Mp3Stream::Seek(int64_t frame)
{
    if (frame < 0 || frame > frames_)
        return false;
    // The synthesis filter's rounding depends on where its ring of past samples stands, which a
    // seek does not reset and which cycles every two MPEG-1 frames. A decode from the start
    // begins with a fresh decoder on frame 0, so a seek starts a fresh decoder too, positioned
    // by the scan's index, and begins its preroll on an even frame: it then gives the very
    // samples a decode from the start gives. (MPEG-2 and 2.5 streams, below 32 kHz, keep state
    // this does not reach: there a rare sample may differ from a plain decode by one step of
    // the 16 bits, some 110 dB below the music. The position is exact all the same.)
    if (!Start(nullptr))
        return false;
    if (!index_.empty()) {
        std::vector<off_t> offsets(index_.begin(), index_.end());
        mpg123_set_index(handle_, offsets.data(), static_cast<off_t>(indexStep_), offsets.size());
    }
    const auto seek = [this, frame](long preroll) {
        mpg123_seek(handle_, 0, SEEK_SET); // a seek to where it stands keeps the old preroll
        mpg123_param(handle_, MPG123_PREFRAMES, preroll, 0.0);
        return mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) ==
               static_cast<off_t>(frame);
    };
    if (!seek(SeekPreroll))
        return false;
    const off_t target = mpg123_tellframe(handle_);
    if (mpg123_spf(handle_) == 1152 && target > SeekPreroll && (target - SeekPreroll) % 2 != 0 &&
        !seek(SeekPreroll + 1))
        return false;
    at_ = frame;
    return true;
}

size_t Mp3Stream::Read(int16_t* out, size_t frames)
{
    if (!open_)
        return 0;
    // A decoder started for a seek has no scan and may not know where the music ends.
    frames = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(frames), frames_ - at_));
    const size_t frameBytes = sizeof(int16_t) * static_cast<size_t>(channels_);
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    size_t got = 0; // bytes
    while (!done_ && got < frames * frameBytes) {
        size_t done = 0;
        const int result = mpg123_read(handle_, bytes + got, frames * frameBytes - got, &done);
        got += done;
        if (result == MPG123_OK || result == MPG123_NEW_FORMAT)
            continue;
        // The end, or a damaged frame that ends the music there.
        done_ = true;
    }
    at_ += static_cast<int64_t>(got / frameBytes);
    return got / frameBytes;
}

std::optional<Mp3Info> ProbeMp3(const std::string& path)
{
    const std::unique_ptr<Mp3Stream> music = Mp3Stream::Open(path, nullptr);
    if (!music)
        return std::nullopt;
    return Mp3Info{music->Rate(), static_cast<double>(music->Frames()) / music->Rate()};
}

// ---------------------------------------------------------------------------------------------
// Smoothing

namespace {
// A reading this far from the prediction is a jump (a stall or a seek landing), taken at once.
constexpr double JumpSeconds = 0.1;
// Share of the prediction error corrected per reading: small, so that each correction is a
// fraction of a millisecond while drift between the two clocks is still followed.
constexpr double CorrectionGain = 0.1;
// After a seek or a resume the mixer may report the old position for a period or two.
constexpr double SettleSeconds = 0.2;
} // namespace

void SmoothedPosition::Reset(double position, double now)
{
    anchorPos_ = position;
    anchorTime_ = now;
    out_ = position;
    settleUntil_ = now + SettleSeconds;
}

void SmoothedPosition::SetRatio(double ratio, double now)
{
    if (ratio == ratio_)
        return;
    anchorPos_ = paused_ ? out_ : std::max(Predict(now), out_);
    anchorTime_ = now;
    ratio_ = ratio;
}

void SmoothedPosition::SetPaused(bool paused, double now)
{
    if (paused == paused_)
        return;
    if (paused) {
        out_ = std::max(Predict(now), out_);
    } else {
        anchorPos_ = out_;
        anchorTime_ = now;
        settleUntil_ = now + SettleSeconds;
    }
    paused_ = paused;
}

double SmoothedPosition::Update(double raw, double now)
{
    if (paused_)
        return out_;
    double predicted = Predict(now);
    if (raw != lastRaw_) {
        lastRaw_ = raw;
        const double err = raw - predicted;
        if (std::fabs(err) > JumpSeconds) {
            if (now >= settleUntil_) {
                anchorPos_ = raw;
                anchorTime_ = now;
                predicted = raw;
            }
        } else {
            anchorPos_ = predicted + err * CorrectionGain;
            anchorTime_ = now;
            predicted = anchorPos_;
        }
    }
    out_ = std::max(predicted, out_);
    return out_;
}

// ---------------------------------------------------------------------------------------------
// OpenAL stream

std::unique_ptr<OpenAlStream> OpenAlStream::Create(std::unique_ptr<PcmSource> music,
                                                   std::string* error)
{
    std::string ignored;
    std::string& why = error != nullptr ? *error : ignored;
    if (context == nullptr) {
        why = "no audio device";
        return nullptr;
    }
    if (music == nullptr || music->Rate() == 0 || music->Frames() <= 0 ||
        music->Rate() > static_cast<uint32_t>(INT32_MAX)) {
        why = "no usable audio";
        return nullptr;
    }
    std::unique_ptr<OpenAlStream> s(new OpenAlStream());
    alGetError();
    alGenBuffers(BufferCount, s->buffers_);
    alGenSources(1, &s->source_);
    if (const ALenum e = alGetError(); e != AL_NO_ERROR) {
        why = std::string("OpenAL error ") + alGetString(e);
        return nullptr;
    }
    alSourcei(s->source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(s->source_, AL_POSITION, 0.0f, 0.0f, 0.0f);
    std::copy_n(s->buffers_, BufferCount, s->free_);
    s->freeCount_ = BufferCount;
    s->format_ = music->Channels() == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    s->chunk_.resize(BufferFrames * static_cast<size_t>(music->Channels()));
    s->baseRate_ = music->Rate();
    s->rate_ = music->Rate();
    s->length_ = static_cast<double>(music->Frames()) / music->Rate();
    s->music_ = std::move(music);
    {
        const std::lock_guard<std::mutex> hold(s->lock_);
        s->Restart(0);
        if (const ALenum e = alGetError(); e != AL_NO_ERROR) {
            why = std::string("OpenAL error ") + alGetString(e);
            return nullptr;
        }
    }
    OpenAlStream* self = s.get();
    s->feeder_ = std::thread([self] {
        std::unique_lock<std::mutex> hold(self->lock_);
        while (!self->quit_) {
            self->Feed();
            self->wake_.wait_for(hold, std::chrono::milliseconds(20));
        }
    });
    return s;
}

OpenAlStream::~OpenAlStream()
{
    if (feeder_.joinable()) {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            quit_ = true;
        }
        wake_.notify_all();
        feeder_.join();
    }
    if (context == nullptr)
        return;
    if (source_ != 0) {
        alSourceStop(source_);
        alDeleteSources(1, &source_); // which unqueues its buffers
    }
    alDeleteBuffers(BufferCount, buffers_);
}

void OpenAlStream::Feed()
{
    // Buffers the mixer has finished go back to the free list; the queue's head moves on.
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0 && count_ > 0; --processed) {
        ALuint name = 0;
        alSourceUnqueueBuffers(source_, 1, &name);
        queueStart_ += queuedFrames_[head_];
        free_[freeCount_++] = name;
        head_ = (head_ + 1) % BufferCount;
        --count_;
    }
    while (freeCount_ > 0 && !drained_) {
        const size_t n = music_->Read(chunk_.data(), BufferFrames);
        if (n < BufferFrames)
            drained_ = true;
        if (n == 0)
            break;
        const ALuint name = free_[--freeCount_];
        alBufferData(
            name, format_, chunk_.data(),
            static_cast<ALsizei>(n * static_cast<size_t>(music_->Channels()) * sizeof(int16_t)),
            static_cast<ALsizei>(baseRate_));
        alSourceQueueBuffers(source_, 1, &name);
        const int tail = (head_ + count_) % BufferCount;
        queued_[tail] = name;
        queuedFrames_[tail] = static_cast<int64_t>(n);
        ++count_;
    }
    if (!started_ || paused_ || ended_)
        return;
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state != AL_STOPPED)
        return;
    // Stopped with music still to come is a stall of this thread: play on from where it stopped.
    // Stopped with the decoder drained and the queue played out is the end.
    if (count_ > 0)
        alSourcePlay(source_);
    else if (drained_)
        ended_ = true;
}

void OpenAlStream::Restart(int64_t frame)
{
    alSourceStop(source_);
    alSourceRewind(source_);
    alSourcei(source_, AL_BUFFER, 0); // unqueues every buffer
    for (int i = 0; i < count_; ++i)
        free_[freeCount_++] = queued_[(head_ + i) % BufferCount];
    head_ = 0;
    count_ = 0;
    drained_ = !music_->Seek(frame);
    queueStart_ = frame;
    ended_ = false;
    Feed();
    if (started_ && !paused_)
        alSourcePlay(source_);
}

void OpenAlStream::Play()
{
    const std::lock_guard<std::mutex> hold(lock_);
    started_ = true;
    paused_ = false;
    Restart(0);
    clock_.SetPaused(false, SteadySeconds());
    clock_.Reset(0.0, SteadySeconds());
}

void OpenAlStream::SetRate(uint32_t hz)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (hz == rate_ || hz == 0)
        return;
    rate_ = hz;
    const double ratio = static_cast<double>(hz) / baseRate_;
    alSourcef(source_, AL_PITCH, static_cast<ALfloat>(ratio));
    clock_.SetRatio(ratio, SteadySeconds());
}

bool OpenAlStream::Stopped()
{
    if (started_ && !ended_)
        Feed();
    return ended_;
}

double OpenAlStream::HeardSecondsLocked()
{
    const double pitch = static_cast<double>(rate_) / baseRate_;
    double seconds = 0.0;
    if (getSourcei64v != nullptr) {
        ALint64SOFT values[2] = {0, 0};
        getSourcei64v(source_, AL_SAMPLE_OFFSET_LATENCY_SOFT, values);
        const double frames =
            static_cast<double>(queueStart_) + static_cast<double>(values[0]) / 4294967296.0;
        seconds = frames / baseRate_ - static_cast<double>(values[1]) * 1e-9 * pitch;
    } else {
        ALint offset = 0;
        alGetSourcei(source_, AL_SAMPLE_OFFSET, &offset);
        seconds = static_cast<double>(queueStart_ + offset) / baseRate_;
    }
    return std::clamp(seconds, 0.0, length_);
}

double OpenAlStream::HeardSeconds()
{
    const std::lock_guard<std::mutex> hold(lock_);
    return HeardSecondsLocked();
}

double OpenAlStream::PositionSeconds()
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (Stopped())
        return length_;
    if (!started_)
        return clock_.Last();
    const double now = SteadySeconds();
    return std::min(clock_.Update(HeardSecondsLocked(), now), length_);
}

void OpenAlStream::SetPositionSeconds(double seconds)
{
    const std::lock_guard<std::mutex> hold(lock_);
    // Out of range is refused and the position stays, as a byte position past the end would be.
    if (!(seconds >= 0.0) || seconds >= length_)
        return;
    const auto frame = std::min(static_cast<int64_t>(seconds * baseRate_), music_->Frames());
    Restart(frame);
    clock_.Reset(seconds, SteadySeconds());
}

bool OpenAlStream::Ended()
{
    const std::lock_guard<std::mutex> hold(lock_);
    return Stopped();
}

void OpenAlStream::SetPaused(bool paused)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (!started_ || paused == paused_ || Stopped())
        return;
    paused_ = paused;
    if (paused)
        alSourcePause(source_);
    else
        alSourcePlay(source_);
    clock_.SetPaused(paused, SteadySeconds());
}

void MusicFree()
{
    MusicSetBackend(nullptr);
    CloseDevice();
}

} // namespace quv
