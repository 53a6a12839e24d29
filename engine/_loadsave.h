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
#include "engine/files.h"

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
    int64_t work = 0;      // what a Render takes from the frame's allowance (InstanceWork)
};

// Head of the loaded demo, in file (drawing) order.
extern EffectHandle* Timeline;

// An input/output or validation failure while reading a demo. The message names the file, the
// byte offset and the problem; a truncated record starts with "Read beyond end of file".
class DemoFileError : public FileError {
public:
    using FileError::FileError;
};

// Replaces the Timeline with the named file's contents. A missing file leaves the Timeline
// empty. A file that is not a regular file or is over MaxDemoFileBytes throws DemoFileError
// naming it, and so does any other failure while reading it (out of memory, for one). An unknown
// effect type shows "[Load Error] Effect not found: " with the label and ends the process with exit
// code 1. Read and validation failures throw DemoFileError, the records read before the failure
// staying in the Timeline.
void LoadDemoFile(const std::string& fileName);

// The same from bytes already in memory; fileName is used in messages only.
void LoadDemoBytes(std::span<const uint8_t> bytes, const std::string& fileName);

// The same from a file read in pieces (LoadDemoFile reads this way), so that the file is never
// whole in memory: loading takes about the memory of the keys and handles it makes. The reader
// throws DemoFileError for a failed read.
void LoadDemoStream(const DemoByteReader& read, const std::string& fileName);

// Releases the Timeline's keys, fields, nodes and handles; the Timeline becomes empty.
void FreeTimeline();

// Input files are read up to a size of their own kind (the loader streams a demo file, the
// others are read whole): a demo file, the image slot list and a TGA image (whose limit is its 256
// MiB pixel limit plus what a header, an image ID and a run-length encoding can add to it).
constexpr uint64_t MaxDemoFileBytes = uint64_t{256} << 20;
constexpr uint64_t MaxSlotListBytes = uint64_t{1} << 20;
constexpr uint64_t MaxTgaFileBytes = (uint64_t{256} << 20) + (uint64_t{256} << 20) / 3 + 65536;

enum class ReadFailure {
    None,
    CannotOpen,     // errno says why
    NotRegularFile, // a FIFO, directory, device or socket
    TooLarge,       // over the limit
    ReadError,      // errno says why
};

struct FileRead {
    std::vector<uint8_t> bytes;
    ReadFailure failure = ReadFailure::None;
    int error = 0;     // errno for CannotOpen and ReadError
    uint64_t size = 0; // the size found, for TooLarge
};

// A regular file opened for reading in pieces, checked as ReadWholeFile checks it: opened
// without blocking, refused unless fstat calls it a regular file, and refused when it is over
// the limit, before anything is read or later if it grows past it. With whole false, a file of
// any size is read up to the limit instead (ReadFileHead).
class FileStream {
public:
    FileStream(const std::string& path, uint64_t limit, bool whole = true);
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Fills the front of `into`; returns the bytes read, 0 at the end of the file or once it
    // failed. Failure() then tells which.
    size_t Read(std::span<uint8_t> into);
    // The failure so far, as FileRead holds it (its bytes empty).
    const FileRead& Failure() const { return status_; }
    // The size fstat gave when it was opened, and the limit it is read to.
    uint64_t Size() const { return size_; }
    uint64_t Limit() const { return limit_; }

private:
    int fd_ = -1;
    uint64_t limit_ = 0;
    bool whole_ = true;
    uint64_t read_ = 0;
    uint64_t size_ = 0;
    FileRead status_;
};

// A DemoByteReader over the stream, for a demo file that messages call name: once the stream
// has failed (on opening or later) it throws DemoFileError with ReadFailureText.
DemoByteReader StreamReader(FileStream& stream, const std::string& name);

// Reads a whole regular file of at most limit bytes. The file is opened without blocking (a FIFO
// would otherwise wait for a writer) and checked with fstat before anything is read, so a device,
// a FIFO or an oversized file costs no memory.
FileRead ReadWholeFile(const std::string& path, uint64_t limit);

// The first count bytes of a regular file (fewer when it is shorter), opened and checked the same
// way; a file of any size is read.
FileRead ReadFileHead(const std::string& path, size_t count);

// Why a read failed, naming the file: "Cannot open file "NAME". REASON", ""NAME" is not a regular
// file", ""NAME" is too large (N bytes; at most M)" or "Cannot read file "NAME". REASON".
std::string ReadFailureText(const FileRead& read, const std::string& name, uint64_t limit);

// The bytes of a demo file up to MaxDemoFileBytes; nullopt, with errno set, on any failure.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

std::string HandleTypeName(const EffectHandle& handle);
std::string HandleLabel(const EffectHandle& handle);

} // namespace quv
