#include "engine/_democheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <span>
#include <utility>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/fieldcaps.h"
#include "engine/framebudget.h"
#include "engine/_keyframer.h"

namespace quv {

std::string CheckNumber(double v)
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    if (std::fabs(v) < 1e15) {
        for (int decimals = 0; decimals <= 6; ++decimals) {
            char fixed[40];
            std::snprintf(fixed, sizeof fixed, "%.*f", decimals, v);
            if (std::strtod(fixed, nullptr) == v)
                return fixed;
        }
    }
    for (int precision = 1; precision < 17; ++precision) {
        char shorter[40];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, v);
        if (std::strtod(shorter, nullptr) == v)
            return shorter;
    }
    return text;
}

namespace {

struct CheckedKey {
    size_t offset = 0; // of the key's record
    double time = 0.0;
    double value = 0.0;
    uint8_t kind = 0;
    int32_t steps = 0;
};

void CheckHandle(const DemoRecord& h, bool restartsTimeline, bool known,
                 std::vector<DemoProblem>& problems)
{
    if (restartsTimeline)
        problems.push_back({h.offset, "a second 0x0100 tag starts the Timeline again; the "
                                      "handles before it are dropped"});
    if (!known)
        problems.push_back({h.offset, "effect type \"" + h.typeName + "\" (label \"" + h.label +
                                          "\") is not known: the player stops with \"[Load "
                                          "Error] Effect not found: " +
                                          h.label + "\""});
    // The music position runs from 0, so time before it is never seen.
    const std::string type = "\"" + h.typeName + "\" ";
    if (!(h.startTime < h.endTime))
        problems.push_back({h.offset,
                            type + "starts at " + CheckNumber(h.startTime) + " ms and ends at " +
                                CheckNumber(h.endTime) + " ms: it never shows",
                            false, "end"});
    else if (h.endTime <= 0)
        problems.push_back({h.offset,
                            type + "ends at " + CheckNumber(h.endTime) +
                                " ms, before the music starts: it never shows",
                            false, "end"});
    else if (h.startTime < 0)
        problems.push_back({h.offset,
                            type + "starts at " + CheckNumber(h.startTime) +
                                " ms, before the music starts; it shows from 0",
                            false, "start"});
}

// A deque, not a vector: a track of millions of keys grows without a doubled copy of itself.
using CheckedKeys = std::deque<CheckedKey>;

void CheckTrack(const CheckedKeys& keys, const std::string& where,
                std::vector<DemoProblem>& problems)
{
    for (size_t i = 0; i < keys.size(); ++i) {
        const CheckedKey& k = keys[i];
        if (!std::isfinite(k.time) || !std::isfinite(k.value))
            problems.push_back({k.offset, where + "key time or value is not a finite number"});
        else if (k.time < 0)
            problems.push_back({k.offset,
                                where + "key at " + CheckNumber(k.time) +
                                    " ms is before the music starts; it is reached only by "
                                    "interpolating towards the next key",
                                false, "time"});
        if (i > 0 && k.time < keys[i - 1].time)
            problems.push_back({k.offset,
                                where + "key at " + CheckNumber(k.time) +
                                    " ms comes after a key at " + CheckNumber(keys[i - 1].time) +
                                    " ms: keys out of time order",
                                false, "time"});
        if (InterpolationKindName(k.kind) == nullptr)
            problems.push_back({k.offset,
                                where + "interpolation kind " + std::to_string(k.kind) +
                                    " is unknown; the key is skipped",
                                false, "kind"});
    }
    // Curve keys, walked as the evaluation walks them (a curve spans four keys).
    for (size_t i = 0; i + 1 < keys.size();) {
        const uint8_t kind = keys[i].kind;
        if (kind >= KindBezierCusp && kind <= KindBezierSymmetrical) {
            if (i + 3 >= keys.size()) {
                problems.push_back(
                    {keys[i].offset, where + "curve key has fewer than three keys after it; "
                                             "the track ends there"});
                break;
            }
            if (keys[i].steps < 1)
                problems.push_back({keys[i].offset,
                                    where + "curve step count " + std::to_string(keys[i].steps) +
                                        " is below 1; 1 is used",
                                    false, "steps"});
            else if (keys[i].steps > MaxCurveSteps)
                problems.push_back({keys[i].offset,
                                    where + "curve step count " + std::to_string(keys[i].steps) +
                                        " is above " + std::to_string(MaxCurveSteps) +
                                        "; that many are used",
                                    false, "steps"});
            i += 3;
        } else {
            ++i;
        }
    }
}

// An instance and the most work its keys ask for in a frame (engine/framebudget.h).
struct WorkingHandle {
    size_t offset;
    double start, end;
    std::string type, label;
    int64_t work;
};

// The frame whose instances together ask for the most work, when that is over the allowance:
// one problem at the instance from which they draw with less. Key values are the estimate (a
// curve between them may ask a little more).
void CheckFrameWork(const std::vector<WorkingHandle>& handles, std::vector<DemoProblem>& problems)
{
    std::vector<std::pair<double, int64_t>> changes; // at a time, work added (or taken, < 0)
    for (const WorkingHandle& h : handles) {
        if (h.work > 0 && h.start < h.end) { // NaN times never show
            changes.push_back({h.start, h.work});
            changes.push_back({h.end, -h.work});
        }
    }
    // Ends sort before starts at the same time: an instance ends as the next one starts.
    std::sort(changes.begin(), changes.end());
    int64_t sum = 0;
    int64_t most = 0;
    double at = 0.0;
    for (const auto& [time, work] : changes) {
        sum += work;
        if (sum > most) {
            most = sum;
            at = time;
        }
    }
    if (most <= FrameWorkAllowance)
        return;
    int64_t drawn = 0;
    for (const WorkingHandle& h : handles) {
        if (h.work <= 0 || !(h.start <= at && at < h.end))
            continue;
        drawn += h.work;
        if (drawn > FrameWorkAllowance) {
            problems.push_back(
                {h.offset,
                 "at " + CheckNumber(at) + " ms the instances drawn together ask for " +
                     std::to_string(most) +
                     " units of work in a frame, over the "
                     "allowance of " +
                     std::to_string(FrameWorkAllowance) + "; from \"" + h.type + "\" (label \"" +
                     h.label + "\") on they draw with less or not at all",
                 false, nullptr});
            return;
        }
    }
}

} // namespace

std::vector<DemoProblem> CheckDemoBytes(std::span<const uint8_t> bytes, const std::string& fileName)
{
    struct Track {
        std::string where;
        CheckedKeys keys;
        std::string type, label, field; // for the caps on fields that set a frame's work
        size_t handle;                  // its handle in handles
    };
    std::vector<DemoProblem> problems;
    std::vector<Track> tracks; // every field of every handle, in file order
    std::vector<WorkingHandle> handles;
    size_t handleTracks = 0; // where the current handle's fields start in tracks
    size_t field = 0;
    bool anyHandle = false;
    std::string type;
    std::string label;
    DemoVisitor visitor;
    visitor.handle = [&](const DemoRecord& r) -> std::optional<size_t> {
        EffectClass* effectClass = FindEffectClass(r.typeName);
        CheckHandle(r, r.tag == TagFirstHandle && anyHandle, effectClass != nullptr, problems);
        anyHandle = true;
        type = r.typeName;
        label = r.label;
        handleTracks = tracks.size();
        handles.push_back({r.offset, r.startTime, r.endTime, type, label, InstanceWork(type)});
        if (effectClass == nullptr)
            return std::nullopt;
        FieldNode* head = nullptr;
        effectClass->DefineFields(head);
        for (FieldNode* n = head; n != nullptr; n = n->next)
            tracks.push_back({"\"" + type + "\" field \"" + FieldName(*n->field) + "\": ",
                              {},
                              type,
                              label,
                              FieldName(*n->field),
                              handles.size() - 1});
        return tracks.size() - handleTracks;
    };
    visitor.field = [&](const DemoRecord&, size_t index) {
        while (tracks.size() <= handleTracks + index)
            tracks.push_back({"\"" + type + "\" field \"field " +
                                  std::to_string(tracks.size() - handleTracks + 1) + "\": ",
                              {},
                              type,
                              label,
                              "",
                              handles.size() - 1});
        field = handleTracks + index;
    };
    visitor.key = [&](const DemoRecord& r) {
        CheckedKeys& keys = tracks[field].keys;
        if (r.tag == TagFirstKey)
            keys.clear();
        keys.push_back({r.offset, r.time, r.value, r.kind, r.steps});
    };
    visitor.problem = [&](const DemoProblem& p) { problems.push_back(p); };
    // DefineFields made fresh fields in the shared store; they go with the next FreeTimeline.
    WalkDemoRecords(ParseDemoRecords(bytes, fileName), DemoPolicy::Lenient, visitor);
    for (const Track& t : tracks) {
        CheckTrack(t.keys, t.where, problems);
        int64_t work = 0;
        for (const CheckedKey& k : t.keys) {
            if (std::optional<std::string> capped =
                    FieldCapProblem(t.type, t.label, t.field, k.value))
                problems.push_back({k.offset, std::move(*capped), false, "value"});
            work = std::max(work, FieldWork(t.type, t.field, k.value));
        }
        handles[t.handle].work += work;
    }
    CheckFrameWork(handles, problems);
    return problems;
}

} // namespace quv
