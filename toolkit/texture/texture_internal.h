/* Unchecked core of the texture family, shared by its files. */
#ifndef VLX_TEXTURE_TEXTURE_INTERNAL_H
#define VLX_TEXTURE_TEXTURE_INTERNAL_H

#include <stdint.h>

struct VLtexture;
struct VLpoly;
struct VLpolytexture;

/* Side after the power-of-two rule: the nearer power of two, with the
 * boundary at 5/8 of the larger one. */
int _VLtexture_pow2(int n);
/* Brings an image to the device's sizes (power-of-two sides, then the
 * maximum edge and the square rule of the renderer settings). Takes the
 * buffer and returns the one to keep (possibly the same); *w, *h updated. */
uint8_t *_VLtexture_fit(uint8_t *pixels, int *w, int *h);
/* Bilinear resampling with the alpha rule (a new buffer). */
uint8_t *_VLtexture_resample(const uint8_t *src, int sw, int sh, int dw, int dh);
/* Box filter down by whole factors (a new buffer). */
uint8_t *_VLtexture_boxfilter(const uint8_t *src, int sw, int sh, int dw, int dh);

/* A new record at the head of the texture list and of the upload list. */
VLtexture *_VLtexture_newrecord(const char *name, uint8_t *pixels, int w, int h, int mode,
                                int level, uint8_t flags);
/* Takes t out of the list and releases its device texture: freed now, or
 * kept without pixels until its last polygon reference goes. */
void _VLtexture_remove(VLtexture *t);
/* Puts t on the upload list unless it is already there. */
void _VLtexture_queue(VLtexture *t);
/* Drops one polygon reference; frees a record deleted while referenced. */
void _VLtexture_unuse(VLtexture *t);

/* The geometry of p may be changed: it exists and is not frozen. */
bool _VLpoly_texturable(const VLpoly *p);
/* Render cache of p's geometry dropped, projection marked invalid. */
void _VLpoly_texturechanged(VLpoly *p);
/* New polygon texture record (name prefix from the flags, texture
 * referenced, coordinates zero) replacing p's attributes. */
VLpolytexture *_VLpoly_newtexture(VLpoly *p, const char *name, VLtexture *t, bool shaded,
                                  bool transparent);
/* Frees a polygon texture record and drops its texture reference. */
void _VLpolytexture_free(VLpolytexture *pt);
/* The texture of that name, loaded with the default filters when not in
 * the list; null after reporting the failure. */
VLtexture *_VLtexture_get(const char *name);

#endif
