#include "engine/_loadsave.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>

#include "engine/_effectfield.h"
#include "engine/_keyframer.h"
#include "engine/files.h"
#include "engine/message.h"

namespace quv {

EffectHandle* Timeline = nullptr;

namespace {

std::deque<EffectHandle> handleStore;
std::deque<Keyframe> keyStore;

// Bounds-checked little-endian reads from the file's bytes.
class Cursor {
public:
    explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t Offset() const { return offset_; }
    size_t Left() const { return bytes_.size() - offset_; }
    bool AtEnd() const { return offset_ >= bytes_.size(); }
    std::span<const uint8_t> Take(size_t count)
    {
        std::span<const uint8_t> part = bytes_.subspan(offset_, count);
        offset_ += count;
        return part;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
};

uint16_t U16(std::span<const uint8_t> b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t U32(std::span<const uint8_t> b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

double F64(std::span<const uint8_t> b, size_t at)
{
    const uint64_t bits =
        static_cast<uint64_t>(U32(b, at)) | (static_cast<uint64_t>(U32(b, at + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string Text64(std::span<const uint8_t> b, size_t at)
{
    const char* begin = reinterpret_cast<const char*>(b.data() + at);
    return std::string(begin, strnlen(begin, 64));
}

std::string Where(const std::string& fileName, size_t offset)
{
    return fileName + ", byte " + std::to_string(offset);
}

[[noreturn]] void Invalid(const std::string& fileName, size_t offset, const std::string& what)
{
    throw DemoFileError("Invalid demo file (" + Where(fileName, offset) + "): " + what);
}

const char* RecordName(uint16_t tag)
{
    return tag == TagFirstHandle || tag == TagNextHandle ? "EffectHandle" : "Keyframe";
}

void CopyName(std::array<char, 64>& to, const std::string& from)
{
    to.fill(0);
    std::memcpy(to.data(), from.data(), std::min(from.size(), to.size()));
}

std::string HexTag(uint16_t tag)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", tag);
    return text;
}

} // namespace

DemoRecords ParseDemoRecords(std::span<const uint8_t> bytes, const std::string& fileName)
{
    DemoRecords out;
    Cursor cursor(bytes);
    while (!cursor.AtEnd()) {
        const size_t tagOffset = cursor.Offset();
        if (cursor.Left() < 2) {
            out.readError = "Read beyond end of file (" + Where(fileName, tagOffset) +
                            ": a record tag needs 2 bytes, 1 is left)";
            out.readErrorOffset = tagOffset;
            break;
        }
        const uint16_t tag = U16(cursor.Take(2), 0);
        size_t payload = 0;
        switch (tag) {
        case TagFirstHandle:
        case TagNextHandle:
            payload = EffectHandleRecordSize;
            break;
        case TagFirstKey:
        case TagNextKey:
            payload = KeyframeRecordSize;
            break;
        case TagFirstField:
        case TagNextField:
            break;
        default:
            ++out.skippedTags;
            continue;
        }
        if (cursor.Left() < payload) {
            out.readError = "Read beyond end of file (" + Where(fileName, cursor.Offset()) +
                            ": the " + RecordName(tag) + " record needs " +
                            std::to_string(payload) + " bytes, " + std::to_string(cursor.Left()) +
                            " are left)";
            out.readErrorOffset = cursor.Offset();
            break;
        }
        DemoRecord record;
        record.tag = tag;
        record.offset = tagOffset;
        const std::span<const uint8_t> b = cursor.Take(payload);
        if (payload == EffectHandleRecordSize) {
            record.typeName = Text64(b, 0);
            record.label = Text64(b, 64);
            record.startTime = F64(b, 128);
            record.endTime = F64(b, 136);
            record.nextLink = U32(b, 160);
        } else if (payload == KeyframeRecordSize) {
            record.time = F64(b, 0);
            record.value = F64(b, 8);
            record.kind = b[16];
            record.steps = static_cast<int32_t>(U32(b, 20));
            record.nextLink = U32(b, 28);
        }
        out.records.push_back(std::move(record));
    }
    return out;
}

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

    EffectHandle* current = nullptr;
    uint32_t currentHandleLink = 0;
    size_t currentHandleOffset = 0;
    FieldNode* currentNode = nullptr;
    Keyframe* currentKey = nullptr;
    Keyframe* previousKey = nullptr;
    uint32_t currentKeyLink = 0;
    size_t currentKeyOffset = 0;

    // The last key of a track and the last handle must store 0 as their next link.
    auto closeTrack = [&] {
        if (currentKey != nullptr && currentKeyLink != 0)
            Invalid(fileName, currentKeyOffset,
                    "the last Keyframe of a track has a non-zero next link");
        currentKey = nullptr;
        previousKey = nullptr;
    };
    auto closeHandle = [&] {
        if (current != nullptr && currentHandleLink != 0)
            Invalid(fileName, currentHandleOffset,
                    "the last EffectHandle has a non-zero next link");
    };

    for (const DemoRecord& r : parsed.records) {
        if (r.tag != TagNextKey)
            closeTrack();
        switch (r.tag) {
        case TagFirstHandle:
        case TagNextHandle: {
            if (r.tag == TagNextHandle && current == nullptr)
                Invalid(fileName, r.offset,
                        "tag 0x0101 (next EffectHandle) comes before any "
                        "EffectHandle");
            if (r.tag == TagFirstHandle)
                closeHandle();
            EffectHandle& handle = handleStore.emplace_back();
            CopyName(handle.typeName, r.typeName);
            CopyName(handle.label, r.label);
            handle.startTime = r.startTime;
            handle.endTime = r.endTime;
            handle.fileOffset = r.offset;
            if (r.tag == TagFirstHandle)
                Timeline = &handle;
            else
                current->next = &handle;
            current = &handle;
            currentHandleLink = r.nextLink;
            currentHandleOffset = r.offset;
            currentNode = nullptr;

            handle.effectClass = FindEffectClass(r.typeName);
            if (handle.effectClass == nullptr) {
                ShowMessage(ApplicationTitle, "[Load Error] Effect not found: " + r.label);
                std::exit(1);
            }
            handle.effectClass->DefineFields(handle.fields);
            handle.Render = handle.effectClass->Render;
            break;
        }
        case TagFirstField:
            if (current == nullptr)
                Invalid(fileName, r.offset,
                        "tag 0x0200 (first field) comes before any "
                        "EffectHandle");
            if (current->fields == nullptr)
                Invalid(fileName, r.offset,
                        "tag 0x0200 selects a field of \"" + HandleTypeName(*current) +
                            "\", which has no fields");
            currentNode = current->fields;
            break;
        case TagNextField:
            if (currentNode == nullptr)
                Invalid(fileName, r.offset,
                        "tag 0x0201 (next field) comes before the first field was selected");
            if (currentNode->next == nullptr)
                Invalid(fileName, r.offset,
                        "tag 0x0201 selects a field past the last field of \"" +
                            HandleTypeName(*current) + "\"");
            currentNode = currentNode->next;
            break;
        case TagFirstKey:
        case TagNextKey: {
            if (currentNode == nullptr)
                Invalid(fileName, r.offset,
                        HexTag(r.tag) + " (Keyframe) comes before a field "
                                        "was selected");
            if (r.tag == TagNextKey && currentKey == nullptr)
                Invalid(fileName, r.offset,
                        "tag 0x0301 (next Keyframe) comes before the field's first Keyframe");
            Keyframe& key = keyStore.emplace_back();
            key.time = r.time;
            key.value = r.value;
            key.InterpolationKind = r.kind;
            key.CurveSteps = r.steps;
            if (r.tag == TagFirstKey) {
                currentNode->field->track = &key;
            } else {
                currentKey->next = &key;
                key.previous = previousKey;
            }
            currentKey = &key;
            previousKey = &key;
            currentKeyLink = r.nextLink;
            currentKeyOffset = r.offset;
            break;
        }
        default:
            break;
        }
    }
    if (parsed.readError)
        throw DemoFileError(*parsed.readError);
    closeTrack();
    closeHandle();
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

void LoadDemoFile(const std::string& fileName)
{
    FreeTimeline();
    const std::optional<std::string> path = ResolveDemoPath(fileName);
    if (!path)
        return; // a missing demo plays the music with an empty Timeline
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(*path);
    if (!bytes)
        throw DemoFileError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    LoadDemoBytes(*bytes, fileName);
}

} // namespace quv
