/* The renderer: start-up (devices, base windows), one frame for every
 * window, shutdown. */
#ifndef VLX_RENDERER_H
#define VLX_RENDERER_H

/* Starts the renderer for the current universe and sets its ready marker
 * (VLRENDERER_READY) when the start-up completed. */
void VLrenderer_init(int configuration, int flags);
/* Renders every window of the current universe once. */
void VLrenderer_frame(void);
/* Releases what VLrenderer_init made. */
void VLrenderer_close(void);

#endif
