#pragma once
// One-time set-up that needs a current GL context (texture creation). Modules register their
// procedure at start-up; the window (or the headless context) runs them all once it exists.

namespace quv {

using EffectInitProc = void (*)();

// Appends the procedure at the tail of the list; registering one twice runs it twice.
void EffectInitAdd(EffectInitProc procedure);

// Runs every registered procedure in registration order; the list is not changed.
void EffectInit();

// Empties the list; the module's own start-up step.
void ClearEffectInitList();

} // namespace quv
