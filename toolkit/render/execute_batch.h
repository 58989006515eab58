/* Batching of drawing into the current render context's main execute
 * buffer. A block (triangles, lines or points) is opened with the current
 * lighting, texturing and blending states, takes vertices and primitives,
 * and is closed and executed when the state, the texture or the drawing
 * colour changes, when 1024 vertices are used or when the instruction area
 * runs short. Material changes of lit polygons stay inside the block: a new
 * vertex range is processed with the new material, so a checkerboard of
 * colours still goes out in one execution per 1024 vertices. */
#ifndef VLX_RENDER_EXECUTE_BATCH_H
#define VLX_RENDER_EXECUTE_BATCH_H

#include <stdint.h>

struct VLrendercontext;

enum { VLBLOCK_NONE = 0, VLBLOCK_TRIANGLES = 1, VLBLOCK_LINES = 2, VLBLOCK_POINTS = 3 };

/* Material values: ambient (3), diffuse (3), opacity, specular (3),
 * emission (3), shininess. */
struct VLmatvalues {
  float ambient[3], diffuse[3], opacity, specular[3], emission[3], shininess;
};

struct VLbatchstate {
  /* render-state codes */
  bool lighting = true, colormaterial = false, texturing = false, blending = false;
  int colorprop = -1;              /* material property used as colour material */
  uint32_t ambient = 0x66666666;   /* packed ARGB */
  uint32_t color = 0xFFFFFFFF;     /* packed ARGB drawing colour (unlit vertices) */
  float colorf[4] = {1, 1, 1, 1};
  uint32_t texture = 0;            /* current device texture */
  uint32_t texturefilter = 99;     /* filter last set for textures (none yet) */
  uint32_t material = 0;           /* device material of lit blocks, 0: the default */
  uint32_t world = 0;              /* device world-matrix handle, 0: the immediate one */
  VLmatvalues current = {};        /* the current material's values */
  /* execute-buffer cursor */
  int kind = VLBLOCK_NONE;
  uint32_t nverts = 0;             /* vertices written */
  uint32_t prims = 0;              /* primitives written */
  uint32_t instr = 0;              /* next free instruction byte (buffer offset) */
  uint32_t primheader = 0;         /* offset of the open primitive instruction */
  uint32_t processitem = 0;        /* offset of the open process-vertices item */
  uint32_t rangestart = 0;         /* first vertex of the open process range */
  uint32_t rangematerial = 0;      /* material of the open range */
  uint32_t rangeworld = 0;         /* world matrix of the open range */
  bool lit = false;                /* the open block processes lit vertices */
  uint8_t *buffer = nullptr;       /* the open block's execute buffer */
  uint32_t polys = 0;              /* polygons emitted (the window's count) */
};

VLbatchstate &_VLbatch(void);
/* Resets the batching state for a window's frame (lighting on, colour
 * material, texturing and blending off, packed ambient). */
void _VLbatch_beginframe(uint32_t packedambient);
/* Opens a block of this kind; any other open block is closed first. */
void _VLbatch_open(int kind);
/* Opens a block of this kind unless one is open; false when none can be
 * (no render context). */
inline bool _VLbatch_ensure(VLbatchstate &b, int kind) {
  if (b.kind != kind) _VLbatch_open(kind);
  return b.kind == kind;
}
/* Closes and executes the open block (no-op without one). */
void _VLbatch_close(void);
/* Makes room for n vertices and 8 n instruction bytes: closes, executes
 * and reopens the block when they do not fit. */
void _VLbatch_reserve(uint32_t n);
/* Index of a new vertex of the open block. */
uint32_t _VLbatch_unlitvertex(const float p[3], uint32_t argb, float u, float v);
/* The n - 2 triangles of a fan over n vertices from base: front faces as
 * (k + 1, k, base), back faces as (base, k, k + 1). Room for them was
 * reserved with the vertices. */
void _VLbatch_fan(uint32_t base, uint32_t n, bool front);
void _VLbatch_line(uint32_t a, uint32_t b);
void _VLbatch_point(uint32_t a);
/* Lit blocks: the device material for these values, switched inside the
 * open block when it differs. */
void _VLbatch_setmaterial(const VLmatvalues &m);
/* Lit blocks: a new range when the device material set in the state
 * (material) differs from the open range's. */
void _VLbatch_materialchanged(void);
/* The world matrix (device handle) of the vertices written from now on;
 * switched inside the open block when it differs. */
void _VLbatch_setworld(uint32_t handle);
/* Forgets the device materials made for material values (device closed). */
void _VLbatch_forgetmaterials(void);

#endif
