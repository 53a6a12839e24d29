#include "engine/_demorecords.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quv {

namespace {

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

const char* RecordName(uint16_t tag)
{
    return tag == TagFirstHandle || tag == TagNextHandle ? "EffectHandle" : "Keyframe";
}

// The bytes after a known tag; nullopt for a tag the reader passes over.
std::optional<size_t> PayloadSize(uint16_t tag)
{
    switch (tag) {
    case TagFirstHandle:
    case TagNextHandle:
        return EffectHandleRecordSize;
    case TagFirstKey:
    case TagNextKey:
        return KeyframeRecordSize;
    case TagFirstField:
    case TagNextField:
        return 0;
    default:
        return std::nullopt;
    }
}

// The read errors of a file that ends inside a tag or a record.
std::string TagReadError(const std::string& fileName, size_t tagOffset)
{
    return "Read beyond end of file (" + Where(fileName, tagOffset) +
           ": a record tag needs 2 bytes, 1 is left)";
}

std::string RecordReadError(const std::string& fileName, uint16_t tag, size_t payloadOffset,
                            size_t payload, size_t left)
{
    return "Read beyond end of file (" + Where(fileName, payloadOffset) + ": the " +
           RecordName(tag) + " record needs " + std::to_string(payload) + " bytes, " +
           std::to_string(left) + " are left)";
}

// Decodes the payload b of a record with a known tag.
void DecodeRecord(uint16_t tag, size_t offset, std::span<const uint8_t> b, DemoRecord& record)
{
    record = DemoRecord{}; // a field record carries nothing of the record before it
    record.offset = offset;
    record.tag = tag;
    if (b.size() == EffectHandleRecordSize) {
        record.typeName = Text64(b, 0);
        record.label = Text64(b, 64);
        record.startTime = F64(b, 128);
        record.endTime = F64(b, 136);
        record.nextLink = U32(b, 160);
    } else if (b.size() == KeyframeRecordSize) {
        record.time = F64(b, 0);
        record.value = F64(b, 8);
        record.kind = b[16];
        record.steps = static_cast<int32_t>(U32(b, 20));
        record.nextLink = U32(b, 28);
    }
}

std::string HexTag(uint16_t tag)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", tag);
    return text;
}

// The walk's position: the current handle, the selected field and the track being read. Each
// step returns false when the walk stops.
class Walker {
public:
    Walker(DemoPolicy policy, const DemoVisitor& visitor) : policy_(policy), visitor_(visitor) {}

    bool Record(const DemoRecord& r)
    {
        if (r.tag != TagNextKey && !CloseTrack())
            return false;
        switch (r.tag) {
        case TagFirstHandle:
        case TagNextHandle:
            return Handle(r);
        case TagFirstField:
        case TagNextField:
            return Field(r);
        case TagFirstKey:
        case TagNextKey:
            return Key(r);
        default:
            return true;
        }
    }

    // At the end of a file read to its end.
    bool Close() { return CloseTrack() && CloseHandle(); }

    bool Problem(size_t offset, std::string text, bool readError = false)
    {
        clean_ = false;
        // A file of nothing but misplaced tags would otherwise hold a message for every 2 bytes.
        if (++problemCount_ > MaxDemoProblems) {
            if (visitor_.problem)
                visitor_.problem({offset,
                                  "more than " + std::to_string(MaxDemoProblems) +
                                      " problems; the rest of the file is not checked",
                                  false});
            return false;
        }
        if (visitor_.problem)
            visitor_.problem({offset, std::move(text), readError});
        return policy_ == DemoPolicy::Lenient;
    }

    bool Clean() const { return clean_; }

private:
    // The last key of a track and the last handle must store 0 as their next link.
    bool CloseTrack()
    {
        const bool linked = inTrack_ && keyLink_ != 0;
        inTrack_ = false;
        return !linked ||
               Problem(keyOffset_, "the last Keyframe of a track has a non-zero next link");
    }

    bool CloseHandle()
    {
        return !handle_ || handle_->nextLink == 0 ||
               Problem(handle_->offset, "the last EffectHandle has a non-zero next link");
    }

    bool Handle(const DemoRecord& r)
    {
        if (r.tag == TagNextHandle && !handle_ &&
            !Problem(r.offset, "tag 0x0101 (next EffectHandle) comes before any EffectHandle"))
            return false;
        if (r.tag == TagFirstHandle && !CloseHandle())
            return false;
        if (++handleCount_ > MaxDemoHandles) {
            Problem(r.offset, "more than " + std::to_string(MaxDemoHandles) +
                                  " EffectHandles; the rest of the file is not read");
            return false;
        }
        handle_ = r; // the record itself is gone after this step
        selected_ = false;
        const std::optional<size_t> count = visitor_.handle ? visitor_.handle(r) : std::nullopt;
        fieldCount_ = count.value_or(SIZE_MAX);
        return true;
    }

    // A field or key record the rules refuse is reported, and passed over when lenient.
    bool Field(const DemoRecord& r)
    {
        if (!handle_ && r.tag == TagFirstField)
            return Problem(r.offset, "tag 0x0200 (first field) comes before any EffectHandle");
        if (r.tag == TagNextField && !selected_)
            return Problem(r.offset,
                           "tag 0x0201 (next field) comes before the first field was selected");
        const size_t index = r.tag == TagFirstField ? 0 : field_ + 1;
        if (index >= fieldCount_) {
            selected_ = false;
            const std::string type = "\"" + handle_->typeName + "\"";
            return Problem(r.offset,
                           r.tag == TagFirstField
                               ? "tag 0x0200 selects a field of " + type + ", which has no fields"
                               : "tag 0x0201 selects a field past the last field of " + type);
        }
        selected_ = true;
        field_ = index;
        if (visitor_.field)
            visitor_.field(r, index);
        return true;
    }

    bool Key(const DemoRecord& r)
    {
        if (!selected_)
            return Problem(r.offset,
                           HexTag(r.tag) + " (Keyframe) comes before a field was selected");
        if (r.tag == TagNextKey && !inTrack_)
            return Problem(r.offset,
                           "tag 0x0301 (next Keyframe) comes before the field's first Keyframe");
        inTrack_ = true;
        keyLink_ = r.nextLink;
        keyOffset_ = r.offset;
        if (visitor_.key)
            visitor_.key(r);
        return true;
    }

    DemoPolicy policy_;
    const DemoVisitor& visitor_;
    bool clean_ = true;
    size_t problemCount_ = 0;
    std::optional<DemoRecord> handle_;
    size_t handleCount_ = 0;
    size_t fieldCount_ = 0; // SIZE_MAX when the visitor does not know the type
    bool selected_ = false;
    size_t field_ = 0;
    bool inTrack_ = false;
    uint32_t keyLink_ = 0;
    size_t keyOffset_ = 0;
};

} // namespace

DemoRecords ParseDemoRecords(std::span<const uint8_t> bytes, const std::string& fileName)
{
    DemoRecords out;
    out.bytes = bytes;
    out.fileName = fileName;
    Cursor cursor(bytes);
    while (!cursor.AtEnd()) {
        const size_t tagOffset = cursor.Offset();
        if (cursor.Left() < 2) {
            out.readError = TagReadError(fileName, tagOffset);
            out.readErrorOffset = tagOffset;
            out.end = tagOffset;
            return out;
        }
        const uint16_t tag = U16(cursor.Take(2), 0);
        const std::optional<size_t> payload = PayloadSize(tag);
        if (!payload) {
            ++out.skippedTags;
            continue;
        }
        if (cursor.Left() < *payload) {
            out.readError =
                RecordReadError(fileName, tag, cursor.Offset(), *payload, cursor.Left());
            out.readErrorOffset = cursor.Offset();
            out.end = tagOffset;
            return out;
        }
        cursor.Take(*payload);
        ++out.recordCount;
    }
    out.end = bytes.size();
    return out;
}

bool ForEachDemoRecord(const DemoRecords& parsed,
                       const std::function<bool(const DemoRecord&)>& visit)
{
    Cursor cursor(parsed.bytes.first(parsed.end));
    DemoRecord record;
    while (!cursor.AtEnd()) {
        const size_t offset = cursor.Offset();
        const uint16_t tag = U16(cursor.Take(2), 0);
        const std::optional<size_t> payload = PayloadSize(tag);
        if (!payload)
            continue;
        DecodeRecord(tag, offset, cursor.Take(*payload), record);
        if (!visit(record))
            return false;
    }
    return true;
}

bool WalkDemoStream(const DemoByteReader& read, const std::string& fileName, DemoPolicy policy,
                    const DemoVisitor& visitor)
{
    // The unread bytes are buffer[begin, end), and buffer[0] is the file's byte `base`.
    std::vector<uint8_t> buffer(size_t{64} << 10);
    size_t begin = 0;
    size_t end = 0;
    size_t base = 0;
    bool atEnd = false;
    // Makes `need` bytes (at most a record) available at begin, unless the file ends first.
    const auto have = [&](size_t need) {
        if (end - begin >= need)
            return true;
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        base += begin;
        end -= begin;
        begin = 0;
        while (end < buffer.size() && !atEnd) {
            const size_t got = read(std::span<uint8_t>(buffer).subspan(end));
            if (got == 0)
                atEnd = true;
            end += std::min(got, buffer.size() - end);
        }
        return end - begin >= need;
    };

    Walker walker(policy, visitor);
    DemoRecord record;
    std::optional<std::string> readError;
    size_t readErrorOffset = 0;
    while (have(1)) {
        const size_t offset = base + begin;
        if (!have(2)) {
            readError = TagReadError(fileName, offset);
            readErrorOffset = offset;
            break;
        }
        const uint16_t tag = U16(std::span<const uint8_t>(buffer), begin);
        begin += 2;
        const std::optional<size_t> payload = PayloadSize(tag);
        if (!payload)
            continue;
        if (!have(*payload)) {
            readErrorOffset = base + begin;
            readError = RecordReadError(fileName, tag, readErrorOffset, *payload, end - begin);
            break;
        }
        DecodeRecord(tag, offset, std::span<const uint8_t>(buffer).subspan(begin, *payload),
                     record);
        begin += *payload;
        if (!walker.Record(record))
            return false;
    }
    // As for a whole file: the links are not checked after a truncation.
    if (readError) {
        walker.Problem(readErrorOffset, *readError, true);
        return false;
    }
    return walker.Close() && walker.Clean();
}

bool WalkDemoRecords(const DemoRecords& parsed, DemoPolicy policy, const DemoVisitor& visitor)
{
    // Bytes in memory are walked as a stream that hands them out a buffer at a time: one walk,
    // with one account of truncation, serves both.
    size_t at = 0;
    const auto read = [&](std::span<uint8_t> into) {
        const size_t n = std::min(into.size(), parsed.bytes.size() - at);
        std::copy_n(parsed.bytes.begin() + static_cast<std::ptrdiff_t>(at), n, into.begin());
        at += n;
        return n;
    };
    return WalkDemoStream(read, parsed.fileName, policy, visitor);
}

std::string DemoProblemMessage(const std::string& fileName, const DemoProblem& problem)
{
    if (problem.readError)
        return problem.text;
    return "Invalid demo file (" + Where(fileName, problem.offset) + "): " + problem.text;
}

} // namespace quv
