/* Editing a closed geometry (vertex moves, normals, colours between
 * beginedit and endedit), polygon colours and sidedness, translation,
 * bounds queries and the material-table switch. Every modification drops
 * the renderer's cached data; a frozen geometry refuses them all. */
#include <stdlib.h>
#include <string.h>

#include "geometry/state.h"
#include "geometry/internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

void _VLgeometry_dropcache(VLgeometry *g) {
  if (!g->rendercache) return;
  if (_VLgeom().events.cachedropped) _VLgeom().events.cachedropped(g->rendercache);
  g->rendercache = nullptr;
}

bool VLgeometry_beginedit(VLgeometry *g) {
  if (!g || g->editing || g->frozen || g == _VLgeom().open) return false;
  _VLgeometry_dropcache(g);
  g->lastvertex = nullptr;
  for (VLvertex *v = g->vertices; v; v = v->next) g->lastvertex = v;
  g->editing = 1;
  return true;
}

static bool has_moved_corner(const VLpoly *p) {
  for (const VLvertexref *r = p->vertices; r; r = r->next)
    if (r->vertex->flags & VLVERTEX_MOVED) return true;
  return false;
}

bool VLgeometry_endedit(VLgeometry *g) {
  if (!g || !g->editing) return false;
  for (VLpoly *p = g->polys; p; p = p->next) {
    _VLpoly_cornerbits(p);
    if (has_moved_corner(p)) _VLpoly_replan(g, p);
  }
  bool moved = false;
  for (VLvertex *v = g->vertices; v; v = v->next) {
    if (v->flags & VLVERTEX_MOVED) moved = true;
    v->flags &= static_cast<uint8_t>(~VLVERTEX_MOVED);
  }
  if (moved || g->modified) {
    _VLgeometry_bounds(g);
    _VLgeometry_markchanged(g);
  }
  g->modified = 0;
  g->editing = 0;
  _VLgeometry_dropcache(g);
  return true;
}

/* Vertex changes need a geometry that is open or being edited: a closed
 * geometry's planes and bounds would silently go stale. */
static bool editable(const VLgeometry *g) {
  return g && !g->frozen && (g->editing || g == _VLgeom().open);
}

bool VLvertex_setposition(VLgeometry *g, VLvertex *v, const float position[3]) {
  if (!v || !position || !editable(g)) return false;
  memcpy(v->position, position, sizeof v->position);
  if (g->editing) {
    v->flags |= VLVERTEX_MOVED;
    g->modified = 1;
  }
  _VLgeometry_dropcache(g);
  return true;
}

bool VLvertex_getposition(VLgeometry *, const VLvertex *v, float out[3]) {
  if (!v || !out) return false;
  memcpy(out, v->position, sizeof v->position);
  return true;
}

bool VLvertex_setnormal(VLgeometry *g, VLvertex *v, const float normal[3]) {
  if (!g || !v || !normal || g->frozen) return false;
  if (normal[0] == 0.0f && normal[1] == 0.0f && normal[2] == 0.0f) return false;
  if (!v->normal) v->normal = static_cast<float *>(VLmalloc(3 * sizeof(float)));
  memcpy(v->normal, normal, 3 * sizeof(float));
  _VLgeometry_dropcache(g);
  return true;
}

bool VLvertex_setcolorindex(VLgeometry *g, VLvertex *v, int index) {
  if (!g || !v || index < 0 || g->frozen) return false;
  v->colour = index;
  v->flags |= VLVERTEX_COLOURED;
  _VLgeometry_dropcache(g);
  return true;
}

bool VLvertex_setrgb(VLgeometry *g, VLvertex *v, uint8_t r, uint8_t gr, uint8_t b) {
  if (!g || !v || g->frozen || !g->mtable) return false;
  int index = VLmtable_findcolor(g->mtable, r, gr, b);
  return index >= 0 && VLvertex_setcolorindex(g, v, index);
}

VLvertex *VLgeometry_getvertices(VLgeometry *g) { return g ? g->vertices : nullptr; }

VLvertex *VLvertex_next(VLvertex *v) { return v ? v->next : nullptr; }

bool VLpoly_setcolorindex(VLpoly *p, int index) {
  if (!p || index < 0 || (p->geometry && p->geometry->frozen)) return false;
  p->colour = index;
  if (p->geometry) _VLgeometry_dropcache(p->geometry);
  return true;
}

void VLpoly_setrgb(VLpoly *p, uint8_t r, uint8_t g, uint8_t b) {
  if (!p || !p->geometry || p->geometry->frozen || !p->geometry->mtable) return;
  int index = VLmtable_findcolor(p->geometry->mtable, r, g, b);
  if (index >= 0) VLpoly_setcolorindex(p, index);
}

bool VLgeometry_prebuild(VLgeometry *) { return false; }

bool VLgeometry_unprebuild(VLgeometry *) { return false; }

void VLgeometry_setmtable(VLgeometry *g, VLmtable *t) {
  if (!g || g->frozen) return;
  VLmtable_attach(g, t);
  _VLgeometry_dropcache(g);
}

bool VLgeometry_getmidpoint(VLgeometry *g, float out[3]) {
  if (!g || !out) return false;
  memcpy(out, g->centre, sizeof g->centre);
  return true;
}

bool VLgeometry_getextents(VLgeometry *g, float out[3]) {
  if (!g || !out) return false;
  for (int k = 0; k < 3; ++k) out[k] = 2.0f * g->halfextents[k];
  return true;
}

void VLgeometry_translate(VLgeometry *g, const float offset[3]) {
  if (!g || !offset || g->frozen) return;
  if (offset[0] == 0.0f && offset[1] == 0.0f && offset[2] == 0.0f) return;
  for (VLvertex *v = g->vertices; v; v = v->next)
    for (int k = 0; k < 3; ++k) v->position[k] += offset[k];
  for (VLvertex *v = g->initialvertices; v; v = v->next)
    for (int k = 0; k < 3; ++k) v->position[k] += offset[k];
  for (VLpoly *p = g->polys; p; p = p->next)
    if (p->vertices) {
      const float *q = p->vertices->vertex->position;
      p->plane = p->normal[0] * q[0] + p->normal[1] * q[1] + p->normal[2] * q[2];
    }
  for (int k = 0; k < 3; ++k) g->centre[k] += offset[k];
  _VLgeometry_dropcache(g);
  _VLgeometry_markchanged(g);
}
