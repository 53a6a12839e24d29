#pragma once
// Start-up of every module, in one fixed order: the registry, the deferred-initialisation list,
// then each effect module's registration (which is also the order of FindEffectClass's search and
// of the one-time GL set-ups). Safe to call again: it starts from empty lists.

namespace quv {

void InitialiseModules();

} // namespace quv
