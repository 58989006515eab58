/* Polygon texture records: explicit coordinates (per polygon, or per
 * geometry through two coordinate functions), coordinates fitted to the
 * polygon's plane, removal, and the geometry family's hooks that release
 * and copy a polygon's record. A record's name is a two-character prefix
 * ("V_" plain, "S_" shaded, "T_" transparent) and the texture name,
 * lower-cased. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "geometry/events.h"
#include "geometry/internal.h"
#include "texture/loop.h"
#include "texture/texture_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/texture.h"
#include "vlx/universe.h"

namespace {

/* A normal this close to the fitting axis (or its opposite) counts as it. */
const float kAxisTolerance = 0.004f;

char *record_name(const char *name, bool shaded, bool transparent) {
  size_t n = strlen(name);
  char *s = static_cast<char *>(VLmalloc(n + 3));
  s[0] = transparent ? 'T' : shaded ? 'S' : 'V';
  s[1] = '_';
  memcpy(s + 2, name, n + 1);
  VLstrlower(s + 2);
  return s;
}

/* Rotates v about the unit axis k by the angle of cosine c and sine s. */
void rotate(const float v[3], const float k[3], float c, float s, float out[3]) {
  float kv = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
  float kxv[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2],
                  k[0] * v[1] - k[1] * v[0]};
  for (int i = 0; i < 3; ++i) out[i] = v[i] * c + kxv[i] * s + k[i] * kv * (1 - c);
}

/* The polygon's corners in a frame whose z axis is the polygon's normal:
 * u = x and v = -y there, so a polygon facing +z gets its texture upright
 * and unmirrored, and one facing -z is seen from behind (turned about y). */
void plane_coordinates(const VLpoly *p, float *uv) {
  const float *n = p->normal;
  float centre[3] = {0, 0, 0};
  int count = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next, ++count)
    for (int i = 0; i < 3; ++i) centre[i] += r->vertex->position[i];
  for (int i = 0; i < 3; ++i) centre[i] /= float(count ? count : 1);
  float axis[3] = {n[1], -n[0], 0};  // n x z
  float s = sqrtf(axis[0] * axis[0] + axis[1] * axis[1]), c = n[2];
  if (s < kAxisTolerance) {
    axis[0] = 0, axis[1] = 1, axis[2] = 0;
    s = 0;
    c = c < 0 ? -1.0f : 1.0f;
  } else {
    axis[0] /= s, axis[1] /= s;
  }
  int i = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next, ++i) {
    float d[3], out[3];
    for (int j = 0; j < 3; ++j) d[j] = r->vertex->position[j] - centre[j];
    rotate(d, axis, c, s, out);
    uv[2 * i] = out[0];
    uv[2 * i + 1] = -out[1];
  }
}

/* Extents onto the texture: u to [0, (w-1)/w], v to [1/h, 1] flipped. */
void normalise(float *uv, int n, int width, int height) {
  for (int axis = 0; axis < 2; ++axis) {
    float lo = uv[axis], hi = uv[axis];
    for (int i = 1; i < n; ++i) {
      lo = fminf(lo, uv[2 * i + axis]);
      hi = fmaxf(hi, uv[2 * i + axis]);
    }
    float size = float(axis ? height : width);
    float scale = hi > lo ? (size - 1) / (hi - lo) : 0.0f;
    for (int i = 0; i < n; ++i) {
      float t = (uv[2 * i + axis] - lo) * scale / size;
      uv[2 * i + axis] = axis ? 1 - t : t;
    }
  }
}

int corner_count(const VLpoly *p) {
  int n = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next) ++n;
  return n;
}

/* A polygon freed by the geometry family takes its texture record along. */
void free_attributes(void *attributes) {
  _VLpolytexture_free(static_cast<VLpolytexture *>(attributes));
}

/* A polygon copied by the geometry family gets its own texture record. */
void *copy_attributes(const void *attributes) {
  const VLpolytexture *src = static_cast<const VLpolytexture *>(attributes);
  if (!src) return nullptr;
  VLpolytexture *pt = static_cast<VLpolytexture *>(VLmalloc(sizeof(VLpolytexture)));
  *pt = *src;
  pt->name = VLstrdup(src->name);
  size_t bytes = sizeof(float) * 2 * size_t(src->ncorners);
  pt->uv = static_cast<float *>(VLmalloc(bytes ? bytes : sizeof(float)));
  if (bytes) memcpy(pt->uv, src->uv, bytes);
  if (pt->texture) pt->texture->usecount++;
  return pt;
}

}  // namespace

void _VLtexture_registerevents(void) {
  VLgeometryevents &events = _VLgeometry_events();
  events.polyfreed = free_attributes;
  events.polycopied = copy_attributes;
}

bool _VLpoly_texturable(const VLpoly *p) { return p && p->geometry && !p->geometry->frozen; }

void _VLpoly_texturechanged(VLpoly *p) {
  _VLgeometry_dropcache(p->geometry);
  if (VLuniverse *u = VLuniverse_current()) u->unchanged = 0;
}

void _VLpolytexture_free(VLpolytexture *pt) {
  if (!pt) return;
  if (pt->texture) _VLtexture_unuse(pt->texture);
  free(pt->name);
  free(pt->uv);
  free(pt);
}

VLpolytexture *_VLpoly_newtexture(VLpoly *p, const char *name, VLtexture *t, bool shaded,
                                  bool transparent) {
  VLpolytexture *pt = static_cast<VLpolytexture *>(VLmalloc(sizeof(VLpolytexture)));
  memset(pt, 0, sizeof *pt);
  pt->name = record_name(name, shaded, transparent);
  pt->texture = t;
  t->usecount++;
  pt->scale = 1.0f;
  pt->ncorners = corner_count(p);
  pt->uv = static_cast<float *>(VLmalloc(sizeof(float) * 2 * size_t(pt->ncorners ? pt->ncorners : 1)));
  memset(pt->uv, 0, sizeof(float) * 2 * size_t(pt->ncorners));
  pt->shaded = shaded;
  pt->transparent = transparent;
  _VLpolytexture_free(static_cast<VLpolytexture *>(p->attributes));
  p->attributes = pt;
  _VLtexture_registerevents();
  return pt;
}

bool VLpoly_settexture(VLpoly *p, const char *name, const float *u, const float *v,
                       bool shaded, bool transparent) {
  if (!_VLpoly_texturable(p) || !name || !u || !v) return false;
  _VLpoly_texturechanged(p);
  VLtexture *t = _VLtexture_get(name);
  if (!t) return false;
  VLpolytexture *pt = _VLpoly_newtexture(p, name, t, shaded, transparent);
  for (int i = 0; i < pt->ncorners; ++i) {
    pt->uv[2 * i] = u[i];
    pt->uv[2 * i + 1] = v[i];
  }
  pt->explicitcoords = 1;
  return true;
}

bool VLpoly_applytexture(VLpoly *p, const char *name, bool shaded, bool transparent) {
  if (!_VLpoly_texturable(p) || !name) return false;
  _VLpoly_texturechanged(p);
  VLtexture *t = _VLtexture_get(name);
  if (!t) return false;
  VLpolytexture *pt = _VLpoly_newtexture(p, name, t, shaded, transparent);
  plane_coordinates(p, pt->uv);
  normalise(pt->uv, pt->ncorners, t->width, t->height);
  return true;
}

bool VLgeometry_settexture(VLgeometry *g, const char *name, bool shaded, bool transparent) {
  if (!g || !name || g->frozen) return false;
  _VLgeometry_dropcache(g);
  for (VLpoly *p = g->polys; p; p = p->next)
    if (!VLpoly_applytexture(p, name, shaded, transparent)) return false;
  return true;
}

bool VLgeometry_settexturemap(VLgeometry *g, const char *name, VLtexture_mapfn ufn,
                              VLtexture_mapfn vfn, bool shaded, bool transparent) {
  if (!g || !name || !ufn || !vfn || g->frozen) return false;
  _VLgeometry_dropcache(g);
  for (VLpoly *p = g->polys; p; p = p->next) {
    int n = corner_count(p);
    float *u = static_cast<float *>(VLmalloc(sizeof(float) * 2 * size_t(n ? n : 1)));
    float *v = u + n;
    int i = 0;
    for (const VLvertexref *r = p->vertices; r; r = r->next, ++i) {
      u[i] = ufn(r->vertex->position);
      v[i] = vfn(r->vertex->position);
    }
    bool ok = VLpoly_settexture(p, name, u, v, shaded, transparent);
    free(u);
    if (!ok) return false;
  }
  return true;
}

bool VLpoly_removetexture(VLpoly *p) {
  if (!_VLpoly_texturable(p) || !p->attributes) return false;
  _VLpoly_texturechanged(p);
  _VLpolytexture_free(static_cast<VLpolytexture *>(p->attributes));
  p->attributes = nullptr;
  return true;
}
