#pragma once
// An engine header that reaches up into the platform: the layer check must refuse it.
#include "platform/DemoBass.h"
