#pragma once
// The records of a demo file and the one walk over them. "demodata.quv" is a flat stream of
// tagged, fixed-size little-endian records with no header: a handle record (0x0100 first,
// 0x0101 next), field selections (0x0200 the handle's first field, 0x0201 the one after) and key
// records (0x0300 a field's first key, 0x0301 the next). ParseDemoRecords checks that the bytes
// split into whole records; ForEachDemoRecord decodes them one at a time; WalkDemoRecords applies
// the rules of which record may follow which and hands each accepted record to a visitor;
// WalkDemoStream walks a file read in pieces the same way. The loader, `quvplayer dump` and the
// decompiler all read files this way. Records are decoded from the bytes as they are visited and
// never kept, so reading a file takes memory for its bytes (streamed, for a piece of them) and
// for what the visitor builds, not for a copy of every record (a 2-byte field tag would be one).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quv {

enum RecordTag : uint16_t {
    TagFirstHandle = 0x0100,
    TagNextHandle = 0x0101,
    TagFirstField = 0x0200,
    TagNextField = 0x0201,
    TagFirstKey = 0x0300,
    TagNextKey = 0x0301,
};

constexpr size_t EffectHandleRecordSize = 168;

// A demo may hold this many effect instances. Each one the walk accepts becomes a handle with its
// type's field list (a few KB), far more than its 170 bytes of file, so without a limit a file of
// nothing but handles would take over ten times its size. Demos use hundreds to a few thousand.
// The walk stops at the handle past the limit, under either policy, with a problem.
constexpr size_t MaxDemoHandles = 65536;
constexpr size_t KeyframeRecordSize = 32;

// The lenient walk reports this many problems at most; past them it reports that it stops, and
// stops, so that the report of a file of nothing but misplaced records stays readable and small.
constexpr size_t MaxDemoProblems = 10000;

// One record of the file as decoded, before anything is resolved. Only the record being visited
// exists at a time.
struct DemoRecord {
    uint16_t tag = 0;
    size_t offset = 0; // offset of the tag
    // Handle records:
    std::string typeName; // up to the first NUL, at most 64 bytes, Windows-1252
    std::string label;
    double startTime = 0.0;
    double endTime = 0.0;
    uint32_t nextLink = 0; // handle: next EffectHandle; key: next Keyframe
    // Key records:
    double time = 0.0;
    double value = 0.0;
    uint8_t kind = 0;
    int32_t steps = 0;
};

// The outcome of splitting the bytes into records. It refers to the bytes, which must outlive it.
struct DemoRecords {
    std::span<const uint8_t> bytes;
    std::string fileName;   // what the read error calls the file
    size_t end = 0;         // where the whole records end: the size, or the start of a truncation
    size_t recordCount = 0; // the known tags
    size_t skippedTags = 0;
    // Set when the file ended inside a tag or record; the records before it are kept.
    std::optional<std::string> readError;
    size_t readErrorOffset = 0;
};

// Splits the byte stream into records without keeping them (no registry, no allocation per
// record); fileName is used in the read error only.
DemoRecords ParseDemoRecords(std::span<const uint8_t> bytes, const std::string& fileName);

// Decodes the known records in file order, up to the truncation if there is one, and hands each
// to visit until it returns false. Returns false when visit stopped it.
bool ForEachDemoRecord(const DemoRecords& parsed,
                       const std::function<bool(const DemoRecord&)>& visit);

// A record that breaks the rules, or the end of a truncated file.
struct DemoProblem {
    size_t offset = 0;
    std::string text; // Windows-1252 like every message; for a read error, the whole message
    bool readError = false;
    // The member of the handle or key that the problem concerns ("start", "end", "time"), or
    // null for the record as a whole; lets the compiler point at the text that caused it.
    const char* member = nullptr;
};

// Strict stops at the first problem, as the player does. Lenient reports every problem, passes
// over the record that has it and goes on, so that a broken file can still be looked at.
enum class DemoPolicy { Strict, Lenient };

// What the walk hands out, in file order. Every member may be left empty.
struct DemoVisitor {
    // A handle record (after a 0x0100 the Timeline starts again). Returns how many fields its
    // type has, or nullopt for a type the caller does not know: any field may then be selected.
    std::function<std::optional<size_t>(const DemoRecord&)> handle;
    // A field of the current handle was selected; index counts from 0.
    std::function<void(const DemoRecord&, size_t index)> field;
    // A key for the selected field; a 0x0300 starts the field's track again.
    std::function<void(const DemoRecord&)> key;
    std::function<void(const DemoProblem&)> problem;
};

// Walks the records, then the read error if there is one. Returns true when there was no
// problem. A file that ends cleanly must leave 0 in the next link of its last handle and of the
// last key of each track.
bool WalkDemoRecords(const DemoRecords& parsed, DemoPolicy policy, const DemoVisitor& visitor);

// Hands out the next bytes of a demo file: fills the front of `into` and returns how many bytes
// it put there, 0 only at the end of the file. Throws to stop the walk (a read error).
using DemoByteReader = std::function<size_t(std::span<uint8_t> into)>;

// The same walk over a file read in pieces, so that only a piece of the file is in memory at a
// time: a reader of a whole file holds the file and what it builds from it, one that streams
// holds little more than what it builds. The problems, the read error of a truncated file
// included, are those WalkDemoRecords reports for the same bytes.
bool WalkDemoStream(const DemoByteReader& read, const std::string& fileName, DemoPolicy policy,
                    const DemoVisitor& visitor);

// "Invalid demo file (FILE, byte N): TEXT", or the read error as it is.
std::string DemoProblemMessage(const std::string& fileName, const DemoProblem& problem);

} // namespace quv
