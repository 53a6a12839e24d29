#pragma once
// Writing demo files. A DemoDocument holds a Timeline the way the file does: handles in drawing
// order, each with the keys of its fields by position. tools/demotext.h gives it a readable form.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/musicaltime.h"

namespace quv {

struct DemoKey {
    double time = 0.0;
    double value = 0.0;
    uint8_t kind = 1;
    int32_t steps = 0;
};

struct DemoHandleRecord {
    std::string type;  // Windows-1252, at most 64 bytes
    std::string label; // Windows-1252, at most 64 bytes
    double start = 0.0;
    double end = 0.0;
    // Keys of each field by position; fields past the last keyed one are left out, and a field
    // with no keys is an empty list.
    std::vector<std::vector<DemoKey>> fields;
};

struct DemoDocument {
    std::vector<DemoHandleRecord> handles;
    // The text form's "bpm" and "offset" (bpm 0 when it gives none). The file does not keep
    // them; with a bpm, the text form writes times as bars and beats where they are exact.
    MusicalTempo tempo;
};

// A problem in a text form or a demo file; the message is UTF-8 and names the source and the
// location (a JSON pointer such as /handles/3/fields/Red/1, or a byte offset).
class DemoTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where a record of the written file comes from: the handle, and for a key its field position
// and index in that field's keys.
struct DemoRecordOrigin {
    size_t offset = 0; // of the record's tag
    size_t handle = 0;
    bool key = false;
    size_t field = 0;
    size_t index = 0;
};

// The file bytes for a document: each handle's record, then field selection tags up to each
// keyed field, each followed by its keys. Links and authoring words are written as 0. With
// origins, the handle and key records are listed there in file order.
std::vector<uint8_t> WriteDemoBytes(const DemoDocument& document,
                                    std::vector<DemoRecordOrigin>* origins = nullptr);

// A demo file as the player loads it: the same strict walk, so a file the player refuses is
// refused with the player's message, and an unknown type is an error. Whatever the document
// cannot hold (link words, skipped tags, selected fields without keys) is dropped;
// WriteDemoBytes of the result shows whether anything was.
DemoDocument ReadDemoDocument(std::span<const uint8_t> bytes, const std::string& sourceName);

// The names a type's fields have in the text form, in DefineFields order (duplicates get #2,
// #3 ...); empty for an unknown type.
std::vector<std::string> TextFieldNames(const std::string& typeCp1252);

} // namespace quv
