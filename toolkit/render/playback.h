/* Between the render traversal (scene) and the drawing (display): the
 * compiled form of a geometry and the playback of a traversal's lists. */
#ifndef VLX_RENDER_PLAYBACK_H
#define VLX_RENDER_PLAYBACK_H

#include <stdint.h>

#include <vector>

struct VLgeometry;
struct VLpoly;
struct VLtraversal;

/* One state group of a compiled geometry: its flags (VLGROUP_*) and its
 * polygons, a run of the cache's polygon array. */
struct VLstategroup {
  uint32_t flags;
  int32_t first, count;
};

/* A geometry's render cache. */
struct VLgeomcache {
  uint8_t rendering;                /* options it was compiled for */
  uint8_t passes;                   /* bit 0 first pass, bit 1 second */
  std::vector<VLstategroup> groups;
  std::vector<VLpoly *> polys;
};

/* The compiled form of g, made now when it has none or it is stale. */
VLgeomcache *_VLrender_compile(VLgeometry *g);
/* Passes g needs: bit 0 the first (opaque) pass, bit 1 the second. */
int _VLrender_passes(VLgeometry *g);
/* Plays the traversal's two draw lists back on the current context. */
void _VLrender_playback(VLtraversal *t);

#endif
