/* The core family's process-wide state record. */
#include "core/state.h"

namespace {
VLcorestate g_core;
}

VLcorestate &_VLcore(void) { return g_core; }

void _VLcore_reset(void) { g_core = VLcorestate(); }
