/* Process-wide state of the scene graph family in one record: the orphan
 * holder, the 64-bucket name table, and the free lists of walk stacks and
 * bounding-box cells that the walks reuse. One accessor, one reset for
 * tests. The walk stack is shared with the render traversal: it holds
 * pointers to nodes, links and traversal markers (all VLnodebase). */
#ifndef VLX_SCENE_STATE_H
#define VLX_SCENE_STATE_H

#include "scene/events.h"
#include "vlx/node.h"

enum { VLNAME_BUCKETS = 64 };
/* Walk stacks start with this many entries and grow by at least GROW. */
enum { VLWALK_INITIAL = 128, VLWALK_GROW = 64 };

/* One cell of a name bucket. */
struct VLnamecell {
  VLnamecell *next;
  VLnode *node;
  VLnamecell *prev;        /* null for the first cell of its bucket */
  int bucket;
};

/* A shown bounding box: centre and half-extents, on a free list between
 * frames. */
struct VLboxcell {
  float centre[3];
  float halfextents[3];
  VLboxcell *next;
};

/* An explicit stack of node, link and marker pointers. */
struct VLwalkstack {
  VLnodebase **items;
  int count;
  int capacity;
  VLwalkstack *next;       /* free list */
};

struct VLscenestate {
  bool ready;                          /* holder and table set up */
  VLsepnode orphans;                   /* the orphan holder (type 21, flags 8) */
  VLnamecell *names[VLNAME_BUCKETS];
  VLwalkstack *freestacks;
  VLboxcell *freeboxes;
  VLsceneevents events;                /* handlers of higher families */
  float loadparams[VLLOAD_NPARAMS];    /* handed to the geometry readers */
};

VLscenestate &_VLscene(void);
/* Tests: forgets everything without freeing (call after VLscene_deleteall);
 * the event handlers stay. */
void _VLscene_reset(void);
/* The orphan holder. */
inline VLnode *_VLscene_orphans(void) { return &_VLscene().orphans; }

/* --- walk stacks --- */
/* An empty stack from the free list (or a new one). */
VLwalkstack *_VLwalk_take(void);
/* Back to the free list. */
void _VLwalk_give(VLwalkstack *s);
void _VLwalk_grow(VLwalkstack *s);
inline void _VLwalk_push(VLwalkstack *s, VLnodebase *item) {
  if (s->count == s->capacity) _VLwalk_grow(s);
  s->items[s->count++] = item;
}
/* Null when empty. */
inline VLnodebase *_VLwalk_pop(VLwalkstack *s) {
  return s->count ? s->items[--s->count] : nullptr;
}

/* --- bounding-box cells --- */
VLboxcell *_VLboxcell_take(void);
void _VLboxcell_give(VLboxcell *c);

/* Frees the free lists (walk stacks and box cells). */
void _VLscene_freecaches(void);

#endif
