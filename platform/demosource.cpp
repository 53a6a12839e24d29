#include "platform/demosource.h"

#include <optional>

#include "engine/_loadsave.h"
#include "engine/files.h"
#include "tools/demotext.h"
#include "tools/demowriter.h"

namespace quv {

bool IsDemoText(std::span<const uint8_t> bytes)
{
    size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        at = 3;
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at < bytes.size() && (bytes[at] == '{' || bytes[at] == '/');
}

DemoSource ReadDemoSource(const std::string& path, const std::string& name)
{
    // Running out of memory here, or any other failure that is not the file's own fault, still
    // names the file.
    FileRead read = NamingFile(name, [&] { return ReadWholeFile(path, MaxDemoFileBytes); });
    if (read.failure != ReadFailure::None)
        throw DemoFileError(ReadFailureText(read, name, MaxDemoFileBytes));
    DemoSource source;
    if (!IsDemoText(read.bytes)) {
        source.bytes = std::move(read.bytes);
        return source;
    }
    size_t skip = 0;
    if (read.bytes.size() >= 3 && read.bytes[0] == 0xEF && read.bytes[1] == 0xBB &&
        read.bytes[2] == 0xBF)
        skip = 3; // the parser counts lines from the first character after the mark
    const std::string text = NamingFile(name, [&] {
        return std::string(read.bytes.begin() + static_cast<long>(skip), read.bytes.end());
    });
    const DemoDocument document = [&] {
        try {
            return ParseDemoText(text, name);
        } catch (const DemoTextError&) {
            throw; // it names the file, with the line and pointer
        } catch (const std::exception& error) {
            throw FileError("\"" + name + "\": " + ExceptionText(error));
        }
    }();
    source.bytes = NamingFile(name, [&] { return WriteDemoBytes(document); });
    source.text = true;
    source.tempo = document.tempo;
    return source;
}

DemoSource ReadLoadableDemo(const std::string& path, const std::string& name)
{
    DemoSource source = ReadDemoSource(path, name);
    // The document reader walks the bytes as the loader does and refuses an unknown type, which
    // the loader would answer with a box and the end of the process.
    if (!source.text)
        ReadDemoDocument(source.bytes, name);
    return source;
}

DemoSource LoadDemoSource(const std::string& name)
{
    FreeTimeline();
    const std::optional<std::string> path = ResolveDemoPath(name);
    if (!path)
        return {}; // a missing demo plays the music with an empty Timeline
    DemoSource source = ReadDemoSource(*path, name);
    NamingFile(name, [&] { LoadDemoBytes(source.bytes, name); });
    source.bytes = {};
    return source;
}

} // namespace quv
