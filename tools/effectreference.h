#pragma once
// The effect types' reference, read from the registry (InitialiseModules, which also attaches
// each type's EffectDoc): `quvtool fields TYPE`, the Markdown of docs/effects.md, and finding a
// type by a loosely typed name.

#include <string>
#include <string_view>

#include "engine/_effecthandle.h"

namespace quv {

// The type whose name equals utf8Name ignoring ASCII case, or null.
EffectClass* FindEffectTypeIgnoringCase(std::string_view utf8Name);

// The registered name (UTF-8) closest to utf8Name by edits ignoring case; empty with no types.
std::string ClosestEffectTypeName(std::string_view utf8Name);

// One type as text: its name, what it draws and leaves, then a line per field with its text-form
// name, lower bound, default, upper bound and description.
std::string FormatFieldTable(const EffectClass& effectClass);

// docs/effects.md: every type in registration order with what it draws, the GL state it leaves
// and a table of its fields.
std::string FormatEffectReference();

} // namespace quv
