#pragma once
// Loading "demodata.quv" into the Timeline. The records are decoded and walked strictly
// (engine/_demorecords.h) into our own structures; the file's 32-bit link words are kept only as
// numbers, for validation, and never used as pointers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/_demorecords.h"
#include "engine/_effecthandle.h"

namespace quv {

struct Keyframe;

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
