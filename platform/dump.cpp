// `quvplayer dump`: prints the demo's Timeline as text or JSON and, with --check, lists every
// problem a player would meet. It reads the records itself, leniently, so that a file the player
// would refuse can still be looked at.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_keyframer.h"
#include "engine/_loadsave.h"
#include "engine/files.h"
#include "engine/message.h"
#include "platform/commands.h"

namespace quv {

namespace {

struct DumpKey {
    size_t offset;
    double time, value;
    uint8_t kind;
    int32_t steps;
};

struct DumpField {
    std::string name; // UTF-8
    std::vector<DumpKey> keys;
};

struct DumpHandle {
    size_t offset;
    std::string type, label; // UTF-8
    double start, end;
    bool known;
    std::vector<DumpField> fields;
};

struct Problem {
    size_t offset;
    std::string text;
};

struct Dump {
    std::vector<DumpHandle> handles;
    std::vector<Problem> problems;
};

std::string KindText(uint8_t kind)
{
    const char* name = InterpolationKindName(kind);
    return name != nullptr ? name : "SKIPPED " + std::to_string(kind);
}

std::string Number(double v)
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    // Prefer the shortest text that reads back as the same double, in plain notation where the
    // number allows it.
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

void CheckTrack(const DumpHandle& handle, const DumpField& field, std::vector<Problem>& problems)
{
    const std::string where = "\"" + handle.type + "\" field \"" + field.name + "\": ";
    const auto& keys = field.keys;
    for (size_t i = 0; i < keys.size(); ++i) {
        const DumpKey& k = keys[i];
        if (!std::isfinite(k.time) || !std::isfinite(k.value))
            problems.push_back({k.offset, where + "key time or value is not a finite number"});
        if (i > 0 && k.time < keys[i - 1].time)
            problems.push_back({k.offset, where + "key at " + Number(k.time) +
                                              " ms comes after a key at " +
                                              Number(keys[i - 1].time) + " ms"});
        if (InterpolationKindName(k.kind) == nullptr)
            problems.push_back({k.offset, where + "interpolation kind " + std::to_string(k.kind) +
                                              " is unknown; the key is skipped"});
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
                problems.push_back({keys[i].offset, where + "curve step count " +
                                                        std::to_string(keys[i].steps) +
                                                        " is below 1; 1 is used"});
            else if (keys[i].steps > MaxCurveSteps)
                problems.push_back(
                    {keys[i].offset, where + "curve step count " + std::to_string(keys[i].steps) +
                                         " is above " + std::to_string(MaxCurveSteps) +
                                         "; that many are used"});
            i += 3;
        } else {
            ++i;
        }
    }
}

Dump ReadDump(const std::vector<uint8_t>& bytes, const std::string& fileName)
{
    Dump dump;
    const DemoRecords parsed = ParseDemoRecords(bytes, fileName);
    // Indices, not pointers: the handle vector grows while it is read.
    DumpHandle* current = nullptr;
    long field = -1;
    bool haveKey = false;
    uint32_t keyLink = 0;
    size_t keyOffset = 0;
    uint32_t handleLink = 0;
    auto problem = [&](size_t offset, std::string text) {
        dump.problems.push_back({offset, std::move(text)});
    };
    auto closeTrack = [&] {
        if (haveKey && keyLink != 0)
            problem(keyOffset, "the last Keyframe of a track has a non-zero next link");
        haveKey = false;
    };
    for (const DemoRecord& r : parsed.records) {
        if (r.tag != TagNextKey)
            closeTrack();
        switch (r.tag) {
        case TagFirstHandle:
        case TagNextHandle: {
            if (r.tag == TagNextHandle && current == nullptr)
                problem(r.offset, "tag 0x0101 (next EffectHandle) comes before any EffectHandle");
            if (r.tag == TagFirstHandle && current != nullptr) {
                problem(r.offset, "a second 0x0100 tag starts the Timeline again; the handles "
                                  "before it are dropped");
                if (handleLink != 0)
                    problem(current->offset, "the last EffectHandle has a non-zero next link");
            }
            DumpHandle& h = dump.handles.emplace_back();
            current = nullptr; // the vector may have moved
            h.offset = r.offset;
            h.type = Cp1252ToUtf8(r.typeName);
            h.label = Cp1252ToUtf8(r.label);
            h.start = r.startTime;
            h.end = r.endTime;
            EffectClass* effectClass = FindEffectClass(r.typeName);
            h.known = effectClass != nullptr;
            if (effectClass != nullptr) {
                FieldNode* head = nullptr;
                effectClass->DefineFields(head);
                for (FieldNode* n = head; n != nullptr; n = n->next)
                    h.fields.push_back({Cp1252ToUtf8(FieldName(*n->field)), {}});
            } else {
                problem(r.offset, "effect type \"" + h.type + "\" (label \"" + h.label +
                                      "\") is not known: the player stops with \"[Load Error] "
                                      "Effect not found: " +
                                      h.label + "\"");
            }
            if (!(h.start < h.end))
                problem(r.offset, "\"" + h.type + "\" starts at " + Number(h.start) +
                                      " ms and ends at " + Number(h.end) + " ms: it never shows");
            current = &dump.handles.back();
            handleLink = r.nextLink;
            field = -1;
            break;
        }
        case TagFirstField:
        case TagNextField: {
            if (current == nullptr) {
                problem(r.offset, "a field tag comes before any EffectHandle");
                break;
            }
            if (r.tag == TagNextField && field < 0) {
                problem(r.offset, "tag 0x0201 (next field) comes before the first field");
                break;
            }
            const size_t index = r.tag == TagFirstField ? 0 : static_cast<size_t>(field) + 1;
            if (!current->known)
                while (current->fields.size() <= index)
                    current->fields.push_back(
                        {"field " + std::to_string(current->fields.size() + 1), {}});
            if (index >= current->fields.size()) {
                problem(r.offset, "tag " +
                                      std::string(r.tag == TagFirstField ? "0x0200" : "0x0201") +
                                      " selects field " + std::to_string(index + 1) + " of \"" +
                                      current->type + "\", which has " +
                                      std::to_string(current->fields.size()));
                field = -1;
                break;
            }
            field = static_cast<long>(index);
            break;
        }
        case TagFirstKey:
        case TagNextKey:
            if (current == nullptr || field < 0) {
                problem(r.offset, "a Keyframe comes before a field was selected");
                break;
            }
            if (r.tag == TagNextKey && !haveKey) {
                problem(r.offset, "tag 0x0301 (next Keyframe) comes before the field's first "
                                  "Keyframe");
                break;
            }
            if (r.tag == TagFirstKey)
                current->fields[static_cast<size_t>(field)].keys.clear();
            current->fields[static_cast<size_t>(field)].keys.push_back(
                {r.offset, r.time, r.value, r.kind, r.steps});
            haveKey = true;
            keyLink = r.nextLink;
            keyOffset = r.offset;
            break;
        default:
            break;
        }
    }
    if (parsed.readError) {
        problem(parsed.readErrorOffset, *parsed.readError);
    } else {
        closeTrack();
        if (current != nullptr && handleLink != 0)
            problem(current->offset, "the last EffectHandle has a non-zero next link");
    }
    for (const DumpHandle& h : dump.handles)
        for (const DumpField& f : h.fields)
            CheckTrack(h, f, dump.problems);
    return dump;
}

void PrintText(const Dump& dump, const std::string& fileName)
{
    std::printf("%s: %zu effect instances\n", fileName.c_str(), dump.handles.size());
    for (size_t i = 0; i < dump.handles.size(); ++i) {
        const DumpHandle& h = dump.handles[i];
        std::printf("\n#%zu \"%s\" label \"%s\" from %s to %s ms  (byte %zu)%s\n", i + 1,
                    h.type.c_str(), h.label.c_str(), Number(h.start).c_str(), Number(h.end).c_str(),
                    h.offset, h.known ? "" : "  UNKNOWN TYPE");
        for (const DumpField& f : h.fields) {
            std::printf("  %-24s", ("\"" + f.name + "\"").c_str());
            if (f.keys.empty())
                std::printf(" no keys (0)\n");
            else
                std::printf(" %zu key%s\n", f.keys.size(), f.keys.size() == 1 ? "" : "s");
            for (const DumpKey& k : f.keys)
                std::printf("      %12s ms  %-14s %-18s steps %d\n", Number(k.time).c_str(),
                            Number(k.value).c_str(), KindText(k.kind).c_str(), k.steps);
        }
    }
}

nlohmann::ordered_json JsonNumber(double v)
{
    if (std::isfinite(v))
        return v;
    return Number(v); // JSON has no NaN or infinity
}

void PrintJson(const Dump& dump, const std::string& fileName)
{
    nlohmann::ordered_json root;
    root["file"] = fileName;
    root["handles"] = nlohmann::ordered_json::array();
    for (const DumpHandle& h : dump.handles) {
        nlohmann::ordered_json handle = {
            {"type", h.type},           {"label", h.label},   {"start", JsonNumber(h.start)},
            {"end", JsonNumber(h.end)}, {"offset", h.offset}, {"known", h.known}};
        handle["fields"] = nlohmann::ordered_json::array();
        for (const DumpField& f : h.fields) {
            nlohmann::ordered_json field = {{"name", f.name},
                                            {"keys", nlohmann::ordered_json::array()}};
            for (const DumpKey& k : f.keys)
                field["keys"].push_back({{"time", JsonNumber(k.time)},
                                         {"value", JsonNumber(k.value)},
                                         {"kind", KindText(k.kind)},
                                         {"steps", k.steps}});
            handle["fields"].push_back(std::move(field));
        }
        root["handles"].push_back(std::move(handle));
    }
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    for (const Problem& p : dump.problems)
        problems.push_back({{"offset", p.offset}, {"problem", p.text}});
    root["problems"] = std::move(problems);
    std::printf("%s\n", root.dump(2).c_str());
}

} // namespace

int RunDump(int argc, char** argv)
{
    bool json = false;
    bool check = false;
    std::string fileName = "demodata.quv";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--file" && i + 1 < argc) {
            fileName = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::fputs("Usage: quvplayer dump [--json] [--check] [--file FILE] [--dir DIR]\n"
                       "Prints the Timeline of demodata.quv (or FILE): every effect instance's\n"
                       "type, label, start and end, and each field by name with its keys.\n"
                       "  --json    one JSON object instead of text\n"
                       "  --check   list every problem a player would meet, with byte offsets;\n"
                       "            exit code 1 when there is one\n",
                       stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quvplayer dump: unknown option '%s' (see --help)\n", argv[i]);
            return 2;
        }
    }
    const std::optional<std::string> path = ResolveDemoPath(fileName);
    if (!path) {
        std::fprintf(stderr, "quvplayer dump: %s: no such file\n", fileName.c_str());
        return 1;
    }
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(*path);
    if (!bytes) {
        std::fprintf(stderr, "quvplayer dump: cannot read %s\n", path->c_str());
        return 1;
    }
    const Dump dump = ReadDump(*bytes, fileName);
    FreeEffectFields();
    if (json) {
        PrintJson(dump, fileName);
    } else if (!check) {
        PrintText(dump, fileName);
    }
    if (check) {
        if (!json) {
            for (const Problem& p : dump.problems)
                std::printf("%s: byte %zu: %s\n", fileName.c_str(), p.offset, p.text.c_str());
            if (dump.problems.empty())
                std::printf("%s: no problems\n", fileName.c_str());
        }
        return dump.problems.empty() ? 0 : 1;
    }
    return 0;
}

} // namespace quv
