#include "engine/random.h"

namespace quv {

uint32_t RandSeed = 0;

} // namespace quv
