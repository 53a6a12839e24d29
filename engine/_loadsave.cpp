#include "engine/_loadsave.h"

#include <cerrno>
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
