// The demo document: a Timeline the way the file holds it, written to bytes and read back from
// them by the strict walk the player loads with.

#include "tools/demowriter.h"

#include <cstring>
#include <map>
#include <optional>

#include "engine/_demorecords.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/message.h"

namespace quv {

namespace {

class ByteWriter {
public:
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            U8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void F64(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U32(static_cast<uint32_t>(bits));
        U32(static_cast<uint32_t>(bits >> 32));
    }
    void Text64(const std::string& text)
    {
        for (size_t i = 0; i < 64; ++i)
            U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
    std::vector<uint8_t> bytes;
};

} // namespace

std::vector<std::string> TextFieldNames(const std::string& typeCp1252)
{
    std::vector<std::string> names;
    EffectClass* effectClass = FindEffectClass(typeCp1252);
    if (effectClass == nullptr)
        return names;
    // DefineFields makes fresh fields in the shared store; they go with the next FreeTimeline.
    FieldNode* head = nullptr;
    effectClass->DefineFields(head);
    std::map<std::string, int> seen;
    for (FieldNode* node = head; node != nullptr; node = node->next) {
        const std::string name = FieldName(*node->field);
        const int count = ++seen[name];
        names.push_back(count == 1 ? name : name + "#" + std::to_string(count));
    }
    return names;
}

std::vector<uint8_t> WriteDemoBytes(const DemoDocument& document,
                                    std::vector<DemoRecordOrigin>* origins)
{
    ByteWriter out;
    for (size_t h = 0; h < document.handles.size(); ++h) {
        const DemoHandleRecord& handle = document.handles[h];
        if (origins != nullptr)
            origins->push_back({out.bytes.size(), h, false, 0, 0});
        out.U16(h == 0 ? TagFirstHandle : TagNextHandle);
        out.Text64(handle.type);
        out.Text64(handle.label);
        out.F64(handle.start);
        out.F64(handle.end);
        for (int word = 0; word < 6; ++word)
            out.U32(0); // authoring word, class, fields, Render, next, authoring word
        size_t lastKeyed = handle.fields.size();
        for (size_t f = 0; f < handle.fields.size(); ++f)
            if (!handle.fields[f].empty())
                lastKeyed = f;
        if (lastKeyed == handle.fields.size())
            continue;
        for (size_t f = 0; f <= lastKeyed; ++f) {
            out.U16(f == 0 ? TagFirstField : TagNextField);
            for (size_t k = 0; k < handle.fields[f].size(); ++k) {
                const DemoKey& key = handle.fields[f][k];
                if (origins != nullptr)
                    origins->push_back({out.bytes.size(), h, true, f, k});
                out.U16(k == 0 ? TagFirstKey : TagNextKey);
                out.F64(key.time);
                out.F64(key.value);
                out.U8(key.kind);
                out.U8(0);
                out.U8(0);
                out.U8(0);
                out.U32(static_cast<uint32_t>(key.steps));
                out.U32(0); // previous
                out.U32(0); // next
            }
        }
    }
    return std::move(out.bytes);
}

DemoDocument ReadDemoDocument(std::span<const uint8_t> bytes, const std::string& sourceName)
{
    const DemoRecords parsed = ParseDemoRecords(bytes, sourceName);
    DemoDocument document;
    size_t field = 0;
    std::optional<DemoProblem> problem;
    DemoVisitor visitor;
    visitor.handle = [&](const DemoRecord& r) -> std::optional<size_t> {
        if (r.tag == TagFirstHandle)
            document.handles.clear(); // the player starts a new Timeline
        if (FindEffectClass(r.typeName) == nullptr)
            throw DemoTextError(sourceName + ", byte " + std::to_string(r.offset) +
                                ": unknown effect type \"" + Cp1252ToUtf8(r.typeName) +
                                "\" (label \"" + Cp1252ToUtf8(r.label) + "\")");
        document.handles.push_back({r.typeName, r.label, r.startTime, r.endTime, {}});
        return TextFieldNames(r.typeName).size();
    };
    visitor.field = [&](const DemoRecord&, size_t index) { field = index; };
    visitor.key = [&](const DemoRecord& r) {
        auto& fields = document.handles.back().fields;
        if (fields.size() <= field)
            fields.resize(field + 1);
        if (r.tag == TagFirstKey)
            fields[field].clear(); // a new first key replaces the track
        fields[field].push_back({r.time, r.value, r.kind, r.steps});
    };
    visitor.problem = [&](const DemoProblem& p) { problem = p; };
    if (!WalkDemoRecords(parsed, DemoPolicy::Strict, visitor)) {
        if (!problem->readError)
            problem->text = Cp1252ToUtf8(problem->text);
        throw DemoTextError(DemoProblemMessage(sourceName, *problem));
    }
    for (DemoHandleRecord& handle : document.handles)
        while (!handle.fields.empty() && handle.fields.back().empty())
            handle.fields.pop_back();
    return document;
}

} // namespace quv
