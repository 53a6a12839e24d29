// Fuzz target: a demo file all the way to the picture. The file is loaded into a Timeline as the
// player loads it (a file with an unknown effect type is passed over: the player ends there by
// design) and one 64 x 48 frame is drawn headless at the start of its first instance, so that a
// field value which makes an effect loop for minutes or touch memory it should not shows up as a
// timeout or a crash. Run with libFuzzer's -timeout (scripts/fuzz sets it).

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "effects/glview.h"
#include "effects/moduleinit.h"
#include "engine/_DemoParameters.h"
#include "engine/_demorecords.h"
#include "engine/_loadsave.h"
#include "engine/message.h"
#include "engine/musicclock.h"
#include "engine/playback.h"
#include "engine/ticks.h"
#include "platform/eglcontext.h"

namespace {

constexpr int32_t FrameWidth = 64;
constexpr int32_t FrameHeight = 48;

quv::MessageAnswer Quiet(std::string_view, std::string_view, quv::MessageButtons, quv::MessageIcon)
{
    return quv::MessageAnswer::Ok;
}

quv::HeadlessContext& Context()
{
    static quv::HeadlessContext context;
    return context;
}

// Once: the modules, their start-up (textures) and the context, with no messages on stderr for
// the images the fuzzing folder lacks.
bool StartUp()
{
    quv::SetMessageHandler(&Quiet);
    quv::InitialiseModules();
    std::string error;
    if (!Context().Create(FrameWidth, FrameHeight, error)) {
        std::fprintf(stderr, "render fuzz: headless GL context: %s\n", error.c_str());
        std::abort();
    }
    quv::DemoParameters.FullScreen = false;
    quv::SetUpScene(FrameWidth, FrameHeight);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = StartUp();
    (void)started;
    const std::span<const uint8_t> bytes(data, size);
    const quv::DemoRecords parsed = quv::ParseDemoRecords(bytes, "demodata.quv");
    double firstStart = 0.0;
    bool first = true;
    const bool allKnown = quv::ForEachDemoRecord(parsed, [&](const quv::DemoRecord& record) {
        if (record.tag != quv::TagFirstHandle && record.tag != quv::TagNextHandle)
            return true;
        if (first && std::isfinite(record.startTime) && std::fabs(record.startTime) < 1e9)
            firstStart = record.startTime;
        first = false;
        return quv::FindEffectClass(record.typeName) != nullptr;
    });
    if (!allKnown)
        return 0;
    try {
        quv::LoadDemoBytes(bytes, "demodata.quv");
    } catch (const quv::DemoFileError&) {
        // The records before the problem stay in the Timeline, as in the player: draw them.
    }
    const double t = std::floor(firstStart);
    quv::MusicSetBackend(std::make_unique<quv::OfflineClock>(t, 44100, 1e9));
    quv::PinTickCount(static_cast<uint32_t>(static_cast<int64_t>(t)));
    quv::ResizeGlScene(FrameWidth, FrameHeight);
    quv::EvaluateTimeline(t);
    glFinish();
    quv::FreeTimeline();
    return 0;
}
