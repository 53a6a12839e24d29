// Fuzz target: the demo file reader. Every file goes through the record decoder and the lenient
// walk; a file whose effect types all exist is then built into a Timeline (an unknown type ends
// the process by design, which is not a finding) and every field is evaluated at a few times.

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/_demorecords.h"
#include "engine/_loadsave.h"
#include "effects/moduleinit.h"
#include "engine/playback.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = (quv::InitialiseModules(), true);
    (void)initialised;
    const std::span<const uint8_t> bytes(data, size);
    const quv::DemoRecords parsed = quv::ParseDemoRecords(bytes, "demodata.quv");
    quv::WalkDemoRecords(parsed, quv::DemoPolicy::Lenient, {}); // as `quvplayer dump` reads it
    const bool allKnown = quv::ForEachDemoRecord(parsed, [](const quv::DemoRecord& record) {
        const bool handle = record.tag == quv::TagFirstHandle || record.tag == quv::TagNextHandle;
        return !handle || quv::FindEffectClass(record.typeName) != nullptr;
    });
    if (!allKnown)
        return 0;
    try {
        quv::LoadDemoBytes(bytes, "demodata.quv");
    } catch (const quv::DemoFileError&) {
    }
    for (const quv::EffectHandle* h = quv::Timeline; h != nullptr; h = h->next) {
        const double times[] = {h->startTime, (h->startTime + h->endTime) / 2, h->endTime, 0.0,
                                1000.0};
        for (double t : times)
            quv::ApplyFields(*h, t);
    }
    quv::FreeTimeline();
    return 0;
}
