#pragma once
// The effect type registry. Each effect module registers one EffectClass at start-up; the demo
// reader finds types by the name stored in the file and asks them for fresh field lists.

#include <array>
#include <string>
#include <string_view>

namespace quv {

struct FieldNode;

using RenderProc = void (*)();
using DefineFieldsProc = void (*)(FieldNode*& head);

struct EffectClass {
    std::array<char, 64> name{}; // Windows-1252, NUL-padded
    RenderProc Render = nullptr;
    DefineFieldsProc DefineFields = nullptr;
    EffectClass* next = nullptr;
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
