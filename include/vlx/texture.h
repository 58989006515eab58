/* Textures: the process-wide texture list with its per-frame uploads to the 3D device, and
 * the polygon texture records that map a texture onto a polygon. The
 * image readers are in vlx/image.h. Image buffers are width x height pixels of 4 bytes (red, green, blue, alpha),
 * bottom row first, released with free(). */
#ifndef VLX_TEXTURE_H
#define VLX_TEXTURE_H

#include <stddef.h>
#include <stdint.h>

#include "vlx/image.h"

struct VLpoly;
struct VLgeometry;

/* Texture flag bits. */
enum {
  VLTEX_DELETEPENDING = 1,
  VLTEX_UPLOADPENDING = 2,
  VLTEX_NOTOWNED = 4,      /* pixels belong to someone else */
  VLTEX_KEEPPENDING = 8,   /* marker: already on the upload list */
  VLTEX_EVERYFRAME = 16,   /* uploaded again every frame */
  VLTEX_KEEPPIXELS = 32    /* pixels kept after the upload */
};

/* Limits of textures. */
enum { VLTEX_MAXFILTERMODE = 3 };

struct VLtexture {
  char *name;              /* owned copy of the name it was loaded under */
  VLtexture *next;         /* texture list, newest first */
  VLtexture *prev;
  VLtexture *nextpending;  /* upload list */
  uint8_t *pixels;         /* RGBA, bottom row first; owned unless VLTEX_NOTOWNED */
  uint16_t width, height;  /* powers of two */
  uint32_t handle;         /* device texture, 0 until uploaded */
  int32_t spare0;          /* -1 */
  int32_t usecount;        /* polygon texture records referring to it */
  uint8_t filterlevel;     /* 4 or more: mip-mapped */
  uint8_t filtermode;      /* 0..3 */
  uint8_t flags;           /* VLTEX_* */
  uint8_t uploaded;        /* 1: this round's upload is done */
};

/* One per textured polygon: the polygon's attributes pointer. */
struct VLpolytexture {
  char *name;              /* two-character prefix + file name, lower-cased after it */
  VLtexture *texture;      /* referenced (its use count raised) */
  float rotation;          /* accumulated rotation, radians */
  float scale;             /* accumulated scale, 1.0 */
  float offsetu, offsetv;  /* accumulated offset, texture units */
  float *uv;               /* u, v per corner, in the polygon's corner order */
  int ncorners;
  uint8_t mirrored, shaded, transparent, spare0;
  uint8_t explicitcoords;  /* 1: coordinates given, 0: fitted by name */
  uint8_t spare1;
};

/* --- textures --- */
/* The texture of that name in the list (not one pending deletion), or null. */
VLtexture *VLtexture_find(const char *name);
/* Loads the image, brings it to the device's sizes and queues it for
 * upload; null when it cannot be read (the error is left for
 * VLtexture_reporterror). A texture already in the list is returned. */
VLtexture *VLtexture_load(const char *name, int filtermode, int filterlevel);
/* The texture of that name in the list, else loaded with the default
 * filter of textures made later; null (the error reported) when it cannot
 * be read. */
VLtexture *VLtexture_get(const char *name);
/* Makes a texture from a copy of the caller's image buffer, or gives an
 * existing one of that name new pixels; null for bad arguments. */
VLtexture *VLtexture_newfrompixels(const char *name, const uint8_t *pixels,
                                   int width, int height);
/* With a name: that texture's filter bytes (loading it when not in the
 * list; false when it cannot be loaded). Without: the defaults for textures
 * made later. False for a mode outside 0..3 or a negative level. */
bool VLtexture_setfilter(const char *name, int mode, int level);
/* Queues the texture for deletion at the next upload pass; false for null
 * or a texture already pending deletion. Polygons still referring to it
 * keep a record without pixels or device handle. */
bool VLtexture_delete(VLtexture *t);
/* Estimated device memory of the textures, in bytes. */
size_t VLtexture_memory(void);
/* Uploads the pending textures to the open device and processes the
 * deletions; the main display's pass empties the upload list. */
void VLtexture_uploadpending(bool maindisplay);
/* Frees every texture (device handles released when a device is open). */
void VLtexture_deleteall(void);
/* Reports a texture failure by the current error code, once per name among
 * the last 7 reported. */
void VLtexture_reporterror(const char *name);
/* Fits the textures of every object's polygons that have a named texture
 * without explicit coordinates; a missing texture drops the polygon's
 * record. Fatal for a name whose prefix is not "V", "S" or "T". */
void VLtexture_reapply(void);

/* --- polygons --- */
typedef float (*VLtexture_mapfn)(const float position[3]);
/* Texture with explicit coordinates (u[i], v[i] for the polygon's i-th
 * corner). False when the polygon has no geometry or it is frozen, and
 * when the texture cannot be loaded (reported by VLtexture_reporterror). */
bool VLpoly_settexture(VLpoly *p, const char *name, const float *u, const float *v,
                       bool shaded, bool transparent);
/* Texture with coordinates fitted to the polygon's plane; false as above. */
bool VLpoly_applytexture(VLpoly *p, const char *name, bool shaded, bool transparent);
/* VLpoly_applytexture on every polygon in list order; false for a null
 * geometry or name, a frozen geometry, or at the first polygon that fails. */
bool VLgeometry_settexture(VLgeometry *g, const char *name, bool shaded, bool transparent);
/* VLpoly_settexture on every polygon with u = ufn(position), v = vfn(position)
 * per corner; false as VLgeometry_settexture or for null functions. */
bool VLgeometry_settexturemap(VLgeometry *g, const char *name, VLtexture_mapfn ufn,
                              VLtexture_mapfn vfn, bool shaded, bool transparent);
/* Each of these is false for a polygon without a texture record or whose
 * geometry is missing or frozen. */
bool VLpoly_removetexture(VLpoly *p);
bool VLpoly_rotatetexture(VLpoly *p, float angle);             /* radians, about (0.5, 0.5) */
bool VLpoly_scaletexture(VLpoly *p, float factor);             /* about the mean coordinate */
bool VLpoly_translatetexture(VLpoly *p, float du, float dv);   /* texels */
bool VLpoly_mirrortexture(VLpoly *p);                          /* u -> 1 - u */

#endif
