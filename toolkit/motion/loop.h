/* What the universe and its loop call in the motion family. */
#ifndef VLX_MOTION_LOOP_H
#define VLX_MOTION_LOOP_H

struct VLuniverse;

void _VLmotionlinks_apply(VLuniverse *u, int pass);  /* event 2 passes a, b, d */
void _VLpaths_step(VLuniverse *u);
void _VLpaths_deleteall(VLuniverse *u);

#endif
