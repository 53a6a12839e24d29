#include "tools/effectreference.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/_democheck.h"
#include "engine/_effectfield.h"
#include "engine/message.h"
#include "tools/demowriter.h"

namespace quv {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Edits (insertions, deletions, substitutions and swaps of neighbours) from a to b.
size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min(
                {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

struct FieldRow {
    std::string name; // text-form name, UTF-8
    std::string lower, def, upper;
    std::string description;
};

// The type's fields as DefineFields makes them (fresh fields in the shared store, which go with
// the next FreeTimeline), with their descriptions.
std::vector<FieldRow> FieldRows(const EffectClass& effectClass)
{
    std::vector<FieldRow> rows;
    const std::vector<std::string> names = TextFieldNames(ClassName(effectClass));
    FieldNode* head = nullptr;
    effectClass.DefineFields(head);
    size_t i = 0;
    for (FieldNode* n = head; n != nullptr; n = n->next, ++i) {
        const EffectField& f = *n->field;
        const EffectDoc* doc = effectClass.doc;
        const bool described = doc != nullptr && i < doc->fields.size();
        rows.push_back({Cp1252ToUtf8(i < names.size() ? names[i] : FieldName(f)),
                        CheckNumber(f.lowerBound), CheckNumber(f.defaultValue),
                        CheckNumber(f.upperBound),
                        described ? doc->fields[i].description : "(not described)"});
    }
    return rows;
}

std::string Draws(const EffectClass& effectClass)
{
    return effectClass.doc != nullptr ? effectClass.doc->draws : "(not described)";
}

std::string Leaves(const EffectClass& effectClass)
{
    return effectClass.doc != nullptr ? effectClass.doc->leaves : "(not described)";
}

std::string Padded(const std::string& text, size_t width)
{
    // Counts characters, not bytes, so names with accents line up.
    size_t shown = 0;
    for (unsigned char c : text)
        shown += (c & 0xC0) != 0x80;
    return text + std::string(width > shown ? width - shown : 0, ' ');
}

} // namespace

EffectClass* FindEffectTypeIgnoringCase(std::string_view utf8Name)
{
    std::string name;
    if (!Utf8ToCp1252(std::string(utf8Name), name))
        return nullptr;
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next)
        if (Lower(ClassName(*c)) == Lower(name))
            return c;
    return nullptr;
}

std::string ClosestEffectTypeName(std::string_view utf8Name)
{
    // A name that holds what was typed wins over one a few edits away ("Menger").
    const std::string wanted = Lower(utf8Name);
    std::string best;
    std::pair<bool, size_t> bestScore{true, SIZE_MAX};
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next) {
        const std::string name = Cp1252ToUtf8(ClassName(*c));
        const std::string lower = Lower(name);
        const std::pair<bool, size_t> score{lower.find(wanted) == std::string::npos,
                                            EditDistance(wanted, lower)};
        if (score < bestScore) {
            best = name;
            bestScore = score;
        }
    }
    return best;
}

std::string FormatFieldTable(const EffectClass& effectClass)
{
    const std::vector<FieldRow> rows = FieldRows(effectClass);
    std::string out = "\"" + Cp1252ToUtf8(ClassName(effectClass)) + "\": " + Draws(effectClass) +
                      "\nLeaves: " + Leaves(effectClass) + "\n\n";
    size_t widths[4] = {5, 5, 7, 5};
    for (const FieldRow& r : rows) {
        widths[0] = std::max(widths[0], r.name.size() + 2);
        widths[1] = std::max(widths[1], r.lower.size());
        widths[2] = std::max(widths[2], r.def.size());
        widths[3] = std::max(widths[3], r.upper.size());
    }
    out += Padded("Field", widths[0]) + "  " + Padded("Lower", widths[1]) + "  " +
           Padded("Default", widths[2]) + "  " + Padded("Upper", widths[3]) + "  Description\n";
    for (const FieldRow& r : rows)
        out += Padded("\"" + r.name + "\"", widths[0]) + "  " + Padded(r.lower, widths[1]) + "  " +
               Padded(r.def, widths[2]) + "  " + Padded(r.upper, widths[3]) + "  " + r.description +
               "\n";
    return out;
}

std::string FormatEffectReference()
{
    std::string out = "# Effect types\n\n"
                      "Generated from the effect registry by `quvtool docs` "
                      "(`scripts/make-docs` writes this file; a test checks that it is current). "
                      "Field names are as the text form writes them. Lower, default and upper "
                      "are the range and starting value each type declares for authoring; the "
                      "player evaluates a field without keys to 0, not to its default.\n";
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next) {
        out += "\n## " + Cp1252ToUtf8(ClassName(*c)) + "\n\n";
        out += "Draws: " + Draws(*c) + ".\n\n";
        out += "Leaves: " + Leaves(*c) + ".\n\n";
        out += "| Field | Lower | Default | Upper | Description |\n";
        out += "|---|---|---|---|---|\n";
        for (const FieldRow& r : FieldRows(*c))
            out += "| `" + r.name + "` | " + r.lower + " | " + r.def + " | " + r.upper + " | " +
                   r.description + " |\n";
    }
    return out;
}

} // namespace quv
