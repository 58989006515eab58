/* The eight light slots of the current render context: the light family
 * sets them up and switches them; switching a light on hands the device
 * its position and direction in view space. */
#ifndef VLX_RENDER_LIGHT_SLOTS_H
#define VLX_RENDER_LIGHT_SLOTS_H

/* Slot operations; slots outside 0..7 and a missing context are ignored. */
void _VLrenderer_lighttype(int slot, int type);          /* 0 dir, 1 point, 2 spot */
void _VLrenderer_lightintensity(int slot, float intensity);
void _VLrenderer_lightattenuation(int slot, float a0, float a1, float a2);
void _VLrenderer_lightfalloff(int slot, float falloff);
void _VLrenderer_lightangle(int slot, float theta, float phi);
void _VLrenderer_lightposition(int slot, const float pos[3]);
void _VLrenderer_lightdirection(int slot, const float dir[3]);
/* Transforms position (w 1) and direction (w 0) by the current view matrix,
 * hands the light to the device and marks it on. */
void _VLrenderer_lighton(int slot);
void _VLrenderer_lightoff(int slot);

/* Renderer start-up: the universe's default lights and ambient. */
struct VLuniverse;
struct VLrendercontext;
void _VLlights_installdefaults(VLuniverse *u);
/* Light upload into the current render context's slots. */
void _VLlights_upload(VLrendercontext *c);

#endif
