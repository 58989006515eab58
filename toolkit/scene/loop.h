/* What the universe calls in the scene family besides its public
 * operations (VLscene_deleteall). */
#ifndef VLX_SCENE_LOOP_H
#define VLX_SCENE_LOOP_H

struct VLuniverse;

/* Deletes the lights of one of the universe's light lists. */
void _VLlights_deletelist(VLuniverse *u, int list);

#endif
