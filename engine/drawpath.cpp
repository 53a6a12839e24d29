#include "engine/drawpath.h"

namespace quv {

bool LiteralDrawing = false;

} // namespace quv
