#pragma once

namespace quv {

// Registers the effect type "Csillagkod".
void RegisterCsillagkod();

} // namespace quv
