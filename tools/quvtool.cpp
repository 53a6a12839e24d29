// Authoring tool for demo files: compiles the readable text form (JSON) into the binary demo the
// player reads, turns a demo file back into text, and lists the effect types and their fields.
//
//   quvtool compile DEMO.json -o demodata.quv [--strict]
//   quvtool decompile demodata.quv [-o DEMO.json] [--bpm N [--offset MS]]
//   quvtool fields [TYPE]
//   quvtool docs

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/_effecthandle.h"
#include "engine/_loadsave.h"
#include "engine/atomicfile.h"
#include "engine/message.h"
#include "effects/moduleinit.h"
#include "tools/demotext.h"
#include "tools/effectreference.h"
#include "tools/demowriter.h"

namespace {

void PrintUsage(std::FILE* out)
{
    std::fputs(
        "Usage: quvtool compile DEMO.json -o demodata.quv [--strict]\n"
        "           warns about every problem a player would meet; --strict makes them\n"
        "           errors (exit 1, nothing written)\n"
        "       quvtool decompile demodata.quv [-o DEMO.json] [--bpm N [--offset MS]]\n"
        "           stdout without -o; with --bpm, times as BAR:BEAT where exact\n"
        "       quvtool fields [TYPE]   list effect types, or one type's fields with their\n"
        "           bounds, defaults and descriptions (TYPE in any case)\n"
        "       quvtool docs            the effect reference in Markdown (docs/effects.md)\n",
        out);
}

// The largest text form read: four times the largest demo file, room for its JSON spelling.
constexpr uint64_t MaxTextFileBytes = 4 * quv::MaxDemoFileBytes;

// A pipe read to its end, up to limit bytes (one more is TooLarge); anything else that is not a
// regular file stays NotRegularFile.
quv::FileRead ReadPipe(const std::string& path, uint64_t limit)
{
    quv::FileRead read;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        read.failure = quv::ReadFailure::CannotOpen;
        read.error = errno;
    } else if (!S_ISFIFO(info.st_mode)) {
        read.failure = quv::ReadFailure::NotRegularFile;
    } else {
        uint8_t chunk[65536];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                read.failure = quv::ReadFailure::ReadError;
                read.error = errno;
                break;
            }
            if (got == 0)
                break;
            read.bytes.insert(read.bytes.end(), chunk, chunk + got);
            if (read.bytes.size() > limit) {
                read.failure = quv::ReadFailure::TooLarge;
                read.size = read.bytes.size();
                break;
            }
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (read.failure != quv::ReadFailure::None)
        read.bytes = {};
    return read;
}

// Reads an input file whole, as the player reads its files, or a pipe to its end (quvtool
// compile <(generate)); a directory or a device is refused. A failure is said here, naming the
// file.
std::optional<std::vector<uint8_t>> ReadInput(const std::string& path, uint64_t limit)
{
    quv::FileRead read = quv::NamingFile(path, [&] { return quv::ReadWholeFile(path, limit); });
    if (read.failure == quv::ReadFailure::NotRegularFile)
        read = quv::NamingFile(path, [&] { return ReadPipe(path, limit); });
    if (read.failure == quv::ReadFailure::None)
        return std::move(read.bytes);
    quv::PrintMessage("quvtool", quv::ReadFailureText(read, path, limit));
    return std::nullopt;
}

// The whole file or none: a failure (said here) leaves an earlier file of the name as it was.
bool WriteFile(const std::string& path, const void* data, size_t size)
{
    std::string error;
    if (quv::WriteFileAtomic(path, data, size, error))
        return true;
    quv::PrintMessage("quvtool", error);
    return false;
}

bool ParseDouble(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

struct Options {
    std::string in, out;
    bool strict = false;
    std::optional<double> bpm, offset;
};

// Splits "IN -o OUT" and the options (in any order); false on anything else.
bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 2; i < argc; ++i) {
        double number = 0.0;
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            options.out = argv[++i];
        else if (std::strcmp(argv[i], "--strict") == 0)
            options.strict = true;
        else if (std::strcmp(argv[i], "--bpm") == 0 && i + 1 < argc &&
                 ParseDouble(argv[++i], number) && number > 0.0)
            options.bpm = number;
        else if (std::strcmp(argv[i], "--offset") == 0 && i + 1 < argc &&
                 ParseDouble(argv[++i], number))
            options.offset = number;
        else if (options.in.empty() && argv[i][0] != '-')
            options.in = argv[i];
        else
            return false;
    }
    return !options.in.empty();
}

int Compile(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options) || options.out.empty() || options.bpm ||
        options.offset) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string& in = options.in;
    const std::string& out = options.out;
    const std::optional<std::vector<uint8_t>> input = ReadInput(in, MaxTextFileBytes);
    if (!input)
        return 1;
    const std::string text =
        quv::NamingFile(in, [&] { return std::string(input->begin(), input->end()); });
    try {
        const quv::DemoDocument document =
            quv::NamingFile(in, [&] { return quv::ParseDemoText(text, in); });
        const std::vector<std::string> problems =
            quv::NamingFile(in, [&] { return quv::CheckDemoText(document, text, in); });
        // Each problem reads "FILE:LINE: POINTER: TEXT"; the location is the message's caption.
        for (const std::string& problem : problems) {
            const size_t split = problem.find(": ");
            quv::PrintMessage(problem.substr(0, split),
                              split == std::string::npos ? "" : problem.substr(split + 2),
                              options.strict ? quv::MessageIcon::Error
                                             : quv::MessageIcon::Exclamation);
        }
        if (options.strict && !problems.empty()) {
            quv::PrintMessage("quvtool", std::to_string(problems.size()) + " problem" +
                                             (problems.size() == 1 ? "" : "s") + "; " + out +
                                             " not written (--strict)");
            return 1;
        }
        const std::vector<uint8_t> bytes =
            quv::NamingFile(out, [&] { return quv::WriteDemoBytes(document); });
        if (!WriteFile(out, bytes.data(), bytes.size()))
            return 1;
    } catch (const quv::DemoTextError& error) {
        quv::PrintMessage("quvtool", error.what());
        return 1;
    }
    return 0;
}

int Decompile(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options) || options.strict || (options.offset && !options.bpm)) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string& in = options.in;
    const std::string& out = options.out;
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(in, quv::MaxDemoFileBytes);
    if (!bytes)
        return 1;
    try {
        quv::DemoDocument document =
            quv::NamingFile(in, [&] { return quv::ReadDemoDocument(*bytes, in); });
        // The text form keeps what the player reads; say so when the file held more.
        const std::vector<uint8_t> again =
            quv::NamingFile(in, [&] { return quv::WriteDemoBytes(document); });
        if (again != *bytes) {
            size_t at = 0;
            while (at < again.size() && at < bytes->size() && again[at] == (*bytes)[at])
                ++at;
            quv::PrintMessage("quvtool",
                              "note: " + in +
                                  " holds data the text form does not keep (link words, "
                                  "authoring words, unknown tags or fields selected without keys); "
                                  "compiling the text gives a file that plays the same but differs "
                                  "from byte " +
                                  std::to_string(at) + " on",
                              quv::MessageIcon::Information);
        }
        if (options.bpm)
            document.tempo = {*options.bpm, options.offset.value_or(0.0)};
        const std::string text = quv::NamingFile(in, [&] { return quv::FormatDemoText(document); });
        if (out.empty()) {
            std::fwrite(text.data(), 1, text.size(), stdout);
        } else if (!WriteFile(out, text.data(), text.size())) {
            return 1;
        }
    } catch (const quv::DemoTextError& error) {
        quv::PrintMessage("quvtool", error.what());
        return 1;
    }
    return 0;
}

int Fields(int argc, char** argv)
{
    if (argc > 3) {
        PrintUsage(stderr);
        return 2;
    }
    if (argc == 3) {
        const quv::EffectClass* effectClass = quv::FindEffectTypeIgnoringCase(argv[2]);
        if (effectClass == nullptr) {
            quv::PrintMessage("quvtool", std::string("no effect type '") + argv[2] +
                                             "'; did you mean '" +
                                             quv::ClosestEffectTypeName(argv[2]) + "'?");
            return 1;
        }
        std::fputs(quv::FormatFieldTable(*effectClass).c_str(), stdout);
        return 0;
    }
    for (quv::EffectClass* c = quv::EffectClassList; c != nullptr; c = c->next) {
        const std::string type = quv::ClassName(*c);
        std::string line = std::string("\"").append(quv::Cp1252ToUtf8(type)).append("\":");
        for (const std::string& name : quv::TextFieldNames(type))
            line += " \"" + quv::Cp1252ToUtf8(name) + "\"";
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int Docs(int argc, char**)
{
    if (argc != 2) {
        PrintUsage(stderr);
        return 2;
    }
    std::fputs(quv::FormatEffectReference().c_str(), stdout);
    return 0;
}

int Run(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "compile") == 0)
        return Compile(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "decompile") == 0)
        return Decompile(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "fields") == 0)
        return Fields(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "docs") == 0)
        return Docs(argc, argv);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    quv::InitialiseModules();
    // The last resort: whatever a hostile file or a full machine throws ends the tool with a
    // message (naming the file where one was in hand) and exit code 1, never an abort.
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        quv::PrintMessage("quvtool", quv::ExceptionText(error));
    } catch (...) {
        quv::PrintMessage("quvtool", "unexpected error");
    }
    return 1;
}
