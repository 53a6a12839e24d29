#include "engine/_loadsave.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <deque>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/_effectfield.h"
#include "engine/_keyframer.h"
#include "engine/files.h"
#include "engine/framebudget.h"
#include "engine/message.h"

namespace quv {

EffectHandle* Timeline = nullptr;

namespace {

std::deque<EffectHandle> handleStore;
std::deque<Keyframe> keyStore;

void CopyName(std::array<char, 64>& to, const std::string& from)
{
    to.fill(0);
    std::memcpy(to.data(), from.data(), std::min(from.size(), to.size()));
}

} // namespace

void FreeTimeline()
{
    Timeline = nullptr;
    handleStore.clear();
    keyStore.clear();
    FreeEffectFields();
}

std::string HandleTypeName(const EffectHandle& handle)
{
    return std::string(handle.typeName.data(), strnlen(handle.typeName.data(), 64));
}

std::string HandleLabel(const EffectHandle& handle)
{
    return std::string(handle.label.data(), strnlen(handle.label.data(), 64));
}

namespace {

// Loads what walk hands to the visitor it is given (the whole bytes or a stream) into the
// Timeline, throwing DemoFileError at the first problem.
template <typename Walk> void LoadDemo(const std::string& fileName, Walk&& walk)
{
    FreeTimeline();

    // The strict walk hands out only records that fit where they are: a next handle has one
    // before it, a selected field exists, a next key has a key before it in its track.
    EffectHandle* current = nullptr;
    FieldNode* currentNode = nullptr;
    Keyframe* previousKey = nullptr;
    std::optional<DemoProblem> problem;
    DemoVisitor visitor;
    visitor.handle = [&](const DemoRecord& r) -> std::optional<size_t> {
        EffectHandle& handle = handleStore.emplace_back();
        CopyName(handle.typeName, r.typeName);
        CopyName(handle.label, r.label);
        handle.startTime = r.startTime;
        handle.endTime = r.endTime;
        handle.fileOffset = r.offset;
        handle.work = InstanceWork(r.typeName);
        if (r.tag == TagFirstHandle)
            Timeline = &handle;
        else
            current->next = &handle;
        current = &handle;
        currentNode = nullptr;

        handle.effectClass = FindEffectClass(r.typeName);
        if (handle.effectClass == nullptr) {
            ShowMessage(ApplicationTitle, "[Load Error] Effect not found: " + r.label);
            std::exit(1);
        }
        handle.effectClass->DefineFields(handle.fields);
        handle.Render = handle.effectClass->Render;
        size_t count = 0;
        for (FieldNode* node = handle.fields; node != nullptr; node = node->next)
            ++count;
        return count;
    };
    visitor.field = [&](const DemoRecord&, size_t index) {
        currentNode = index == 0 ? current->fields : currentNode->next;
    };
    visitor.key = [&](const DemoRecord& r) {
        Keyframe& key = keyStore.emplace_back();
        key.time = r.time;
        key.value = r.value;
        key.InterpolationKind = r.kind;
        key.CurveSteps = r.steps;
        if (r.tag == TagFirstKey) {
            currentNode->field->track = &key;
        } else {
            previousKey->next = &key;
            key.previous = previousKey;
        }
        previousKey = &key;
    };
    visitor.problem = [&](const DemoProblem& p) { problem = p; };
    if (!walk(visitor))
        throw DemoFileError(DemoProblemMessage(fileName, *problem));
}

} // namespace

void LoadDemoBytes(std::span<const uint8_t> bytes, const std::string& fileName)
{
    LoadDemo(fileName, [&](const DemoVisitor& visitor) {
        return WalkDemoRecords(ParseDemoRecords(bytes, fileName), DemoPolicy::Strict, visitor);
    });
}

void LoadDemoStream(const DemoByteReader& read, const std::string& fileName)
{
    LoadDemo(fileName, [&](const DemoVisitor& visitor) {
        return WalkDemoStream(read, fileName, DemoPolicy::Strict, visitor);
    });
}

namespace {

// Reads up to limit + 1 bytes (whole when wantWhole, so that more than limit is TooLarge).
FileRead ReadRegularFile(const std::string& path, uint64_t limit, bool wantWhole)
{
    FileStream stream(path, limit, wantWhole);
    FileRead read = stream.Failure();
    if (read.failure != ReadFailure::None)
        return read;
    // The file may grow while it is read; the stream tells when it passes the limit. The room
    // for a look past the end is reserved with the file, so that it never moves the bytes read
    // so far (a second copy of the whole file, for a moment).
    const auto size = static_cast<size_t>(std::min<uint64_t>(stream.Size(), limit));
    read.bytes.reserve(size + 65536);
    read.bytes.resize(size);
    size_t have = 0;
    for (;;) {
        if (have == read.bytes.size())
            read.bytes.resize(have + 65536);
        const size_t got =
            stream.Read(std::span<uint8_t>(read.bytes).subspan(have, read.bytes.size() - have));
        if (got == 0)
            break;
        have += got;
    }
    read.bytes.resize(have);
    if (stream.Failure().failure != ReadFailure::None) {
        read = stream.Failure();
        read.bytes = {};
    }
    return read;
}

} // namespace

FileStream::FileStream(const std::string& path, uint64_t limit, bool whole)
    : limit_(limit), whole_(whole)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        status_.failure = ReadFailure::CannotOpen;
        status_.error = errno;
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        status_.failure = ReadFailure::CannotOpen;
        status_.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        status_.failure = ReadFailure::NotRegularFile;
    } else {
        size_ = static_cast<uint64_t>(info.st_size);
        if (whole && size_ > limit) {
            status_.failure = ReadFailure::TooLarge;
            status_.size = size_;
        }
    }
}

FileStream::~FileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

size_t FileStream::Read(std::span<uint8_t> into)
{
    if (status_.failure != ReadFailure::None)
        return 0;
    // A whole file may read one byte past the limit: that byte tells that it grew over it.
    const uint64_t room = limit_ - read_ + (whole_ ? 1 : 0);
    const auto want = static_cast<size_t>(std::min<uint64_t>(into.size(), room));
    if (want == 0)
        return 0;
    for (;;) {
        const ssize_t got = ::read(fd_, into.data(), want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            status_.failure = ReadFailure::ReadError;
            status_.error = errno;
            return 0;
        }
        read_ += static_cast<uint64_t>(got);
        if (read_ > limit_) {
            status_.failure = ReadFailure::TooLarge;
            status_.size = read_;
            return 0;
        }
        return static_cast<size_t>(got);
    }
}

DemoByteReader StreamReader(FileStream& stream, const std::string& name)
{
    return [&stream, name](std::span<uint8_t> into) {
        const size_t got = stream.Read(into);
        if (got == 0 && stream.Failure().failure != ReadFailure::None)
            throw DemoFileError(ReadFailureText(stream.Failure(), name, stream.Limit()));
        return got;
    };
}

FileRead ReadWholeFile(const std::string& path, uint64_t limit)
{
    return ReadRegularFile(path, limit, true);
}

FileRead ReadFileHead(const std::string& path, size_t count)
{
    return ReadRegularFile(path, count, false);
}

std::string ReadFailureText(const FileRead& read, const std::string& name, uint64_t limit)
{
    const std::string quoted = "\"" + name + "\"";
    switch (read.failure) {
    case ReadFailure::None:
        return {};
    case ReadFailure::CannotOpen:
        return "Cannot open file " + quoted + ". " + std::strerror(read.error);
    case ReadFailure::NotRegularFile:
        return quoted + " is not a regular file";
    case ReadFailure::TooLarge:
        return quoted + " is too large (" + std::to_string(read.size) + " bytes; at most " +
               std::to_string(limit) + ")";
    case ReadFailure::ReadError:
        return "Cannot read file " + quoted + ". " + std::strerror(read.error);
    }
    return {};
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path)
{
    FileRead read = ReadWholeFile(path, MaxDemoFileBytes);
    if (read.failure == ReadFailure::None)
        return std::move(read.bytes);
    if (read.error == 0)
        errno = read.failure == ReadFailure::TooLarge ? EFBIG : EINVAL;
    else
        errno = read.error;
    return std::nullopt;
}

void LoadDemoFile(const std::string& fileName)
{
    FreeTimeline();
    const std::optional<std::string> path = ResolveDemoPath(fileName);
    if (!path)
        return; // a missing demo plays the music with an empty Timeline
    try {
        FileStream stream(*path, MaxDemoFileBytes);
        LoadDemoStream(StreamReader(stream, fileName), fileName);
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& error) {
        throw DemoFileError("\"" + fileName + "\": " + ExceptionText(error));
    }
}

} // namespace quv
