#pragma once
// The demo file "demodata.quv": a flat stream of tagged, fixed-size little-endian records with no
// header. Records are decoded field by field into our own structures; the file's 32-bit link words
// are kept only as numbers, for validation, and never used as pointers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/_effecthandle.h"

namespace quv {

struct Keyframe;

enum RecordTag : uint16_t {
    TagFirstHandle = 0x0100,
    TagNextHandle = 0x0101,
    TagFirstField = 0x0200,
    TagNextField = 0x0201,
    TagFirstKey = 0x0300,
    TagNextKey = 0x0301,
};

constexpr size_t EffectHandleRecordSize = 168;
constexpr size_t KeyframeRecordSize = 32;

struct EffectHandle {
    std::array<char, 64> typeName{};
    std::array<char, 64> label{};
    double startTime = 0.0;
    double endTime = 0.0;
    EffectClass* effectClass = nullptr;
    FieldNode* fields = nullptr;
    RenderProc Render = nullptr;
    EffectHandle* next = nullptr;
    size_t fileOffset = 0; // byte offset of the record's tag
};

// Head of the loaded demo, in file (drawing) order.
extern EffectHandle* Timeline;

// An input/output or validation failure while reading a demo. The message names the file, the
// byte offset and the problem; a truncated record starts with "Read beyond end of file".
class DemoFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One record of the file as decoded, before anything is resolved.
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

struct DemoRecords {
    std::vector<DemoRecord> records; // the known tags, in file order
    size_t skippedTags = 0;
    // Set when the file ended inside a tag or record; the records before it are kept.
    std::optional<std::string> readError;
    size_t readErrorOffset = 0;
};

// Pure decoding of the byte stream (no registry, no allocation of Timeline records).
DemoRecords ParseDemoRecords(std::span<const uint8_t> bytes, const std::string& fileName);

// Replaces the Timeline with the named file's contents. A missing file leaves the Timeline
// empty. An unknown effect type shows "[Load Error] Effect not found: " with the label and ends
// the process with exit code 1. Read and validation failures throw DemoFileError, the records
// read before the failure staying in the Timeline.
void LoadDemoFile(const std::string& fileName);

// The same from bytes already in memory; fileName is used in messages only.
void LoadDemoBytes(std::span<const uint8_t> bytes, const std::string& fileName);

// Releases the Timeline's keys, fields, nodes and handles; the Timeline becomes empty.
void FreeTimeline();

// Reads a whole file; nullopt when it cannot be opened.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

std::string HandleTypeName(const EffectHandle& handle);
std::string HandleLabel(const EffectHandle& handle);

} // namespace quv
