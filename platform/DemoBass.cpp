// The music through the audio device: OpenAL Soft plays the PCM that libmpg123 decoded. The
// same decoder gives the renderer its music length and the rendered video its sound track.
//
//   Audio device    MusicInit, MusicLoad (the stream, or a silent clock with one warning)
//   MP3 decoding    DecodeMp3, ProbeMp3 (gapless: the encoder's delay and padding trimmed)
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
    std::optional<DecodedMusic> music = DecodeMp3(*path, &error);
    if (!music) {
        Warn("cannot read the music file " + fileName + " (" + error + "); playing without sound");
        MusicSetBackend(std::make_unique<SilentClock>(44100, fallbackSeconds));
        return;
    }
    std::unique_ptr<OpenAlStream> stream = OpenAlStream::Create(*music, &error);
    if (!stream) {
        Warn("cannot play the music (" + error + "); playing without sound");
        MusicSetBackend(std::make_unique<SilentClock>(
            music->rate, static_cast<double>(music->Frames()) / music->rate));
        return;
    }
    MusicSetBackend(std::move(stream));
}

// ---------------------------------------------------------------------------------------------
// MP3 decoding

namespace {

struct Mpg123Handle {
    mpg123_handle* h = nullptr;
    bool open = false;
    ~Mpg123Handle()
    {
        if (open)
            mpg123_close(h);
        if (h != nullptr)
            mpg123_delete(h);
    }
};

// Opens the file and fixes the output to signed 16 bits at the stream's own rate.
bool OpenMp3(Mpg123Handle& m, const std::string& path, long* rate, int* channels,
             std::string* error)
{
    int err = MPG123_OK;
    m.h = mpg123_new(nullptr, &err);
    if (m.h == nullptr) {
        *error = mpg123_plain_strerror(err);
        return false;
    }
    mpg123_param(m.h, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    if (mpg123_open(m.h, path.c_str()) != MPG123_OK) {
        *error = mpg123_strerror(m.h);
        return false;
    }
    m.open = true;
    int encoding = 0;
    if (mpg123_getformat(m.h, rate, channels, &encoding) != MPG123_OK || *rate <= 0 ||
        *channels < 1 || *channels > 2) {
        *error = "no MPEG audio frames";
        return false;
    }
    mpg123_format_none(m.h);
    if (mpg123_format(m.h, *rate, *channels, MPG123_ENC_SIGNED_16) != MPG123_OK) {
        *error = mpg123_strerror(m.h);
        return false;
    }
    return true;
}

} // namespace

std::optional<DecodedMusic> DecodeMp3(const std::string& path, std::string* error)
{
    std::string ignored;
    std::string& why = error != nullptr ? *error : ignored;
    Mpg123Handle m;
    long rate = 0;
    int channels = 0;
    if (!OpenMp3(m, path, &rate, &channels, &why))
        return std::nullopt;
    DecodedMusic music;
    music.rate = static_cast<uint32_t>(rate);
    music.channels = channels;
    const off_t frames = mpg123_length(m.h);
    if (frames > 0)
        music.samples.reserve(static_cast<size_t>(frames) * channels);
    std::vector<unsigned char> chunk(64 * 1024);
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(m.h, chunk.data(), chunk.size(), &done);
        const size_t count = done / sizeof(int16_t);
        const size_t at = music.samples.size();
        music.samples.resize(at + count);
        std::memcpy(music.samples.data() + at, chunk.data(), count * sizeof(int16_t));
        if (result == MPG123_DONE)
            break;
        if (result == MPG123_NEW_FORMAT || result == MPG123_OK)
            continue;
        // A damaged frame late in the file ends the music there, as a player would.
        if (music.samples.empty()) {
            why = mpg123_strerror(m.h);
            return std::nullopt;
        }
        break;
    }
    music.samples.resize(music.Frames() * channels);
    if (music.samples.empty()) {
        why = "no audio in the file";
        return std::nullopt;
    }
    return music;
}

std::optional<Mp3Info> ProbeMp3(const std::string& path)
{
    Mpg123Handle m;
    long rate = 0;
    int channels = 0;
    std::string error;
    if (!OpenMp3(m, path, &rate, &channels, &error))
        return std::nullopt;
    mpg123_scan(m.h);
    const off_t frames = mpg123_length(m.h);
    if (frames <= 0)
        return std::nullopt;
    return Mp3Info{static_cast<uint32_t>(rate), static_cast<double>(frames) / rate};
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

std::unique_ptr<OpenAlStream> OpenAlStream::Create(const DecodedMusic& music, std::string* error)
{
    std::string ignored;
    std::string& why = error != nullptr ? *error : ignored;
    if (context == nullptr) {
        why = "no audio device";
        return nullptr;
    }
    if (music.rate == 0 || music.samples.empty() ||
        music.samples.size() * sizeof(int16_t) > static_cast<size_t>(INT32_MAX)) {
        why = "no usable audio";
        return nullptr;
    }
    std::unique_ptr<OpenAlStream> s(new OpenAlStream());
    alGetError();
    alGenBuffers(1, &s->buffer_);
    alBufferData(s->buffer_, music.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16,
                 music.samples.data(), static_cast<ALsizei>(music.samples.size() * sizeof(int16_t)),
                 static_cast<ALsizei>(music.rate));
    alGenSources(1, &s->source_);
    alSourcei(s->source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(s->source_, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcei(s->source_, AL_BUFFER, static_cast<ALint>(s->buffer_));
    if (const ALenum e = alGetError(); e != AL_NO_ERROR) {
        why = std::string("OpenAL error ") + alGetString(e);
        return nullptr;
    }
    s->baseRate_ = music.rate;
    s->rate_ = music.rate;
    s->length_ = static_cast<double>(music.Frames()) / music.rate;
    return s;
}

OpenAlStream::~OpenAlStream()
{
    if (context == nullptr)
        return;
    if (source_ != 0) {
        alSourceStop(source_);
        alDeleteSources(1, &source_);
    }
    if (buffer_ != 0)
        alDeleteBuffers(1, &buffer_);
}

void OpenAlStream::Play()
{
    alSourceStop(source_);
    alSourceRewind(source_);
    alSourcePlay(source_);
    started_ = true;
    ended_ = false;
    paused_ = false;
    clock_.SetPaused(false, SteadySeconds());
    clock_.Reset(0.0, SteadySeconds());
}

void OpenAlStream::SetRate(uint32_t hz)
{
    if (hz == rate_ || hz == 0)
        return;
    rate_ = hz;
    const double ratio = static_cast<double>(hz) / baseRate_;
    alSourcef(source_, AL_PITCH, static_cast<ALfloat>(ratio));
    clock_.SetRatio(ratio, SteadySeconds());
}

bool OpenAlStream::Stopped()
{
    if (!started_ || ended_)
        return ended_;
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    // A stopped source reports offset 0; the end is known from its state only.
    if (state == AL_STOPPED)
        ended_ = true;
    return ended_;
}

double OpenAlStream::HeardSeconds()
{
    const double pitch = static_cast<double>(rate_) / baseRate_;
    double seconds = 0.0;
    if (getSourcei64v != nullptr) {
        ALint64SOFT values[2] = {0, 0};
        getSourcei64v(source_, AL_SAMPLE_OFFSET_LATENCY_SOFT, values);
        const double frames = static_cast<double>(values[0]) / 4294967296.0;
        seconds = frames / baseRate_ - static_cast<double>(values[1]) * 1e-9 * pitch;
    } else {
        ALfloat offset = 0.0f;
        alGetSourcef(source_, AL_SEC_OFFSET, &offset);
        seconds = offset;
    }
    return std::clamp(seconds, 0.0, length_);
}

double OpenAlStream::PositionSeconds()
{
    if (Stopped())
        return length_;
    if (!started_)
        return clock_.Last();
    const double now = SteadySeconds();
    return std::min(clock_.Update(HeardSeconds(), now), length_);
}

void OpenAlStream::SetPositionSeconds(double seconds)
{
    // Out of range is refused and the position stays, as a byte position past the end would be.
    if (!(seconds >= 0.0) || seconds >= length_)
        return;
    if (Stopped()) {
        alSourcePlay(source_);
        ended_ = false;
        if (paused_)
            alSourcePause(source_);
    }
    alSourcef(source_, AL_SEC_OFFSET, static_cast<ALfloat>(seconds));
    clock_.Reset(seconds, SteadySeconds());
}

bool OpenAlStream::Ended()
{
    return Stopped();
}

void OpenAlStream::SetPaused(bool paused)
{
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
