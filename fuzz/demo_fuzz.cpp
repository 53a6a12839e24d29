// Fuzz target: the demo file reader. Every file goes through the record decoder and the lenient
// walk, once over the whole bytes and once streamed in small pieces, and the two must agree on
// every record and problem (a difference aborts: a finding); a file whose effect types all exist is
// then built into a Timeline (an unknown type ends the process by design, which is not a finding)
// and every field is evaluated at a few times.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

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
    // As `quvplayer dump` reads it, and as the loader streams it.
    std::string whole;
    std::string streamed;
    const auto logging = [](std::string& log) {
        quv::DemoVisitor visitor;
        visitor.handle = [&log](const quv::DemoRecord& r) -> std::optional<size_t> {
            log += "h" + std::to_string(r.offset) + r.typeName + ";";
            return 3;
        };
        visitor.field = [&log](const quv::DemoRecord& r, size_t index) {
            log += "f" + std::to_string(r.offset) + "." + std::to_string(index) + ";";
        };
        visitor.key = [&log](const quv::DemoRecord& r) { log += "k" + std::to_string(r.offset); };
        visitor.problem = [&log](const quv::DemoProblem& p) {
            log += "p" + std::to_string(p.offset) + p.text + ";";
        };
        return visitor;
    };
    const bool wholeClean = quv::WalkDemoRecords(parsed, quv::DemoPolicy::Lenient, logging(whole));
    size_t at = 0;
    const auto read = [&](std::span<uint8_t> into) {
        const size_t n = std::min({size_t{7}, into.size(), size - at});
        std::copy_n(data + at, n, into.begin());
        at += n;
        return n;
    };
    const bool streamClean =
        quv::WalkDemoStream(read, "demodata.quv", quv::DemoPolicy::Lenient, logging(streamed));
    if (whole != streamed || wholeClean != streamClean)
        std::abort();
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
