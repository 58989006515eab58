/* Polygon planes: the normal from the corner cross products with the
 * convexity test, the plane constant, the planarity check that decides a
 * renderer split, the corner bits and the removal of coincident corners. */
#include <math.h>
#include <stdlib.h>

#include "geometry/internal.h"
#include "vlx/geometry.h"

namespace {

/* Corners closer than this on every axis are one corner. */
const float kSameCorner = 1e-5f;
/* A corner farther from the plane than this share of the polygon's size
 * makes the polygon non-planar. */
const float kPlanarTolerance = 1e-3f;

void sub(const float *a, const float *b, float *out) {
  out[0] = a[0] - b[0];
  out[1] = a[1] - b[1];
  out[2] = a[2] - b[2];
}

void cross(const float *a, const float *b, float *out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

float dot(const float *a, const float *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

bool nonzero(const float *v) { return v[0] != 0.0f || v[1] != 0.0f || v[2] != 0.0f; }

/* c_i = (p[i+2] - p[i+1]) x (p[i] - p[i+1]), indexes cyclic. */
void corner_cross(const float *const *pts, int n, int i, float *out) {
  const float *a = pts[i], *b = pts[(i + 1) % n], *c = pts[(i + 2) % n];
  float u[3], v[3];
  sub(c, b, u);
  sub(a, b, v);
  cross(u, v, out);
}

/* Sum of the fan cross products from the first corner. */
void fan_sum(const float *const *pts, int n, float *out) {
  out[0] = out[1] = out[2] = 0.0f;
  for (int i = 1; i + 1 < n; ++i) {
    float u[3], v[3], c[3];
    sub(pts[i], pts[0], u);
    sub(pts[i + 1], pts[0], v);
    cross(u, v, c);
    out[0] += c[0];
    out[1] += c[1];
    out[2] += c[2];
  }
}

bool planar(const float *const *pts, int n, const float *normal, float d) {
  float lo[3] = {pts[0][0], pts[0][1], pts[0][2]}, hi[3] = {lo[0], lo[1], lo[2]};
  for (int i = 1; i < n; ++i)
    for (int k = 0; k < 3; ++k) {
      lo[k] = fminf(lo[k], pts[i][k]);
      hi[k] = fmaxf(hi[k], pts[i][k]);
    }
  float size = fmaxf(hi[0] - lo[0], fmaxf(hi[1] - lo[1], hi[2] - lo[2]));
  for (int i = 0; i < n; ++i)
    if (fabsf(dot(normal, pts[i]) - d) > kPlanarTolerance * size) return false;
  return true;
}

}  // namespace

bool _VLpoly_plane(VLpoly *p) {
  const float *pts[VLPOLY_MAXCORNERS];
  int n = 0;
  for (VLvertexref *r = p->vertices; r && n < VLPOLY_MAXCORNERS; r = r->next)
    pts[n++] = r->vertex->position;
  p->normal[0] = p->normal[1] = p->normal[2] = 0.0f;
  p->plane = 0.0f;
  p->flags &= static_cast<uint8_t>(~VLPOLY_CONVEX);
  if (n < 3) return false;

  float first[3] = {0, 0, 0}, sum[3] = {0, 0, 0};
  bool havefirst = false, convex = true;
  for (int i = 0; i < n; ++i) {
    float c[3];
    corner_cross(pts, n, i, c);
    if (!havefirst && nonzero(c)) {
      first[0] = c[0], first[1] = c[1], first[2] = c[2];
      havefirst = true;
    }
    if (havefirst && dot(c, first) < 0.0f) convex = false;
    sum[0] += c[0], sum[1] += c[1], sum[2] += c[2];
  }
  if (!havefirst) return false;
  if (convex) {
    p->flags |= VLPOLY_CONVEX;
  } else {
    fan_sum(pts, n, sum);
    if (!nonzero(sum)) sum[0] = first[0], sum[1] = first[1], sum[2] = first[2];
  }
  float len = sqrtf(dot(sum, sum));
  if (!(len > 0.0f) || !isfinite(len)) return false;
  for (int k = 0; k < 3; ++k) p->normal[k] = sum[k] / len;
  p->plane = dot(p->normal, pts[0]);
  return n <= 3 || planar(pts, n, p->normal, p->plane);
}

/* A polygon that is not planar keeps its corners: the renderer draws it as
 * the fan of its corners, each triangle with the polygon's normal, so
 * nothing is split ahead. */
void _VLpoly_replan(VLgeometry *, VLpoly *p) { _VLpoly_plane(p); }

void _VLpoly_cornerbits(VLpoly *p) {
  bool normals = true, colours = true;
  for (const VLvertexref *r = p->vertices; r; r = r->next) {
    const VLvertex *v = r->vertex;
    if (!v->normal && !(v->flags & VLVERTEX_SMOOTH)) normals = false;
    if (!(v->flags & VLVERTEX_COLOURED)) colours = false;
  }
  p->vertexflags &= static_cast<uint8_t>(~(VLPOLY_VNORMALS | VLPOLY_VCOLOURS));
  if (normals) p->vertexflags |= VLPOLY_VNORMALS;
  if (colours) p->vertexflags |= VLPOLY_VCOLOURS;
}

static bool same_corner(const VLvertexref *a, const VLvertexref *b) {
  const float *p = a->vertex->position, *q = b->vertex->position;
  return fabsf(p[0] - q[0]) < kSameCorner && fabsf(p[1] - q[1]) < kSameCorner &&
         fabsf(p[2] - q[2]) < kSameCorner;
}

void _VLpoly_dropduplicates(VLpoly *p) {
  VLvertexref *head = p->vertices;
  if (!head) return;
  /* Along the list: a corner that equals the one kept before it goes. */
  VLvertexref *kept = head;
  int n = 1;
  while (kept->next) {
    VLvertexref *next = kept->next;
    if (same_corner(kept, next)) {
      kept->next = next->next;
      free(next);
    } else {
      kept = next;
      ++n;
    }
  }
  /* Around the ring: the last corner loses the first while they coincide. */
  while (n > 1 && same_corner(kept, head)) {
    VLvertexref *next = head->next;
    free(head);
    head = next;
    --n;
  }
  p->vertices = head;
  p->ncorners = static_cast<uint16_t>(n);
  if (n < 3) p->flags2 |= VLPOLY_DEGENERATE;
}
