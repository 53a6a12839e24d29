#pragma once
// Writing demo files, and their readable text form. A DemoDocument holds a Timeline the way the
// file does: handles in drawing order, each with the keys of its fields by position. The text
// form is JSON and names effect types and fields; the registry (InitialiseModules) supplies the
// field order that turns names into positions and back.
//
//   {"handles": [
//     {"type": "OpenGL Clear", "label": "black", "start": 0.0, "end": 60000.0,
//      "fields": {"Red": [{"time": 0.0, "value": 0.0, "kind": "LINEAR", "steps": 0},
//                         [1000, 1, "CONST"]]}}]}
//
// Keys are objects (time, value, kind, steps) or arrays [time, value, kind?, steps?]; kind is a
// name ("CONST", "LINEAR", "BEZIER CUSP", "BEZIER SMOOTH", "BEZIER SYMMETRICAL") or a byte, and
// defaults to "LINEAR"; steps defaults to 0. Non-finite numbers are the strings "NaN",
// "Infinity" and "-Infinity". A type with several fields of one name ("-" twice) addresses the
// later ones as "-#2", "-#3". Comments (// and /* */) are allowed. Text is UTF-8; the file keeps
// Windows-1252 bytes.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

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
};

// A problem in a text form or a demo file; the message starts with the source name and the
// location (a JSON pointer such as /handles/3/fields/Red/1, or a byte offset).
class DemoTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file bytes for a document: each handle's record, then field selection tags up to each
// keyed field, each followed by its keys. Links and authoring words are written as 0.
std::vector<uint8_t> WriteDemoBytes(const DemoDocument& document);

// A demo file as the player would load it. Validates against the registry (known types, no
// field past the last). Whatever the document cannot hold (link words, skipped tags, selected
// fields without keys) is dropped; WriteDemoBytes of the result shows whether anything was.
DemoDocument ReadDemoDocument(std::span<const uint8_t> bytes, const std::string& sourceName);

DemoDocument ParseDemoText(const std::string& text, const std::string& sourceName);
std::string FormatDemoText(const DemoDocument& document);

// Windows-1252 and UTF-8. The five bytes Windows-1252 leaves undefined map to the C1 controls
// of the same value, so every byte string survives the round trip. Utf8ToCp1252 returns false
// for malformed UTF-8 and for characters the code page cannot hold.
bool Utf8ToCp1252(std::string_view utf8, std::string& out);
std::string Cp1252ToUtf8Text(std::string_view cp1252);

// The names a type's fields have in the text form, in DefineFields order (duplicates get #2,
// #3 ...); empty for an unknown type.
std::vector<std::string> TextFieldNames(const std::string& typeCp1252);

} // namespace quv
