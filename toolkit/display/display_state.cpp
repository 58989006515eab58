/* The display family's process-wide state record. */
#include "display/display_state.h"

namespace {
VLdisplaystate g_display;
}

VLdisplaystate &_VLdisplay(void) { return g_display; }

void _VLdisplay_reset(void) { g_display = VLdisplaystate(); }
