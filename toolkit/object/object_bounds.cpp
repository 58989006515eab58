/* Object bounds: the eight corners of a box, the bounds of an object made
 * from a Geometry node (optionally turned to the geometry's principal axes
 * with the Jacobi decomposition), and the box of the object's geometry
 * placed by its pose for the scene graph's bounds. */
#include <float.h>
#include <math.h>

#include "object/object_internal.h"
#include "vlx/geometry.h"
#include "vlx/object.h"

void _VLbox_corners(const float min[3], const float max[3], VLp3 corners[8]) {
  for (int i = 0; i < 8; ++i) {
    corners[i].x = i < 4 ? min[0] : max[0];
    corners[i].y = (i & 2) ? max[1] : min[1];
    corners[i].z = (i & 1) ? max[2] : min[2];
  }
}

void _VLobject_geometrycorners(VLobject *o) {
  float min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
  if (VLgeometry *g = o->geometry) {
    for (int i = 0; i < 3; ++i) {
      min[i] = g->centre[i] - g->halfextents[i];
      max[i] = g->centre[i] + g->halfextents[i];
    }
  }
  _VLbox_corners(min, max, o->corners);
}

namespace {

void vertex_bounds(const VLgeometry *g, float min[3], float max[3]) {
  for (int i = 0; i < 3; ++i) {
    min[i] = FLT_MAX;
    max[i] = -FLT_MAX;
  }
  for (const VLvertex *v = g->vertices; v; v = v->next)
    for (int i = 0; i < 3; ++i) {
      min[i] = fminf(min[i], v->position[i]);
      max[i] = fmaxf(max[i], v->position[i]);
    }
}

/* Inertia tensor of the vertices about the centre. */
void inertia(const VLgeometry *g, const VLp3 &c, VLm3 *out) {
  double xx = 0, yy = 0, zz = 0, xy = 0, xz = 0, yz = 0;
  for (const VLvertex *v = g->vertices; v; v = v->next) {
    double dx = v->position[0] - c.x, dy = v->position[1] - c.y, dz = v->position[2] - c.z;
    xx += dy * dy + dz * dz;
    yy += dz * dz + dx * dx;
    zz += dx * dx + dy * dy;
    xy -= dx * dy;
    xz -= dx * dz;
    yz -= dy * dz;
  }
  const double m[9] = {xx, xy, xz, xy, yy, yz, xz, yz, zz};
  for (int i = 0; i < 9; ++i) out->m[i] = static_cast<float>(m[i]);
}

/* The orientation whose x, y, z axes are the eigenvectors in ascending
 * order of their eigenvalues (z flipped where needed for a right hand). */
void principal_orientation(const VLgeometry *g, const VLp3 &c, VLq *out) {
  VLm3 a, v;
  float d[3];
  inertia(g, c, &a);
  _VLjacobi(&a, d, &v);
  int order[3] = {0, 1, 2};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2 - i; ++j)
      if (d[order[j]] > d[order[j + 1]]) {
        int t = order[j];
        order[j] = order[j + 1];
        order[j + 1] = t;
      }
  VLm3 r;  /* rows: the axes (p.R takes local x to row 0) */
  for (int row = 0; row < 3; ++row)
    for (int k = 0; k < 3; ++k) r.m[3 * row + k] = v.m[3 * k + order[row]];
  VLp3 x = {r.m[0], r.m[1], r.m[2]}, y = {r.m[3], r.m[4], r.m[5]}, z;
  VLp3_cross(&x, &y, &z);
  r.m[6] = z.x;
  r.m[7] = z.y;
  r.m[8] = z.z;
  VLm3_toq(&r, out);
}

/* p' = (p - c).R(q) + c. */
void turn_about(float p[3], const VLp3 &c, const VLq &q) {
  VLp3 d = {p[0] - c.x, p[1] - c.y, p[2] - c.z};
  VLq_rotate(&d, &q, &d);
  p[0] = d.x + c.x;
  p[1] = d.y + c.y;
  p[2] = d.z + c.z;
}

void turn_normal(float *n, const VLq &q) {
  if (!n) return;
  VLp3 d = {n[0], n[1], n[2]};
  VLq_rotate(&d, &q, &d);
  n[0] = d.x;
  n[1] = d.y;
  n[2] = d.z;
}

/* Rotates the geometry about c by q through the edit operations (normals
 * and the initial copy as well); false when the geometry refuses edits. */
bool turn_geometry(VLgeometry *g, const VLp3 &c, const VLq &q) {
  if (!VLgeometry_beginedit(g)) return false;
  for (VLvertex *v = g->vertices; v; v = v->next) {
    float p[3] = {v->position[0], v->position[1], v->position[2]};
    turn_about(p, c, q);
    VLvertex_setposition(g, v, p);
    if (v->normal) {
      float n[3] = {v->normal[0], v->normal[1], v->normal[2]};
      turn_normal(n, q);
      VLvertex_setnormal(g, v, n);
    }
  }
  for (VLvertex *v = g->initialvertices; v; v = v->next) {
    turn_about(v->position, c, q);
    turn_normal(v->normal, q);
  }
  VLgeometry_endedit(g);
  return true;
}

}  // namespace

void _VLobject_frombounds(VLobject *o, bool align) {
  VLgeometry *g = o->geometry;
  float min[3], max[3];
  vertex_bounds(g, min, max);
  VLp3 c = {(min[0] + max[0]) * 0.5f, (min[1] + max[1]) * 0.5f, (min[2] + max[2]) * 0.5f};
  o->position = o->pivot = c;
  o->built.pos = c;
  _VLbox_corners(min, max, o->corners);
  if (!align) return;
  VLq q;
  principal_orientation(g, c, &q);
  VLq inverse = {-q.x, -q.y, -q.z, q.w};
  if (!turn_geometry(g, c, inverse)) return;
  /* The geometry now lies along the axes: its box in that frame, turned back. */
  o->orientation = q;
  vertex_bounds(g, min, max);
  _VLbox_corners(min, max, o->corners);
  for (VLp3 &k : o->corners) {
    float p[3] = {k.x, k.y, k.z};
    turn_about(p, c, q);
    k = {p[0], p[1], p[2]};
  }
}

bool _VLobject_placedbox(VLobject *object, float centre[3], float halfextents[3]) {
  VLgeometry *g = object ? object->geometry : nullptr;
  if (!g) return false;
  VLm4 m;
  _VLobject_posematrix(object, &m);
  for (int j = 0; j < 3; ++j) {
    centre[j] = m.m[12 + j];
    halfextents[j] = 0.0f;
    for (int i = 0; i < 3; ++i) {
      centre[j] += g->centre[i] * m.m[4 * i + j];
      halfextents[j] += g->halfextents[i] * fabsf(m.m[4 * i + j]);
    }
  }
  return true;
}
