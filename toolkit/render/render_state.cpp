/* The render family's process-wide state record. */
#include "render/render_state.h"

VLrenderrecord g_vlrender;

void _VLrender_reset(void) { g_vlrender = VLrenderrecord(); }
