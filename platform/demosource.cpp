#include "platform/demosource.h"

#include <algorithm>
#include <optional>

#include "engine/_loadsave.h"
#include "engine/files.h"
#include "tools/demotext.h"
#include "tools/demowriter.h"

namespace quv {

namespace {

// Where the content starts: after an optional UTF-8 byte order mark and white space.
size_t ContentStart(std::span<const uint8_t> bytes)
{
    size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        at = 3;
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at;
}

} // namespace

bool IsDemoText(std::span<const uint8_t> bytes)
{
    const size_t at = ContentStart(bytes);
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
    // A compiled demo is loaded as it is read, so that the file is never whole in memory beside
    // the Timeline it becomes. Its first bytes tell the forms apart; a head of nothing but white
    // space may still be the text form, which is read whole and compiled.
    bool text = false;
    NamingFile(name, [&] {
        FileStream stream(*path, MaxDemoFileBytes);
        const DemoByteReader read = StreamReader(stream, name);
        std::vector<uint8_t> head(size_t{64} << 10);
        size_t got = 0;
        bool complete = false;
        while (got < head.size() && !complete) {
            const size_t more = read(std::span<uint8_t>(head).subspan(got));
            complete = more == 0;
            got += more;
        }
        head.resize(got);
        const bool blank = !head.empty() && ContentStart(head) == head.size();
        if (IsDemoText(head) || (blank && !complete)) {
            text = true;
            return;
        }
        size_t handed = 0; // the head first, then the rest of the stream
        LoadDemoStream(
            [&](std::span<uint8_t> into) {
                if (handed == head.size())
                    return read(into);
                const size_t n = std::min(into.size(), head.size() - handed);
                std::copy_n(head.begin() + static_cast<long>(handed), n, into.begin());
                handed += n;
                return n;
            },
            name);
    });
    if (!text)
        return {};
    DemoSource source = ReadDemoSource(*path, name);
    NamingFile(name, [&] { LoadDemoBytes(source.bytes, name); });
    source.bytes = {};
    return source;
}

} // namespace quv
