#include "engine/_DemoParameters.h"

namespace quv {

tDemoParameters DemoParameters;

} // namespace quv
