/* The construction protocol: begin a geometry, create vertices (indexed by
 * creation order in the process-wide vertex table, which doubles when
 * full), create polygons, add their corners and close them. Corners are
 * prepended while a polygon is built and put in order once at its close,
 * so building is linear in the size of the mesh. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "geometry/internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

void _VLgeometry_endconstruction(void) {
  VLgeomstate &s = _VLgeom();
  free(s.vtable);
  s.vtable = nullptr;
  s.vcount = 0;
  s.vcapacity = VLGEOM_VTABLE_INITIAL;
  s.open = nullptr;
}

VLgeometry *VLgeometry_begin(void) {
  VLgeomstate &s = _VLgeom();
  if (s.open) {
    VLMSG(GEOM_BEGIN_OPEN);
    return nullptr;
  }
  VLgeometry *g = static_cast<VLgeometry *>(VLmalloc(sizeof(VLgeometry)));
  memset(g, 0, sizeof *g);
  g->refcount = 1;
  g->ownspolys = 1;
  VLmtable *t = VLmtable_new(VLAMBIENTDIFFUSE, 1, nullptr);
  if (!t) {  /* the generated names ran out; the warning is given */
    free(g);
    return nullptr;
  }
  VLmtable_findcolor12(t, 0xFFF);
  VLmtable_attach(g, t);
  s.vtable = static_cast<VLvertex **>(VLmalloc(sizeof(VLvertex *) * s.vcapacity));
  s.vcount = 0;
  s.open = g;
  return g;
}

void _VLgeometry_append(VLgeometry *g, VLvertex *v) {
  VLgeomstate &s = _VLgeom();
  v->next = nullptr;
  if (g->lastvertex)
    g->lastvertex->next = v;
  else
    g->vertices = v;
  g->lastvertex = v;
  if (g == s.open) {
    if (s.vcount == s.vcapacity) {
      s.vcapacity *= 2;
      s.vtable = static_cast<VLvertex **>(VLrealloc(s.vtable, sizeof(VLvertex *) * s.vcapacity));
    }
    s.vtable[s.vcount++] = v;
  } else {
    /* A vertex added during an edit counts as moved, so that the edit's
     * end brings the bounds up to date. */
    v->flags |= VLVERTEX_MOVED;
    g->modified = 1;
  }
  _VLgeometry_dropcache(g);
}

/* Vertices go only into the open geometry or one being edited. */
static bool accepts_vertices(const VLgeometry *g) {
  return g && (g == _VLgeom().open || g->editing);
}

VLvertex *VLgeometry_newvertex(VLgeometry *g, const float position[3]) {
  if (!accepts_vertices(g) || !position) {
    VLMSG(GEOM_NEWVERTEX_CLOSED);
    return nullptr;
  }
  VLvertex *v = static_cast<VLvertex *>(VLmalloc(sizeof(VLvertex)));
  memset(v, 0, sizeof *v);
  memcpy(v->position, position, sizeof v->position);
  _VLgeometry_append(g, v);
  return v;
}

bool _VLgeometry_addvertex(VLgeometry *g, VLvertex *v) {
  if (!accepts_vertices(g) || !v) {
    VLMSG(GEOM_ADDVERTEX_CLOSED);
    return false;
  }
  _VLgeometry_append(g, v);
  return true;
}

VLpoly *VLpoly_new(VLgeometry *g) {
  if (!g) return nullptr;
  VLpoly *p = static_cast<VLpoly *>(VLmalloc(sizeof(VLpoly)));
  memset(p, 0, sizeof *p);
  p->geometry = g;
  p->flags = VLPOLY_CREATED | VLPOLY_TOOLKIT;
  p->vertexflags = 4;
  return p;
}

static void add_corner(VLpoly *p, VLvertex *v) {
  VLvertexref *r = static_cast<VLvertexref *>(VLmalloc(sizeof(VLvertexref)));
  r->vertex = v;
  r->next = p->vertices;
  p->vertices = r;
  v->flags |= VLVERTEX_USED;
}

bool VLpoly_addvertex(VLpoly *p, int index) {
  VLgeomstate &s = _VLgeom();
  /* Table indexes refer to the open geometry only. */
  if (!p || p->ncorners || !s.vtable || p->geometry != s.open) return false;
  if (index < 0 || index >= s.vcount || !s.vtable[index]) return false;
  add_corner(p, s.vtable[index]);
  return true;
}

bool VLpoly_addvertexptr(VLpoly *p, VLvertex *v) {
  if (!p || !v || p->ncorners) return false;  /* a closed polygon takes no corners */
  add_corner(p, v);
  return true;
}

/* Counts the corners and reverses the list into the order they were added. */
static int reverse_corners(VLpoly *p) {
  VLvertexref *prev = nullptr, *r = p->vertices;
  int n = 0;
  while (r) {
    VLvertexref *next = r->next;
    r->next = prev;
    prev = r;
    r = next;
    ++n;
  }
  p->vertices = prev;
  return n;
}

static int count_corners(const VLpoly *p) {
  int n = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next) ++n;
  return n;
}

bool VLpoly_close(VLpoly *p) {
  /* A closed polygon has its corner count; closing it again would link it
   * into its geometry twice. */
  if (!p || !p->geometry || p->ncorners) return false;
  _VLpoly_cornerbits(p);
  int n = count_corners(p);
  if (n < VLPOLY_MINCORNERS || n > VLPOLY_MAXCORNERS) {
    VLMSG(POLY_CORNERS, static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)), n,
                  VLPOLY_MINCORNERS, VLPOLY_MAXCORNERS);
    return false;
  }
  reverse_corners(p);
  p->ncorners = static_cast<uint16_t>(n);
  _VLpoly_plane(p);
  VLgeometry *g = p->geometry;
  p->next = g->polys;
  g->polys = p;
  g->npolys++;
  _VLpoly_dropduplicates(p);
  _VLgeometry_dropcache(g);
  return true;
}

void VLpoly_delete(VLpoly *p) {
  /* A closed polygon belongs to its geometry's list: freeing it here
   * would leave that list dangling. */
  if (p && !p->ncorners) _VLpoly_free(p);
}

void _VLpoly_free(VLpoly *p) {
  VLvertexref *r = p->vertices;
  while (r) {
    VLvertexref *next = r->next;
    free(r);
    r = next;
  }
  if (p->attributes && _VLgeom().events.polyfreed) _VLgeom().events.polyfreed(p->attributes);
  free(p);
}

void VLpoly_setbothsides(VLpoly *p, bool on) {
  if (!p || !p->geometry || p->geometry->frozen) return;
  if (on)
    p->flags |= VLPOLY_TWOSIDED;
  else
    p->flags &= static_cast<uint8_t>(~3u);
  _VLgeometry_dropcache(p->geometry);
}
