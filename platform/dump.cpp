// `quvplayer dump`: prints the demo's Timeline as text or, with --json, in quvtool's text form
// with a "problems" array, and with --check lists every problem a player would meet. It walks
// the records leniently, so that a file the player would refuse can still be looked at.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "engine/_democheck.h"
#include "engine/_demorecords.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_keyframer.h"
#include "engine/_loadsave.h"
#include "engine/fieldcaps.h"
#include "engine/files.h"
#include "engine/message.h"
#include "platform/commands.h"
#include "platform/demosource.h"
#include "tools/demotext.h"

namespace quv {

namespace {

struct DumpKey {
    size_t offset;
    double time, value;
    uint8_t kind;
    int32_t steps;
};

// Names and problem texts are Windows-1252, as the file and the walk give them; they become
// UTF-8 when printed.
struct DumpField {
    std::string name;
    std::deque<DumpKey> keys; // grows without a doubled copy of itself, however many keys
};

struct DumpHandle {
    size_t offset;
    std::string type, label;
    double start, end;
    bool known;
    std::vector<DumpField> fields;
};

struct DumpedDemo {
    std::vector<DumpHandle> handles; // every handle in the file
    size_t timelineStart = 0;        // the first one the player keeps (after the last 0x0100)
    std::vector<DemoProblem> problems;
};

std::string KindText(uint8_t kind)
{
    const char* name = InterpolationKindName(kind);
    return name != nullptr ? name : "SKIPPED " + std::to_string(kind);
}

std::string Number(double v)
{
    return CheckNumber(v);
}

// The Timeline when the output shows it (withTimeline), and the problems when it lists them
// (withProblems): each costs memory in proportion to the records.
DumpedDemo ReadDump(const std::vector<uint8_t>& bytes, const std::string& fileName,
                    bool withTimeline, bool withProblems)
{
    DumpedDemo dump;
    size_t field = 0;
    DemoVisitor visitor;
    visitor.handle = [&](const DemoRecord& r) -> std::optional<size_t> {
        if (r.tag == TagFirstHandle)
            dump.timelineStart = dump.handles.size();
        DumpHandle& h = dump.handles.emplace_back();
        h.offset = r.offset;
        h.type = r.typeName;
        h.label = r.label;
        h.start = r.startTime;
        h.end = r.endTime;
        EffectClass* effectClass = FindEffectClass(r.typeName);
        h.known = effectClass != nullptr;
        if (effectClass != nullptr) {
            FieldNode* head = nullptr;
            effectClass->DefineFields(head);
            for (FieldNode* n = head; n != nullptr; n = n->next)
                h.fields.push_back({FieldName(*n->field), {}});
        }
        if (!h.known)
            return std::nullopt; // its fields are named by position as they are selected
        return h.fields.size();
    };
    visitor.field = [&](const DemoRecord&, size_t index) {
        std::vector<DumpField>& fields = dump.handles.back().fields;
        while (fields.size() <= index)
            fields.push_back({"field " + std::to_string(fields.size() + 1), {}});
        field = index;
    };
    visitor.key = [&](const DemoRecord& r) {
        std::deque<DumpKey>& keys = dump.handles.back().fields[field].keys;
        if (r.tag == TagFirstKey)
            keys.clear();
        keys.push_back({r.offset, r.time, r.value, r.kind, r.steps});
    };
    if (withTimeline)
        WalkDemoRecords(ParseDemoRecords(bytes, fileName), DemoPolicy::Lenient, visitor);
    if (withProblems)
        dump.problems = CheckDemoBytes(bytes, fileName);
    return dump;
}

// Names, labels and the file's name are printed escaped (EscapeControls): a label can hold any
// byte, and it must not command the terminal.
void PrintText(const DumpedDemo& dump, const std::string& fileName)
{
    std::printf("%s: %zu effect instances\n", EscapeControls(fileName).c_str(),
                dump.handles.size());
    for (size_t i = 0; i < dump.handles.size(); ++i) {
        const DumpHandle& h = dump.handles[i];
        std::printf("\n#%zu \"%s\" label \"%s\" from %s to %s ms  (byte %zu)%s\n", i + 1,
                    PrintableCp1252(h.type).c_str(), PrintableCp1252(h.label).c_str(),
                    Number(h.start).c_str(), Number(h.end).c_str(), h.offset,
                    h.known ? "" : "  UNKNOWN TYPE");
        for (const DumpField& f : h.fields) {
            std::printf("  %-24s", ("\"" + PrintableCp1252(f.name) + "\"").c_str());
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

// The handles the player keeps, in the text form quvtool compiles.
void PrintJson(const DumpedDemo& dump)
{
    DemoDocument document;
    for (size_t i = dump.timelineStart; i < dump.handles.size(); ++i) {
        const DumpHandle& h = dump.handles[i];
        document.handles.push_back({h.type, h.label, h.start, h.end, {}});
        DemoHandleRecord& handle = document.handles.back();
        for (const DumpField& f : h.fields) {
            std::vector<DemoKey>& keys = handle.fields.emplace_back();
            for (const DumpKey& k : f.keys)
                keys.push_back({k.time, k.value, k.kind, k.steps});
        }
    }
    std::fputs(FormatDemoText(document, dump.problems).c_str(), stdout);
}

int Dump(int argc, char** argv)
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
        } else if ((arg == "--demo" || arg == "--file") && i + 1 < argc) {
            fileName = argv[++i];
        } else if (arg == "--music" && i + 1 < argc) {
            ++i; // taken, so that one command line serves play, render and dump
        } else if (arg == "--help" || arg == "-h") {
            std::fputs("Usage: quvplayer dump [--json] [--check] [--demo FILE] [--dir DIR]\n"
                       "Prints the Timeline of demodata.quv (or FILE): every effect instance's\n"
                       "type, label, start and end, and each field by name with its keys.\n"
                       "  --json        quvtool's text form, with a \"problems\" array\n"
                       "  --check       list every problem a player would meet, with byte\n"
                       "                offsets; exit code 1 when there is one\n"
                       "  --demo FILE   the demo to read: a compiled demo or quvtool's text\n"
                       "                form (JSON), compiled as it is read (--file FILE too)\n"
                       "  --music FILE  accepted, and not read, so that the player's and\n"
                       "                render's command line serves here as well\n",
                       stdout);
            return 0;
        } else {
            PrintMessage("quvplayer dump",
                         std::string("unknown option '") + argv[i] + "' (see --help)");
            return 2;
        }
    }
    const std::optional<std::string> path = ResolveDemoPath(fileName);
    if (!path) {
        PrintMessage("quvplayer dump", fileName + ": no such file");
        return 1;
    }
    FileRead read = NamingFile(fileName, [&] { return ReadWholeFile(*path, MaxDemoFileBytes); });
    if (read.failure != ReadFailure::None) {
        PrintMessage("quvplayer dump", ReadFailureText(read, *path, MaxDemoFileBytes));
        return 1;
    }
    if (IsDemoText(read.bytes)) {
        // The text form: what it compiles to is what a player would load.
        try {
            read.bytes = ReadDemoSource(*path, fileName).bytes;
        } catch (const std::exception& e) {
            PrintMessage("quvplayer dump", e.what());
            return 1;
        }
    }
    // Records have no header, so anything would walk as a short broken demo; a file that does
    // not open with a first effect instance is not one. --check still lists what the walk
    // finds in a non-empty one, as the loader would meet it.
    const bool notDemo =
        read.bytes.size() < 2 || (read.bytes.at(0) | read.bytes.at(1) << 8) != TagFirstHandle;
    if (notDemo) {
        PrintMessage("quvplayer dump",
                     fileName + ": not a demo file (" +
                         (read.bytes.empty() ? std::string("it is empty")
                                             : std::string("it does not start with an effect "
                                                           "instance record")) +
                         ")");
        if (!check || json || read.bytes.empty())
            return 1;
    }
    const DumpedDemo dump = NamingFile(
        fileName, [&] { return ReadDump(read.bytes, fileName, json || !check, json || check); });
    if (json) {
        PrintJson(dump);
    } else if (!check) {
        PrintText(dump, fileName);
    }
    FreeEffectFields();
    if (check) {
        if (!json) {
            const std::string name = EscapeControls(fileName);
            for (const DemoProblem& p : dump.problems)
                std::printf(
                    "%s: byte %zu: %s\n", name.c_str(), p.offset,
                    (p.readError ? EscapeControls(p.text) : PrintableCp1252(p.text)).c_str());
            if (dump.problems.empty())
                std::printf("%s: no problems\n", name.c_str());
        }
        return dump.problems.empty() && !notDemo ? 0 : 1;
    }
    return 0;
}

} // namespace

int RunDump(int argc, char** argv)
{
    // The last resort, as in render: a message and exit code 1, never an abort.
    try {
        return Dump(argc, argv);
    } catch (const std::exception& error) {
        PrintMessage("quvplayer dump", ExceptionText(error));
    } catch (...) {
        PrintMessage("quvplayer dump", "unexpected error");
    }
    return 1;
}

} // namespace quv
