/* The universe family's process-wide state record. */
#include "universe/universe_state.h"

namespace {
VLuniversestate g_universes;
}

VLuniversestate &_VLuniverses(void) { return g_universes; }

void _VLuniverses_reset(void) { g_universes = VLuniversestate(); }
