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

void LoadDemoBytes(std::span<const uint8_t> bytes, const std::string& fileName)
{
    FreeTimeline();
    const DemoRecords parsed = ParseDemoRecords(bytes, fileName);

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
    if (!WalkDemoRecords(parsed, DemoPolicy::Strict, visitor))
        throw DemoFileError(DemoProblemMessage(fileName, *problem));
}

namespace {

// Reads up to limit + 1 bytes (whole when wantWhole, so that more than limit is TooLarge).
FileRead ReadRegularFile(const std::string& path, uint64_t limit, bool wantWhole)
{
    FileRead read;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        read.failure = ReadFailure::CannotOpen;
        read.error = errno;
        return read;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        read.failure = ReadFailure::CannotOpen;
        read.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        read.failure = ReadFailure::NotRegularFile;
    } else if (wantWhole && static_cast<uint64_t>(info.st_size) > limit) {
        read.failure = ReadFailure::TooLarge;
        read.size = static_cast<uint64_t>(info.st_size);
    } else {
        // The file may grow while it is read; one byte more than the limit tells. The room for
        // that look past the end is reserved with the file, so that it never moves the bytes
        // read so far (a second copy of the whole file, for a moment).
        const auto size = static_cast<size_t>(std::min<uint64_t>(info.st_size, limit));
        read.bytes.reserve(size + 65536);
        read.bytes.resize(size);
        size_t have = 0;
        for (;;) {
            if (have == read.bytes.size()) {
                if (!wantWhole && have == limit)
                    break;
                if (have > limit) {
                    read.failure = ReadFailure::TooLarge;
                    read.size = have;
                    break;
                }
                const uint64_t most = wantWhole ? limit + 1 : limit;
                read.bytes.resize(have + std::min<uint64_t>(most - have, 65536));
            }
            const ssize_t got = ::read(fd, read.bytes.data() + have, read.bytes.size() - have);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                read.failure = ReadFailure::ReadError;
                read.error = errno;
                break;
            }
            if (got == 0)
                break;
            have += static_cast<size_t>(got);
        }
        read.bytes.resize(have);
    }
    ::close(fd);
    if (read.failure != ReadFailure::None)
        read.bytes = {};
    return read;
}

} // namespace

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
        const FileRead read = ReadWholeFile(*path, MaxDemoFileBytes);
        if (read.failure != ReadFailure::None)
            throw DemoFileError(ReadFailureText(read, fileName, MaxDemoFileBytes));
        LoadDemoBytes(read.bytes, fileName);
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& error) {
        throw DemoFileError("\"" + fileName + "\": " + ExceptionText(error));
    }
}

} // namespace quv
