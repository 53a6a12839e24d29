// A tool that pulls in the player: the layer check must refuse it.
#include "effects/moduleinit.h"
#include "platform/commands.h"
