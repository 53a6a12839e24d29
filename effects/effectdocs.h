#pragma once
// The reference documentation of the 34 effect types: what each draws, the GL state it leaves
// and what each field does in the picture. Kept in one table beside the modules rather than in
// them, so the registration and the per-frame path carry nothing for it.

namespace quv {

// Points each registered type's EffectClass::doc at its entry; InitialiseModules calls it after
// the registrations.
void DescribeEffectClasses();

} // namespace quv
