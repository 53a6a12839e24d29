// Authoring tool for demo files: compiles the readable text form (JSON) into the binary demo the
// player reads, turns a demo file back into text, and lists the effect types and their fields.
//
//   quvtool compile DEMO.json -o demodata.quv
//   quvtool decompile demodata.quv [-o DEMO.json]
//   quvtool fields [TYPE]

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/_effecthandle.h"
#include "engine/_loadsave.h"
#include "engine/message.h"
#include "effects/moduleinit.h"
#include "tools/demotext.h"
#include "tools/demowriter.h"

namespace {

void PrintUsage(std::FILE* out)
{
    std::fputs("Usage: quvtool compile DEMO.json -o demodata.quv\n"
               "       quvtool decompile demodata.quv [-o DEMO.json]   (stdout without -o)\n"
               "       quvtool fields [TYPE]   list effect types, or one type's fields\n",
               out);
}

std::optional<std::string> ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return static_cast<bool>(out);
}

// Splits "IN -o OUT" (in either order); false on anything else.
bool InputOutput(int argc, char** argv, std::string& in, std::string& out)
{
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (in.empty() && argv[i][0] != '-')
            in = argv[i];
        else
            return false;
    }
    return !in.empty();
}

int Compile(int argc, char** argv)
{
    std::string in, out;
    if (!InputOutput(argc, argv, in, out) || out.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    const std::optional<std::string> text = ReadText(in);
    if (!text) {
        std::fprintf(stderr, "quvtool: cannot read %s\n", in.c_str());
        return 1;
    }
    try {
        const std::vector<uint8_t> bytes = quv::WriteDemoBytes(quv::ParseDemoText(*text, in));
        if (!WriteFile(out, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "quvtool: cannot write %s\n", out.c_str());
            return 1;
        }
    } catch (const quv::DemoTextError& error) {
        std::fprintf(stderr, "quvtool: %s\n", error.what());
        return 1;
    }
    return 0;
}

int Decompile(int argc, char** argv)
{
    std::string in, out;
    if (!InputOutput(argc, argv, in, out)) {
        PrintUsage(stderr);
        return 2;
    }
    const std::optional<std::vector<uint8_t>> bytes = quv::ReadWholeFile(in);
    if (!bytes) {
        std::fprintf(stderr, "quvtool: cannot read %s\n", in.c_str());
        return 1;
    }
    try {
        const quv::DemoDocument document = quv::ReadDemoDocument(*bytes, in);
        // The text form keeps what the player reads; say so when the file held more.
        const std::vector<uint8_t> again = quv::WriteDemoBytes(document);
        if (again != *bytes) {
            size_t at = 0;
            while (at < again.size() && at < bytes->size() && again[at] == (*bytes)[at])
                ++at;
            std::fprintf(stderr,
                         "quvtool: note: %s holds data the text form does not keep (link words, "
                         "authoring words, unknown tags or fields selected without keys); "
                         "compiling the text gives a file that plays the same but differs from "
                         "byte %zu on\n",
                         in.c_str(), at);
        }
        const std::string text = quv::FormatDemoText(document);
        if (out.empty()) {
            std::fwrite(text.data(), 1, text.size(), stdout);
        } else if (!WriteFile(out, text.data(), text.size())) {
            std::fprintf(stderr, "quvtool: cannot write %s\n", out.c_str());
            return 1;
        }
    } catch (const quv::DemoTextError& error) {
        std::fprintf(stderr, "quvtool: %s\n", error.what());
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
        std::string type;
        if (!quv::Utf8ToCp1252(argv[2], type) || quv::FindEffectClass(type) == nullptr) {
            std::fprintf(stderr, "quvtool: unknown effect type \"%s\"\n", argv[2]);
            return 1;
        }
        for (const std::string& name : quv::TextFieldNames(type))
            std::printf("\"%s\"\n", quv::Cp1252ToUtf8(name).c_str());
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

} // namespace

int main(int argc, char** argv)
{
    quv::InitialiseModules();
    if (argc >= 2 && std::strcmp(argv[1], "compile") == 0)
        return Compile(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "decompile") == 0)
        return Decompile(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "fields") == 0)
        return Fields(argc, argv);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}
