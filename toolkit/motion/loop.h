/* What the universe and its loop call in the motion family. */
#ifndef VLX_MOTION_LOOP_H
#define VLX_MOTION_LOOP_H

struct VLuniverse;

void _VLmotionlinks_apply(VLuniverse *u, int pass);  /* event 2 passes a, b, d */
void _VLpaths_step(VLuniverse *u);
void _VLpaths_deleteall(VLuniverse *u);

/* Registers the handler of scene events (a node that links or path markers
 * move is freed). Universe creation calls it, and so do the first link and
 * the first path marker made. */
void _VLmotion_registerevents(void);

#endif
