#pragma once
// The effect type registry. Each effect module registers one EffectClass at start-up; the demo
// reader finds types by the name stored in the file and asks them for fresh field lists.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace quv {

struct FieldNode;

using RenderProc = void (*)();
using DefineFieldsProc = void (*)(FieldNode*& head);

// What a type's reference documentation says (quvtool fields, docs/effects.md); the player
// never reads it. Static text, one line each, UTF-8.
struct FieldDoc {
    const char* name;        // the field's name as DefineFields gives it (Windows-1252)
    const char* description; // what the value does in the picture
};

struct EffectDoc {
    const char* type;                 // Windows-1252, as registered
    const char* draws;                // what the type draws
    const char* leaves;               // the GL state it sets and leaves behind
    std::span<const FieldDoc> fields; // in DefineFields order
};

struct EffectClass {
    std::array<char, 64> name{}; // Windows-1252, NUL-padded
    RenderProc Render = nullptr;
    DefineFieldsProc DefineFields = nullptr;
    EffectClass* next = nullptr;
    const EffectDoc* doc = nullptr; // set after registration; null for an undocumented type
};

// Head of the registered types, in registration order.
extern EffectClass* EffectClassList;

// Empties the list; the registry's own start-up step, before any effect registers.
void ClearEffectClassList();

// Appends a record (whose next is already nil) at the tail of EffectClassList.
void RegisterEffectClass(EffectClass* effectClass);

// What every effect module's registration function does: makes an EffectClass with the 64-byte
// name (cut or NUL-padded), the two procedures and a nil next, and registers it.
EffectClass* RegisterEffect(std::string_view name, RenderProc render, DefineFieldsProc define);

// Exact, case-sensitive match against each name up to its first NUL (at most 64 bytes).
EffectClass* FindEffectClass(std::string_view name);

std::string ClassName(const EffectClass& effectClass);

} // namespace quv
