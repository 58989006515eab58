/* What the universe and the frame call in the texture family. */
#ifndef VLX_TEXTURE_LOOP_H
#define VLX_TEXTURE_LOOP_H

/* Frees the family's process-wide tables (universe deletion). */
void _VLtexture_releasetables(void);
/* Texture upload list; the main display's pass empties it. */
void _VLtextures_upload(bool maindisplay);

/* Registers the handlers of polygon events (a polygon's texture record is
 * freed or copied with it). Universe creation calls it, and so does the
 * first texture record made. */
void _VLtexture_registerevents(void);

#endif
