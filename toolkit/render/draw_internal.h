/* Internal drawing operations shared by the drawing files. */
#ifndef VLX_RENDER_DRAW_INTERNAL_H
#define VLX_RENDER_DRAW_INTERNAL_H

struct VLmtable;
struct VLpoly;
struct VLgeometry;
struct VLrenderstate;

/* A render-state code on or off (VLrender_stateon / off). */
void _VLrender_setstate(int code, bool on);
/* The colour of a material-table entry (r, g, b, opacity). */
void _VLrender_entrycolour(const VLmtable *t, int index, float out[4]);
/* Switches to an entry of a material table (lit: the material; unlit or
 * colour material: the drawing colour). */
void _VLrender_usematerial(const VLmtable *t, int index);
/* Emits a polygon into the open triangle block: facing says it is seen
 * from its front, smooth that the group is smooth-shaded. */
void _VLrender_emitpolygon(VLpoly *p, bool facing, bool smooth);
/* The outlines of a geometry's polygons in their colours. */
void _VLrender_wireframe(VLgeometry *g);

#endif
