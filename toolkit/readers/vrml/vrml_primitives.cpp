/* VRML primitive shapes: Cube (a block), Sphere (6 latitudes, 12
 * longitudes, smooth), Cone (8 side triangles to the apex and the base
 * polygon, as its parts select) and Cylinder (8 side quadrilaterals with
 * outward normals and the two caps). Polygons face outwards; under a
 * PER_PART binding each part takes its own material entry. With a
 * texture, every polygon gets it with coordinates of its own. */
#include <math.h>
#include <stdlib.h>

#include "readers/vrml/vrml_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/texture.h"

namespace {

const int kRing = 8;
const float kTwoPi = 6.2831853f;
const float kMinSize = 0.004f;

struct Shape {
  VLvrmlstate &c;
  VLgeometry *g;
  VLtexture *texture;
  bool perpart;
  int32_t nentries;
};

float ring_angle(int i) { return float(i) * kTwoPi / float(kRing); }

/* A polygon over the vertices with material part and texture coordinates. */
void polygon(Shape &s, VLvertex *const *v, int n, int part, const float *u, const float *w) {
  VLpoly *p = VLpoly_new(s.g);
  for (int i = 0; i < n; ++i) VLpoly_addvertexptr(p, v[i]);
  if (s.perpart) p->colour = part < s.nentries ? part : s.nentries - 1;
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    return;
  }
  _VLvrml_texturepoly(p, s.texture, u, w);
}

/* A ring of vertices at height y (with outward normals when asked). */
void ring(Shape &s, float radius, float y, bool normals, VLvertex **out) {
  for (int i = 0; i < kRing; ++i) {
    float a = ring_angle(i);
    float p[3] = {radius * cosf(a), y, radius * sinf(a)};
    out[i] = VLgeometry_newvertex(s.g, p);
    if (normals) {
      float n[3] = {cosf(a), 0, sinf(a)};
      VLvertex_setnormal(s.g, out[i], n);
    }
  }
}

/* A cap over a ring: increasing angles face down, decreasing face up. */
void cap(Shape &s, VLvertex **r, bool up, int part) {
  VLvertex *v[kRing];
  float u[kRing], w[kRing];
  for (int i = 0; i < kRing; ++i) {
    int j = up ? kRing - 1 - i : i;
    v[i] = r[j];
    u[i] = 0.5f + 0.5f * cosf(ring_angle(j));
    w[i] = 0.5f + 0.5f * sinf(ring_angle(j));
  }
  polygon(s, v, kRing, part, u, w);
}

void cone(Shape &s, const VLvrmlrecord &r) {
  float radius = r.get(VLF_BOTTOMRADIUS).f[0], h = r.get(VLF_HEIGHT).f[0];
  int parts = r.get(VLF_PARTS).i;
  VLvertex *base[kRing];
  ring(s, radius, -h / 2, false, base);
  if (parts & 2) cap(s, base, false, 1);
  if (!(parts & 1)) return;
  for (int i = 0; i < kRing; ++i) {
    float apex[3] = {0, h / 2, 0};
    VLvertex *v[3] = {base[i], VLgeometry_newvertex(s.g, apex), base[(i + 1) % kRing]};
    float u[3] = {float(i) / kRing, (i + 0.5f) / kRing, float(i + 1) / kRing};
    float w[3] = {0, 1, 0};
    polygon(s, v, 3, 0, u, w);
  }
}

void cylinder(Shape &s, const VLvrmlrecord &r) {
  float radius = r.get(VLF_RADIUS).f[0], h = r.get(VLF_HEIGHT).f[0];
  int parts = r.get(VLF_PARTS).i;
  VLvertex *bottom[kRing], *top[kRing];
  if (parts & 1) {
    ring(s, radius, -h / 2, true, bottom);
    ring(s, radius, h / 2, true, top);
    for (int i = 0; i < kRing; ++i) {
      int j = (i + 1) % kRing;
      VLvertex *v[4] = {bottom[i], top[i], top[j], bottom[j]};
      float u[4] = {float(i) / kRing, float(i) / kRing, float(i + 1) / kRing, float(i + 1) / kRing};
      float w[4] = {0, 1, 1, 0};
      polygon(s, v, 4, 0, u, w);
    }
  }
  if (parts & 2) {
    ring(s, radius, h / 2, false, top);
    cap(s, top, true, 1);
  }
  if (parts & 4) {
    ring(s, radius, -h / 2, false, bottom);
    cap(s, bottom, false, 2);
  }
}

float sphere_u(const float p[3]) { return atan2f(p[0], p[2]) / kTwoPi + 0.5f; }
float sphere_v(const float p[3]) {
  float l = sqrtf(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  return l > 0 ? asinf(p[1] / l) / 3.1415927f + 0.5f : 0.5f;
}

VLgeometry *block(const VLvrmlrecord &r, VLtexture *t) {
  VLgeometry *g = VLgeometry_newblock(r.get(VLF_WIDTH).f[0], r.get(VLF_HEIGHT).f[0],
                                      r.get(VLF_DEPTH).f[0], false);
  if (!g || !t) return g;
  static const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
  for (VLpoly *p = g->polys; p; p = p->next) _VLvrml_texturepoly(p, t, u, v);
  return g;
}

VLgeometry *sphere(const VLvrmlrecord &r, VLtexture *t) {
  VLgeometry *g = VLgeometry_newsphere(r.get(VLF_RADIUS).f[0], 6, 12, false, true);
  if (g && t && VLgeometry_settexturemap(g, t->name, sphere_u, sphere_v, true, false))
    for (VLpoly *p = g->polys; p; p = p->next) p->flags |= VLPOLY_TINT;
  return g;
}

}  // namespace

VLnode *_VLvrml_buildprimitive(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent,
                               VLvrmldef *def) {
  const VLvrmllevel &level = _VLvrml_top(c);
  VLtexture *t = level.texture;
  if (r.node == VLN_CUBE) return _VLvrml_shapenode(c, parent, block(r, t), def);
  if (r.node == VLN_SPHERE) return _VLvrml_shapenode(c, parent, sphere(r, t), def);
  if (r.node == VLN_CONE && !(fabsf(r.get(VLF_BOTTOMRADIUS).f[0]) >= kMinSize &&
                              fabsf(r.get(VLF_HEIGHT).f[0]) >= kMinSize))
    return nullptr;
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  Shape s{c, g, t,
          level.matbinding == VLE_PER_PART || level.matbinding == VLE_PER_PART_INDEXED,
          level.mtable && level.mtable->nentries > 0 ? level.mtable->nentries : 1};
  if (r.node == VLN_CONE) cone(s, r);
  else cylinder(s, r);
  free(g->name);
  g->name = VLstrdup(r.node == VLN_CONE ? "cone" : "cylinder");
  if (!VLgeometry_close(g)) return nullptr;
  if (g->npolys == 0) {
    VLgeometry_delete(g);
    return nullptr;
  }
  return _VLvrml_shapenode(c, parent, g, def);
}
