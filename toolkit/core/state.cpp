/* The core family's process-wide state record. */
#include "core/state.h"

namespace {
VLcorestate g_core;
}

VLcorestate &_VLcore(void) { return g_core; }

void _VLcore_reset(void) { g_core = VLcorestate(); }

void _VLowner_setfreedhandler(void (*fn)(void *key)) { g_core.ownerfreed = fn; }

void _VLowner_freed(void *key) {
  if (g_core.ownerfreed) g_core.ownerfreed(key);
}
