/* The execute-buffer format shared by the draw-list playback (which writes
 * buffers) and the device backends (which execute them).
 *
 * A buffer has a vertex area of 32-byte vertices (at most 1024) and an
 * instruction area. Each instruction is a 4-byte header (opcode, item size,
 * item count) followed by its items. VLOP_EXIT ends the instruction list.
 * Vertices are lit (position, normal, u, v) or unlit (position, reserved,
 * packed ARGB colour, specular, u, v); the process-vertices instruction says
 * which, for the primitives that follow it. Each processed vertex range
 * takes the material and the world matrix current at its process record, so
 * one block can hold polygons of many materials and many placements. */
#ifndef VLX_DISPLAY_DEVICE_EXECUTE_H
#define VLX_DISPLAY_DEVICE_EXECUTE_H

#include <stdint.h>

/* Main execute buffer: vertices in bytes 0..32767, instructions after. */
#define VLEXEC_BUFFERSIZE 49152
#define VLEXEC_INSTROFFSET 32768
#define VLEXEC_MAXVERTICES 1024
/* The small buffer for single state changes outside the main one. */
#define VLEXEC_STATEBUFFERSIZE 8192

struct VLlitvertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

struct VLunlitvertex {
  float x, y, z;
  uint32_t reserved;
  uint32_t color;      /* 0xAARRGGBB */
  uint32_t specular;
  float u, v;
};

static_assert(sizeof(VLlitvertex) == 32, "vertices are 32 bytes");
static_assert(sizeof(VLunlitvertex) == 32, "vertices are 32 bytes");

enum VLopcode : uint8_t {
  VLOP_EXIT = 0,
  VLOP_LIGHTSTATE = 1,      /* items: VLstateitem, codes VLLS_* */
  VLOP_RENDERSTATE = 2,     /* items: VLstateitem, codes VLRS_* */
  VLOP_PROCESSVERTICES = 3, /* items: VLprocessitem */
  VLOP_TRIANGLE = 4,        /* items: VLtriangleitem */
  VLOP_LINE = 5,            /* items: VLlineitem */
  VLOP_POINT = 6,           /* items: VLpointitem */
  VLOP_TRANSFORMSTATE = 7   /* items: VLstateitem, codes VLTS_* */
};

struct VLinstruction {
  uint8_t opcode;
  uint8_t size;             /* bytes per item */
  uint16_t count;           /* items that follow */
};

struct VLstateitem {
  uint32_t code;
  uint32_t value;
};

/* Transform-state codes: the world matrix of the vertices processed from
 * now on, by device matrix handle (0: the matrix set with setmatrix). */
enum { VLTS_WORLD = 1 };

/* Light-state codes. */
enum { VLLS_MATERIAL = 1, VLLS_AMBIENT = 2 };

/* Render-state codes. */
enum {
  VLRS_TEXTUREHANDLE = 1,
  VLRS_BLENDENABLE = 2,
  VLRS_SHADEMODE = 3,       /* VLSHADE_FLAT or VLSHADE_GOURAUD */
  VLRS_ZENABLE = 4,
  VLRS_TEXTUREFILTER = 5,   /* 0 nearest, 1 linear, 2 mipmapped */
  VLRS_PERSPECTIVE = 6
};
enum { VLSHADE_FLAT = 1, VLSHADE_GOURAUD = 2 };

/* Process-vertices flags. */
enum { VLPV_TRANSFORMLIGHT = 1, VLPV_TRANSFORM = 2 };

struct VLprocessitem {
  uint32_t flags;
  uint16_t start;
  uint16_t dest;
  uint32_t count;
};

struct VLtriangleitem {
  uint16_t v1, v2, v3;
  uint16_t flags;
};

struct VLlineitem {
  uint16_t v1, v2;
};

struct VLpointitem {
  uint16_t count;
  uint16_t first;
};

#endif
