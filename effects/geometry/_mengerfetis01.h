#pragma once

namespace quv {

// Registers the effect type "MengerFxE9tis 01".
void RegisterMengerFetis01();

} // namespace quv
