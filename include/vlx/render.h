/* Drawing: the render traversal that turns a window's scene into two draw
 * lists, and their playback into execute buffers on the 3D device, with the
 * render-state codes, the drawing colour and the line, point, polygon,
 * geometry and bounding-box primitives. Everything drawn is batched: a block
 * of at most 1024 vertices is executed only when the state, the texture or
 * the colour changes or the buffer is full. */
#ifndef VLX_RENDER_H
#define VLX_RENDER_H

#include <stdint.h>

struct VLnode;
struct VLgeometry;
struct VLpoly;
struct VLrenderstate;
struct VLtraversal;

/* Render-state codes of VLrender_stateon / VLrender_stateoff; codes other
 * than these five are ignored. */
enum {
  VLSTATE_LIGHTING = 1,
  VLSTATE_COLORMATERIAL = 4,
  VLSTATE_TEXTURE = 5,
  VLSTATE_BLEND = 8,
  VLSTATE_ZBUFFER = 9
};

/* Draw-list entry kinds (low byte of an entry's second word). */
enum {
  VLDRAW_GEOMETRY = 6,
  VLDRAW_BBOX = 8,
  VLDRAW_OBJECT = 11,
  VLDRAW_LIGHTON = 12,
  VLDRAW_MATERIAL = 17,
  VLDRAW_FOG = 18,
  VLDRAW_AMBIENT = 19,
  VLDRAW_LIGHTOFF = 25
};

/* State-group flag bits of a compiled geometry. */
enum {
  VLGROUP_LIT = 1,
  VLGROUP_BLENDED = 2,
  VLGROUP_TEXTURED = 8,
  VLGROUP_TRANSLUCENT = 16,
  VLGROUP_SMOOTH = 128
};

/* Walks the Root into the traversal's two draw lists (nothing unless the
 * node is a Root) and plays them back on the current render context. */
void VLscene_render(VLnode *root, VLtraversal *t);
/* Lets the renderer prepare every geometry that a window can reach. */
void VLscene_prepare(void);

void VLrender_stateon(int code);
void VLrender_stateoff(int code);
/* The drawing colour, four floats in 0..1. */
void VLrender_setcolor(const float rgba[4]);
/* A line or a point in the current world matrix, in the drawing colour. */
void VLrender_line(const float a[3], const float b[3]);
void VLrender_point(const float p[3]);
/* A polygon of a compiled geometry (the batching of geometry drawing). */
void VLrender_polygon(VLpoly *p);
/* Draws a geometry through its compiled state groups. */
void VLrender_geometry(VLgeometry *g, VLrenderstate *rs);
/* Twelve lines through the eight corners of a box. */
void VLrender_bbox(const float centre[3], const float halfextents[3]);

#endif
