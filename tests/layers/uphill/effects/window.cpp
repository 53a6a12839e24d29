// An effect that opens a window itself: the layer check must refuse it.
#include <SDL.h>
#include "engine/_effecthandle.h"
