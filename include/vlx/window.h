/* Windows and the initialisation file. The window options block (VLsettings)
 * holds the defaults and what the initialisation file sets; universe
 * creation reads it once. */
#ifndef VLX_WINDOW_H
#define VLX_WINDOW_H

#include <stdint.h>

/* Geometry flag bits: x counts from the right edge, y from the bottom edge. */
enum { VLGEOM_XNEGATIVE = 16, VLGEOM_YNEGATIVE = 32 };

/* The window options block, one per universe. */
struct VLsettings {
  uint32_t geomflags;        /* 0 */
  int32_t x, y;              /* 0, 0 */
  int32_t width, height;     /* 640, 480 */
  uint32_t bgcolor;          /* 0x0000FF */
  int32_t word1;             /* 1 */
  int32_t word2;             /* 0 */
  int32_t word3;             /* 13 */
  float ambient;             /* 0.4 */
  uint32_t ambientrgb;       /* 0xFFFFFF */
  float halffov;             /* 0.6981317 (40 degrees) */
  float hither;              /* 1.0 */
  float yon;                 /* 65536.0 */
  uint8_t coplanar;          /* 0 */
  uint8_t old3ds;            /* 0 */
  uint8_t byte1;             /* 0 */
  uint8_t oldwfront;         /* 0 */
  uint8_t verbose;           /* 0: verbose geometry-completion messages */
  uint8_t writeuv;           /* 0 */
  uint8_t write12;           /* 1 */
  uint8_t bytes[6];          /* 0, 0, 1, 1, 0, 0 */
  uint8_t pumpmessages;      /* 1: the loop dispatches window messages */
};

/* Fills the options block with its defaults. */
void VLsettings_setdefaults(VLsettings *s);
/* Reads the initialisation file into the current universe's options block. */
void VLini_read(void);

#endif
