/* What the universe calls in the render family. */
#ifndef VLX_RENDER_LOOP_H
#define VLX_RENDER_LOOP_H

/* Registers the handler of geometry events (a geometry's compiled cache is
 * dropped). Universe creation calls it, and so does the first compile. */
void _VLrender_registerevents(void);

#endif
