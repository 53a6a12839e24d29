// The readable text form of a demo: JSON naming effect types and fields, parsed into a
// DemoDocument with errors that name the line and the JSON pointer, and formatted back.
//
// Sections:
//   Text locations      JSON pointers, and the line a pointer's value starts on
//   Duplicate keys      the parser callback that refuses a name given twice
//   Reading             values, keys and handles of the text form
//   Formatting          numbers, kinds and names as the text form writes them
//   Entry points        ParseDemoText, FormatDemoText

#include "tools/demotext.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "engine/_democheck.h"
#include "engine/_effecthandle.h"
#include "engine/_keyframer.h"
#include "engine/message.h"

namespace quv {

namespace {

using Json = nlohmann::ordered_json;

// --- Text locations ----------------------------------------------------------------------

std::string PointerPart(const std::string& part)
{
    std::string out;
    for (char c : part) {
        if (c == '~')
            out += "~0";
        else if (c == '/')
            out += "~1";
        else
            out += c;
    }
    return out;
}

// A problem at a JSON pointer; ParseDemoText adds the source name and the line.
struct LocatedError {
    std::string where;
    std::string what;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what)
{
    throw LocatedError{where.empty() ? "/" : where, what};
}

// The line on which the value at a JSON pointer starts (the last such value when a key is
// repeated), or 0. A small scanner of its own: the JSON library keeps no positions.
class LineFinder {
public:
    LineFinder(const std::string& text, std::string pointer)
        : text_(text), pointer_(std::move(pointer))
    {
    }

    int Find()
    {
        try {
            Value("");
        } catch (const Stop&) {
        }
        return found_;
    }

private:
    struct Stop {};

    void Space()
    {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '\n') {
                ++line_;
                ++at_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++at_;
            } else if (text_.compare(at_, 2, "//") == 0) {
                while (at_ < text_.size() && text_[at_] != '\n')
                    ++at_;
            } else if (text_.compare(at_, 2, "/*") == 0) {
                const size_t end = text_.find("*/", at_ + 2);
                const size_t stop = end == std::string::npos ? text_.size() : end + 2;
                for (; at_ < stop; ++at_)
                    line_ += text_[at_] == '\n';
            } else {
                return;
            }
        }
    }
    char Peek()
    {
        Space();
        if (at_ >= text_.size())
            throw Stop{};
        return text_[at_];
    }
    // A string's text with the simple escapes undone (\u escapes are kept as written; keys
    // with them are not located).
    std::string String()
    {
        std::string out;
        for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
            if (text_[at_] == '\\' && at_ + 1 < text_.size()) {
                const char e = text_[++at_];
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'u' ? '?' : e;
            } else {
                out += text_[at_];
            }
        }
        ++at_;
        return out;
    }
    void Value(const std::string& path)
    {
        const char c = Peek();
        if (path == pointer_)
            found_ = line_;
        if (c == '{') {
            ++at_;
            while (Peek() != '}') {
                if (Peek() != '"')
                    throw Stop{};
                const std::string key = String();
                if (Peek() != ':')
                    throw Stop{};
                ++at_;
                Value(path + "/" + PointerPart(key));
                if (Peek() == ',')
                    ++at_;
            }
            ++at_;
        } else if (c == '[') {
            ++at_;
            for (size_t index = 0; Peek() != ']'; ++index) {
                Value(path + "/" + std::to_string(index));
                if (Peek() == ',')
                    ++at_;
            }
            ++at_;
        } else if (c == '"') {
            String();
        } else {
            while (at_ < text_.size() && std::strchr(",]} \t\r\n/", text_[at_]) == nullptr)
                ++at_;
        }
    }

    const std::string& text_;
    std::string pointer_;
    size_t at_ = 0;
    int line_ = 1;
    int found_ = 0;
};

// --- Duplicate keys ----------------------------------------------------------------------

std::string Quoted(const std::string& utf8)
{
    return Json(utf8).dump();
}

// Tracks where the parser is, to name duplicate object keys by their JSON pointer.
class DuplicateKeyCheck {
public:
    bool operator()(int, Json::parse_event_t event, Json& parsed)
    {
        switch (event) {
        case Json::parse_event_t::object_start:
        case Json::parse_event_t::array_start:
            Element();
            frames_.push_back({event == Json::parse_event_t::object_start, {}, {}, -1});
            break;
        case Json::parse_event_t::object_end:
        case Json::parse_event_t::array_end:
            frames_.pop_back();
            break;
        case Json::parse_event_t::key: {
            Frame& top = frames_.back();
            const std::string key = parsed.get<std::string>();
            if (!top.keys.insert(key).second)
                Fail(Path() + "/" + PointerPart(key),
                     "duplicate key " + Quoted(key) + " (each name may appear once)");
            top.key = key;
            break;
        }
        case Json::parse_event_t::value:
            Element();
            break;
        }
        return true;
    }

private:
    struct Frame {
        bool object;
        std::set<std::string> keys;
        std::string key;
        long index;
    };
    void Element()
    {
        if (!frames_.empty() && !frames_.back().object)
            ++frames_.back().index;
    }
    std::string Path() const
    {
        std::string path;
        for (size_t i = 0; i + 1 < frames_.size(); ++i)
            path += "/" + (frames_[i].object ? PointerPart(frames_[i].key)
                                             : std::to_string(frames_[i].index));
        return path;
    }
    std::vector<Frame> frames_;
};

// --- Reading -----------------------------------------------------------------------------

struct TextReader {
    MusicalTempo tempo;

    std::string ExpectString(const Json& value, const std::string& where, const char* what) const
    {
        if (!value.is_string())
            Fail(where, std::string(what) + " must be a string");
        return value.get<std::string>();
    }

    double ExpectNumber(const Json& value, const std::string& where, const char* what) const
    {
        if (value.is_number())
            return value.get<double>();
        if (value.is_string()) {
            const std::string text = value.get<std::string>();
            if (text == "NaN")
                return std::numeric_limits<double>::quiet_NaN();
            if (text == "Infinity")
                return std::numeric_limits<double>::infinity();
            if (text == "-Infinity")
                return -std::numeric_limits<double>::infinity();
        }
        Fail(where,
             std::string(what) + " must be a number (or \"NaN\", \"Infinity\", \"-Infinity\")");
    }

    // A time in ms: a number, or with a bpm a musical time "BAR:BEAT[.FRACTION]".
    double Time(const Json& value, const std::string& where, const char* what) const
    {
        if (value.is_string() && value.get<std::string>().find(':') != std::string::npos) {
            const std::string text = value.get<std::string>();
            if (!(tempo.bpm > 0.0))
                Fail(where, "musical time " + Quoted(text) +
                                " needs a \"bpm\" at the top level of the text form");
            const std::optional<double> ms = ParseMusicalTime(text, tempo);
            if (!ms)
                Fail(where, "malformed musical time " + Quoted(text) +
                                "; write \"BAR:BEAT\" or \"BAR:BEAT.FRACTION\" (bar from 1, "
                                "beat 1 to 4)");
            return *ms;
        }
        return ExpectNumber(value, where, what);
    }

    std::string Name64(const Json& value, const std::string& where, const char* what) const
    {
        const std::string utf8 = ExpectString(value, where, what);
        std::string bytes;
        if (!Utf8ToCp1252(utf8, bytes))
            Fail(where,
                 std::string(what) + " " + Quoted(utf8) + " has a character outside Windows-1252");
        if (bytes.find('\0') != std::string::npos)
            Fail(where, std::string(what) + " must not contain a NUL character");
        if (bytes.size() > 64)
            Fail(where, std::string(what) + " " + Quoted(utf8) + " is " +
                            std::to_string(bytes.size()) +
                            " bytes long; the file holds at most 64");
        return bytes;
    }

    uint8_t Kind(const Json& value, const std::string& where) const
    {
        if (value.is_string()) {
            const std::string name = value.get<std::string>();
            for (int k = 0; k < 256; ++k) {
                const char* known = InterpolationKindName(static_cast<uint8_t>(k));
                if (known != nullptr && name == known)
                    return static_cast<uint8_t>(k);
            }
            Fail(where,
                 "unknown kind " + Quoted(name) +
                     "; the kinds are \"CONST\", \"LINEAR\", \"BEZIER CUSP\", \"BEZIER SMOOTH\""
                     " and \"BEZIER SYMMETRICAL\" (or a number 0 to 255)");
        }
        if (value.is_number_integer() && value.get<int64_t>() >= 0 && value.get<int64_t>() <= 255)
            return static_cast<uint8_t>(value.get<int64_t>());
        Fail(where, "kind must be a kind name or a number from 0 to 255");
    }

    int32_t Steps(const Json& value, const std::string& where) const
    {
        if (!value.is_number_integer() || value.get<int64_t>() < INT32_MIN ||
            value.get<int64_t>() > INT32_MAX)
            Fail(where, "steps must be a whole number (32-bit)");
        return static_cast<int32_t>(value.get<int64_t>());
    }

    DemoKey Key(const Json& value, const std::string& where) const
    {
        DemoKey key;
        if (value.is_array()) {
            if (value.size() < 2 || value.size() > 4)
                Fail(where, "a key array is [time, value, kind, steps] (kind and steps "
                            "optional)");
            key.time = Time(value[0], where + "/0", "time");
            key.value = ExpectNumber(value[1], where + "/1", "value");
            if (value.size() > 2)
                key.kind = Kind(value[2], where + "/2");
            if (value.size() > 3)
                key.steps = Steps(value[3], where + "/3");
            return key;
        }
        if (!value.is_object())
            Fail(where, "a key must be an object {time, value, kind, steps} or an array");
        bool haveTime = false, haveValue = false;
        for (auto it = value.begin(); it != value.end(); ++it) {
            const std::string at = where + "/" + PointerPart(it.key());
            if (it.key() == "time") {
                key.time = Time(*it, at, "time");
                haveTime = true;
            } else if (it.key() == "value") {
                key.value = ExpectNumber(*it, at, "value");
                haveValue = true;
            } else if (it.key() == "kind") {
                key.kind = Kind(*it, at);
            } else if (it.key() == "steps") {
                key.steps = Steps(*it, at);
            } else {
                Fail(at, "unknown key member " + Quoted(it.key()) +
                             "; a key has time, value, kind and steps");
            }
        }
        if (!haveTime || !haveValue)
            Fail(where, "a key needs a time and a value");
        return key;
    }

    DemoHandleRecord Handle(const Json& value, const std::string& where) const
    {
        if (!value.is_object())
            Fail(where, "a handle must be an object");
        DemoHandleRecord handle;
        const Json* fields = nullptr;
        bool haveType = false, haveStart = false, haveEnd = false;
        for (auto it = value.begin(); it != value.end(); ++it) {
            const std::string at = where + "/" + PointerPart(it.key());
            if (it.key() == "type") {
                handle.type = Name64(*it, at, "the type");
                haveType = true;
            } else if (it.key() == "label") {
                handle.label = Name64(*it, at, "the label");
            } else if (it.key() == "start") {
                handle.start = Time(*it, at, "start");
                haveStart = true;
            } else if (it.key() == "end") {
                handle.end = Time(*it, at, "end");
                haveEnd = true;
            } else if (it.key() == "fields") {
                fields = &*it;
            } else {
                Fail(at, "unknown handle member " + Quoted(it.key()) +
                             "; a handle has type, label, start, end and fields");
            }
        }
        if (!haveType || !haveStart || !haveEnd)
            Fail(where, "a handle needs a type, a start and an end");
        if (FindEffectClass(handle.type) == nullptr)
            Fail(where + "/type", "unknown effect type " + Quoted(Cp1252ToUtf8(handle.type)));
        const std::vector<std::string> names = TextFieldNames(handle.type);
        if (fields == nullptr)
            return handle;
        const std::string fieldsAt = where + "/fields";
        if (!fields->is_object())
            Fail(fieldsAt, "fields must be an object of field name to key list");
        for (auto it = fields->begin(); it != fields->end(); ++it) {
            const std::string at = fieldsAt + "/" + PointerPart(it.key());
            std::string name;
            if (!Utf8ToCp1252(it.key(), name))
                Fail(at, "field name has a character outside Windows-1252");
            size_t position = 0;
            while (position < names.size() && names[position] != name)
                ++position;
            if (position == names.size()) {
                std::string list;
                for (const std::string& known : names)
                    list += (list.empty() ? "" : ", ") + Quoted(Cp1252ToUtf8(known));
                Fail(at, "\"" + Cp1252ToUtf8(handle.type) + "\" has no field " + Quoted(it.key()) +
                             (names.empty() ? std::string("; it has no fields")
                                            : "; its fields are " + list));
            }
            if (!it->is_array())
                Fail(at, "a field's keys must be an array");
            if (handle.fields.size() <= position)
                handle.fields.resize(position + 1);
            for (size_t k = 0; k < it->size(); ++k)
                handle.fields[position].push_back(Key((*it)[k], at + "/" + std::to_string(k)));
        }
        while (!handle.fields.empty() && handle.fields.back().empty())
            handle.fields.pop_back();
        return handle;
    }
};

DemoDocument ReadDemoText(const std::string& text, const std::string& sourceName)
{
    Json root;
    try {
        root = Json::parse(text, DuplicateKeyCheck(), true, true);
    } catch (const Json::parse_error& error) {
        // The message carries the line and column.
        std::string what = error.what();
        const size_t cut = what.find("] ");
        throw DemoTextError(sourceName + ": " +
                            (cut == std::string::npos ? what : what.substr(cut + 2)));
    }
    TextReader reader;
    if (!root.is_object())
        Fail("", "the text form is an object with a \"handles\" array");
    DemoDocument document;
    const Json* handles = nullptr;
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.key() == "handles") {
            handles = &*it;
        } else if (it.key() == "bpm") {
            reader.tempo.bpm = reader.ExpectNumber(*it, "/bpm", "bpm");
            if (!(reader.tempo.bpm > 0.0) || !std::isfinite(reader.tempo.bpm))
                Fail("/bpm", "bpm must be a number above 0");
        } else if (it.key() == "offset") {
            reader.tempo.offset = reader.ExpectNumber(*it, "/offset", "offset");
            if (!std::isfinite(reader.tempo.offset))
                Fail("/offset", "offset must be a finite number of ms");
        } else if (it.key() != "problems") { // what `quvplayer dump --json` found; not compiled
            Fail("/" + PointerPart(it.key()),
                 "unknown member " + Quoted(it.key()) +
                     "; the text form has \"handles\", \"bpm\", \"offset\" (and \"problems\", "
                     "which is passed over)");
        }
    }
    if (root.contains("offset") && !root.contains("bpm"))
        Fail("/offset", "an offset needs a \"bpm\"");
    document.tempo = reader.tempo;
    if (handles == nullptr || !handles->is_array())
        Fail("/handles", "\"handles\" must be an array");
    for (size_t h = 0; h < handles->size(); ++h)
        document.handles.push_back(reader.Handle((*handles)[h], "/handles/" + std::to_string(h)));
    return document;
}

// --- Formatting --------------------------------------------------------------------------

std::string NumberText(double value)
{
    if (std::isnan(value))
        return "\"NaN\"";
    if (std::isinf(value))
        return value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    return Json(value).dump();
}

// A bar and beat where one gives exactly the same time, else ms.
std::string TimeText(double ms, const MusicalTempo& tempo)
{
    const std::optional<std::string> musical = ExactMusicalTime(ms, tempo);
    return musical ? Json(*musical).dump() : NumberText(ms);
}

std::string KindText(uint8_t kind)
{
    const char* name = InterpolationKindName(kind);
    return name != nullptr ? Json(std::string(name)).dump() : std::to_string(kind);
}

// JSON escapes the C0 controls only; DEL and the C1 controls (which a terminal may obey: U+009D
// starts a title change) are written as \u escapes too. They can only stand inside strings, so
// the text stays valid JSON and reads back to the same characters.
std::string EscapeRemainingControls(const std::string& json)
{
    std::string out;
    out.reserve(json.size());
    for (size_t i = 0; i < json.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(json[i]);
        const unsigned char next =
            i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (c == 0x7F) {
            out += "\\u007f";
        } else if (c == 0xC2 && next >= 0x80 && next < 0xA0) {
            constexpr char Digits[] = "0123456789abcdef";
            out += "\\u00";
            out += Digits[next >> 4];
            out += Digits[next & 0xF];
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Utf8Quoted(const std::string& cp1252)
{
    return EscapeRemainingControls(Json(Cp1252ToUtf8(cp1252)).dump());
}

std::string FormatDocument(const DemoDocument& document, const std::vector<DemoProblem>* problems)
{
    const MusicalTempo& tempo = document.tempo;
    std::string out = "{\n";
    if (tempo.bpm > 0.0)
        out += "  \"bpm\": " + NumberText(tempo.bpm) +
               ",\n  \"offset\": " + NumberText(tempo.offset) + ",\n";
    out += "  \"handles\": [";
    for (size_t h = 0; h < document.handles.size(); ++h) {
        const DemoHandleRecord& handle = document.handles[h];
        out += h == 0 ? "\n" : ",\n";
        out += "    {\n      \"type\": " + Utf8Quoted(handle.type) + ",\n";
        out += "      \"label\": " + Utf8Quoted(handle.label) + ",\n";
        out += "      \"start\": " + TimeText(handle.start, tempo) + ",\n";
        out += "      \"end\": " + TimeText(handle.end, tempo);
        const std::vector<std::string> names = TextFieldNames(handle.type);
        bool first = true;
        for (size_t f = 0; f < handle.fields.size(); ++f) {
            if (handle.fields[f].empty())
                continue;
            out += first ? ",\n      \"fields\": {\n" : ",\n";
            first = false;
            const std::string name = f < names.size() ? names[f] : "#" + std::to_string(f + 1);
            out += "        " + Utf8Quoted(name) + ": [\n";
            for (size_t k = 0; k < handle.fields[f].size(); ++k) {
                const DemoKey& key = handle.fields[f][k];
                out += "          {\"time\": " + TimeText(key.time, tempo) +
                       ", \"value\": " + NumberText(key.value) +
                       ", \"kind\": " + KindText(key.kind) +
                       ", \"steps\": " + std::to_string(key.steps) + "}";
                out += k + 1 < handle.fields[f].size() ? ",\n" : "\n";
            }
            out += "        ]";
        }
        if (!first)
            out += "\n      }";
        out += "\n    }";
    }
    out += document.handles.empty() ? "]" : "\n  ]";
    if (problems != nullptr) {
        out += ",\n  \"problems\": [";
        for (size_t p = 0; p < problems->size(); ++p) {
            const DemoProblem& problem = (*problems)[p];
            const std::string text = problem.readError ? problem.text : Cp1252ToUtf8(problem.text);
            out += p == 0 ? "\n" : ",\n";
            // Replaced, not thrown on: the file name in a read error need not be UTF-8.
            out += "    {\"offset\": " + std::to_string(problem.offset) + ", \"problem\": " +
                   EscapeRemainingControls(
                       Json(text).dump(-1, ' ', false, Json::error_handler_t::replace)) +
                   "}";
        }
        out += problems->empty() ? "]" : "\n  ]";
    }
    out += "\n}\n";
    return out;
}

} // namespace

// --- Entry points ------------------------------------------------------------------------

DemoDocument ParseDemoText(const std::string& text, const std::string& sourceName)
{
    try {
        return ReadDemoText(text, sourceName);
    } catch (const LocatedError& error) {
        const int line = LineFinder(text, error.where == "/" ? "" : error.where).Find();
        throw DemoTextError(sourceName + (line > 0 ? ":" + std::to_string(line) : "") + ": " +
                            error.where + ": " + error.what);
    }
}

std::vector<std::string> CheckDemoText(const DemoDocument& document, const std::string& text,
                                       const std::string& sourceName)
{
    std::vector<DemoRecordOrigin> origins;
    const std::vector<uint8_t> bytes = WriteDemoBytes(document, &origins);
    std::vector<std::string> located;
    for (const DemoProblem& problem : CheckDemoBytes(bytes, sourceName)) {
        // The record the problem is in: the last one that starts at or before its offset.
        size_t o = 0;
        while (o + 1 < origins.size() && origins[o + 1].offset <= problem.offset)
            ++o;
        std::string where;
        const char* arrayIndex = nullptr; // the member's place in a key written as an array
        if (!origins.empty()) {
            const DemoRecordOrigin& origin = origins[o];
            where = "/handles/" + std::to_string(origin.handle);
            if (origin.key) {
                const std::string& type = document.handles[origin.handle].type;
                const std::vector<std::string> names = TextFieldNames(type);
                const std::string name = origin.field < names.size()
                                             ? names[origin.field]
                                             : "#" + std::to_string(origin.field + 1);
                where += "/fields/" + PointerPart(Cp1252ToUtf8(name)) + "/" +
                         std::to_string(origin.index);
                const std::string member = problem.member != nullptr ? problem.member : "";
                arrayIndex = member == "time"    ? "0"
                             : member == "value" ? "1"
                             : member == "kind"  ? "2"
                             : member == "steps" ? "3"
                                                 : nullptr;
            }
        }
        // The most precise pointer the text has: the member as an object key or as an array
        // element, else the record (a kind or steps left out has no text of its own).
        std::vector<std::string> candidates;
        if (problem.member != nullptr)
            candidates.push_back(where + "/" + problem.member);
        if (arrayIndex != nullptr)
            candidates.push_back(where + "/" + arrayIndex);
        candidates.push_back(where);
        int line = 0;
        for (const std::string& candidate : candidates) {
            line = LineFinder(text, candidate).Find();
            if (line > 0) {
                where = candidate;
                break;
            }
        }
        const std::string what = problem.readError ? problem.text : Cp1252ToUtf8(problem.text);
        located.push_back(sourceName + (line > 0 ? ":" + std::to_string(line) : "") + ": " +
                          (where.empty() ? "/" : where) + ": " + what);
    }
    return located;
}

std::string FormatDemoText(const DemoDocument& document)
{
    return FormatDocument(document, nullptr);
}

std::string FormatDemoText(const DemoDocument& document, const std::vector<DemoProblem>& problems)
{
    return FormatDocument(document, &problems);
}

} // namespace quv
