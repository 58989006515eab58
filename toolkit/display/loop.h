/* What the universe and its loop call in the display family. */
#ifndef VLX_DISPLAY_LOOP_H
#define VLX_DISPLAY_LOOP_H

#include <stdint.h>

struct VLuniverse;

void _VLwindows_deleteall(VLuniverse *u);
void _VLwindows_setbgcolor(VLuniverse *u, unsigned packed);
/* Loop step 11: the scene stood still (1) or moves again (0). */
void _VLrenderer_frameready(int ready);

#endif
