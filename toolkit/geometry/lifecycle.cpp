/* Whole-geometry operations: reference-counted delete, deep copy and the
 * merge of a list of geometries into its first. */
#include <stdlib.h>
#include <string.h>

#include <unordered_map>
#include <unordered_set>

#include "geometry/state.h"
#include "geometry/internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

static void free_polys(VLgeometry *g) {
  VLpoly *p = g->polys;
  while (p) {
    VLpoly *next = p->next;
    _VLpoly_free(p);
    p = next;
  }
  g->polys = nullptr;
  g->npolys = 0;
}

int VLgeometry_delete(VLgeometry *g) {
  if (!g) return -1;
  if (g->refcount > 1) return --g->refcount;
  /* Deleting the open geometry ends its construction. */
  if (g == _VLgeom().open) _VLgeometry_endconstruction();
  if (g->mtable) VLmtable_detach(g->mtable, g);
  if (g->ownspolys) free_polys(g);
  _VLgeometry_deletenode(g);
  _VLvertex_freelist(g->vertices);
  _VLvertex_freelist(g->initialvertices);
  g->vertices = g->initialvertices = g->lastvertex = nullptr;
  if (g->deletefn) g->deletefn(g);
  _VLgeometry_dropcache(g);
  free(g->name);
  free(g);
  return 0;
}

/* A copy of p whose corners are the copies of its vertices. */
static VLpoly *copy_poly(const VLpoly *p, VLgeometry *into,
                         std::unordered_map<const VLvertex *, VLvertex *> &map) {
  VLpoly *c = static_cast<VLpoly *>(VLmalloc(sizeof(VLpoly)));
  memcpy(c, p, sizeof *c);
  c->geometry = into;
  c->next = nullptr;
  c->vertices = nullptr;
  VLgeometryevents &events = _VLgeom().events;
  c->attributes = p->attributes && events.polycopied ? events.polycopied(p->attributes) : nullptr;
  VLvertexref **tail = &c->vertices;
  for (const VLvertexref *r = p->vertices; r; r = r->next) {
    auto it = map.find(r->vertex);
    VLvertex *v;
    if (it != map.end()) {
      v = it->second;
    } else {  /* a corner outside the vertex list: the copy gets its own */
      v = _VLvertex_copy(r->vertex);
      if (into->lastvertex)
        into->lastvertex->next = v;
      else
        into->vertices = v;
      into->lastvertex = v;
      map[r->vertex] = v;
    }
    VLvertexref *cell = static_cast<VLvertexref *>(VLmalloc(sizeof(VLvertexref)));
    cell->vertex = v;
    cell->next = nullptr;
    *tail = cell;
    tail = &cell->next;
  }
  return c;
}

/* Copies g's vertex list into c, full records, remembering each copy. */
static void copy_vertices(const VLgeometry *g, VLgeometry *c,
                          std::unordered_map<const VLvertex *, VLvertex *> &map) {
  map.reserve(1024);
  VLvertex **tail = &c->vertices;
  for (const VLvertex *v = g->vertices; v; v = v->next) {
    VLvertex *n = _VLvertex_copy(v);
    *tail = n;
    tail = &n->next;
    c->lastvertex = n;
    map[v] = n;
  }
}

VLgeometry *VLgeometry_copy(VLgeometry *g) {
  if (!g || g == _VLgeom().open) return nullptr;
  VLgeometry *c = static_cast<VLgeometry *>(VLmalloc(sizeof(VLgeometry)));
  memset(c, 0, sizeof *c);
  c->creator = g->creator;
  c->refcount = 1;
  c->ownspolys = 1;
  c->npolys = g->npolys;
  c->name = VLstrdup(g->name);
  memcpy(c->halfextents, g->halfextents, sizeof c->halfextents);
  memcpy(c->centre, g->centre, sizeof c->centre);
  c->radius = g->radius;
  std::unordered_map<const VLvertex *, VLvertex *> map;
  copy_vertices(g, c, map);
  c->initialvertices = _VLvertex_copylist(g->initialvertices, nullptr);
  VLpoly **tail = &c->polys;
  for (const VLpoly *p = g->polys; p; p = p->next) {
    *tail = copy_poly(p, c, map);
    tail = &(*tail)->next;
  }
  if (g->mtable) VLmtable_attach(c, g->mtable);
  return c;
}

/* Puts the list that starts at 'front' (tail 'last') before *head. */
template <typename T>
static void prepend(T **head, T *front) {
  if (!front) return;
  T *last = front;
  while (last->next) last = last->next;
  last->next = *head;
  *head = front;
}

static void absorb(VLgeometry *first, VLgeometry *g) {
  if (g->polys) {
    if (!first->vertices) first->lastvertex = nullptr;
    VLvertex *lastbefore = first->lastvertex;
    prepend(&first->vertices, g->vertices);
    if (!lastbefore) {
      first->lastvertex = nullptr;
      for (VLvertex *v = first->vertices; v; v = v->next) first->lastvertex = v;
    }
    prepend(&first->initialvertices, g->initialvertices);
    for (VLpoly *p = g->polys; p; p = p->next) p->geometry = first;
    prepend(&first->polys, g->polys);
    first->npolys += g->npolys;
    g->vertices = g->initialvertices = g->lastvertex = nullptr;
    g->polys = nullptr;
    g->npolys = 0;
  }
  VLgeometry_delete(g);
}

void VLgeometry_merge(VLgeomcell *list) {
  if (!list || !list->geometry) return;
  VLgeometry *first = list->geometry;
  VLgeometry *open = _VLgeom().open;
  /* A geometry under construction or frozen takes no part; a geometry
   * listed twice is merged once. */
  std::unordered_set<VLgeometry *> seen{first};
  for (VLgeomcell *c = list; c; c = c->next)
    if (c->geometry && (c->geometry == open || c->geometry->frozen)) return;
  for (VLgeomcell *c = list->next; c; c = c->next) {
    VLgeometry *g = c->geometry;
    if (!g) continue;
    if (seen.insert(g).second) absorb(first, g);
    c->geometry = nullptr;
  }
  VLgeometry_cleanvertices(first, false);
  _VLgeometry_bounds(first);
  _VLgeometry_dropcache(first);
  _VLgeometry_markchanged(first);
}
