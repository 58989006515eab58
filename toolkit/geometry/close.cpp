/* Closing a geometry: the vertex table goes, unused vertices are removed,
 * smooth vertex normals are accumulated from the polygon normals, planes
 * and bounds are computed and the vertex list is copied into the initial
 * vertices. Every step is one pass over the vertices or the corners. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "geometry/internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/universe.h"
#include "vlx/window.h"

static bool verbose(void) {
  VLuniverse *u = VLuniverse_current();
  return u && u->settings && u->settings->verbose;
}

void _VLvertex_freelist(VLvertex *v) {
  while (v) {
    VLvertex *next = v->next;
    free(v->normal);
    free(v);
    v = next;
  }
}

VLvertex *_VLvertex_copy(const VLvertex *v) {
  VLvertex *c = static_cast<VLvertex *>(VLmalloc(sizeof(VLvertex)));
  memcpy(c, v, sizeof *c);
  c->next = nullptr;
  if (v->normal) {
    c->normal = static_cast<float *>(VLmalloc(3 * sizeof(float)));
    memcpy(c->normal, v->normal, 3 * sizeof(float));
  }
  return c;
}

VLvertex *_VLvertex_copylist(const VLvertex *v, VLvertex **last) {
  VLvertex *head = nullptr, *tail = nullptr;
  for (; v; v = v->next) {
    VLvertex *c = static_cast<VLvertex *>(VLmalloc(sizeof(VLvertex)));
    memset(c, 0, sizeof *c);
    memcpy(c->position, v->position, sizeof c->position);
    if (v->normal) {
      c->normal = static_cast<float *>(VLmalloc(3 * sizeof(float)));
      memcpy(c->normal, v->normal, 3 * sizeof(float));
    }
    if (tail)
      tail->next = c;
    else
      head = c;
    tail = c;
  }
  if (last) *last = tail;
  return head;
}

int _VLgeometry_removeunused(VLgeometry *g) {
  int removed = 0;
  VLvertex **link = &g->vertices;
  g->lastvertex = nullptr;
  while (*link) {
    VLvertex *v = *link;
    if (v->flags & VLVERTEX_USED) {
      g->lastvertex = v;
      link = &v->next;
    } else {
      *link = v->next;
      free(v->normal);
      free(v);
      ++removed;
    }
  }
  return removed;
}

void _VLgeometry_bounds(VLgeometry *g) {
  float lo[3] = {1e38f, 1e38f, 1e38f}, hi[3] = {-1e38f, -1e38f, -1e38f};
  for (const VLvertex *v = g->vertices; v; v = v->next)
    for (int k = 0; k < 3; ++k) {
      if (v->position[k] < lo[k]) lo[k] = v->position[k];
      if (v->position[k] > hi[k]) hi[k] = v->position[k];
    }
  if (!g->vertices) lo[0] = lo[1] = lo[2] = hi[0] = hi[1] = hi[2] = 0.0f;
  float r2 = 0.0f;
  for (int k = 0; k < 3; ++k) {
    g->halfextents[k] = (hi[k] - lo[k]) * 0.5f;
    g->centre[k] = (hi[k] + lo[k]) * 0.5f;
    r2 += g->halfextents[k] * g->halfextents[k];
  }
  g->radius = sqrtf(r2);
}

static void remove_unused(VLgeometry *g) {
  int removed = _VLgeometry_removeunused(g);
  if (removed && verbose()) VLMSG(GEOM_UNUSED_REMOVED, removed);
}

void VLgeometry_cleanvertices(VLgeometry *g, bool recount) {
  if (!g || g->frozen) return;
  if (recount) {
    for (VLvertex *v = g->vertices; v; v = v->next) v->flags &= static_cast<uint8_t>(~VLVERTEX_USED);
    for (VLpoly *p = g->polys; p; p = p->next)
      for (VLvertexref *r = p->vertices; r; r = r->next) r->vertex->flags |= VLVERTEX_USED;
  }
  remove_unused(g);
  _VLgeometry_dropcache(g);
}

/* Adds every polygon's normal to its smooth corners, then recomputes the
 * polygon's plane (splitting what is not planar). */
static void accumulate_normals(VLgeometry *g) {
  for (VLpoly *p = g->polys; p; p = p->next) {
    for (VLvertexref *r = p->vertices; r; r = r->next) {
      VLvertex *v = r->vertex;
      if (!(v->flags & VLVERTEX_SMOOTH)) continue;
      if (!v->normal) {
        v->normal = static_cast<float *>(VLmalloc(3 * sizeof(float)));
        v->normal[0] = v->normal[1] = v->normal[2] = 0.0f;
      }
      for (int k = 0; k < 3; ++k) v->normal[k] += p->normal[k];
    }
    _VLpoly_replan(g, p);
  }
}

static void normalise_smooth(VLgeometry *g) {
  for (VLvertex *v = g->vertices; v; v = v->next) {
    if (!(v->flags & VLVERTEX_SMOOTH)) continue;
    float *n = v->normal;
    float l2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (l2 < 1e-6f) {
      n[0] = 1.0f, n[1] = 0.0f, n[2] = 0.0f;
    } else {
      float l = sqrtf(l2);
      n[0] /= l, n[1] /= l, n[2] /= l;
    }
    v->flags &= static_cast<uint8_t>(~VLVERTEX_SMOOTH);
  }
}

/* A smooth vertex that no polygon reached still needs a normal. */
static void ensure_smooth_normals(VLgeometry *g) {
  for (VLvertex *v = g->vertices; v; v = v->next)
    if ((v->flags & VLVERTEX_SMOOTH) && !v->normal) {
      v->normal = static_cast<float *>(VLmalloc(3 * sizeof(float)));
      v->normal[0] = v->normal[1] = v->normal[2] = 0.0f;
    }
}

static bool too_few_vertices(const VLgeometry *g) {
  int n = 0;
  for (const VLvertex *v = g->vertices; v && n < 3; v = v->next) ++n;
  return n < 3;
}

bool VLgeometry_close(VLgeometry *g) {
  if (!g || g != _VLgeom().open) {
    VLMSG(GEOM_CLOSE_NOT_OPEN);
    return false;
  }
  _VLgeometry_endconstruction();
  remove_unused(g);
  if (too_few_vertices(g)) {
    VLMSG(GEOM_TOO_FEW);
    g->refcount = 1;
    VLgeometry_delete(g);
    return false;
  }
  accumulate_normals(g);
  ensure_smooth_normals(g);
  normalise_smooth(g);
  _VLgeometry_bounds(g);
  _VLvertex_freelist(g->initialvertices);
  g->initialvertices = _VLvertex_copylist(g->vertices, nullptr);
  if (!g->name) g->name = VLstrdup("untitled");
  _VLgeometry_dropcache(g);
  return true;
}
