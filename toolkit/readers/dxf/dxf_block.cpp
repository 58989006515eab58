/* Block records of the DXF reader: the polygon-adding step every entity
 * converter ends in (close points merged, corners looked up in the
 * block's vertex hash so that entities that meet share vertices), side
 * walls of extruded outlines, and the object coordinate system of an
 * extrusion direction (the arbitrary-axis rule of the format). */
#include <math.h>
#include <string.h>

#include "core/messages.h"
#include "readers/dxf/dxf_internal.h"
#include "vlx/geometry.h"

namespace {

/* Buckets of a new vertex hash; it grows past 4 vertices a bucket. */
const size_t kBuckets = 5023;
/* Smaller extrusion components count as zero. */
const double kTiny = 1e-7;
/* Below this on x and y the x axis comes from the world y axis. */
const double kArbitrary = 1.0 / 64.0;

uint32_t bits(float f) {
  uint32_t u;
  memcpy(&u, &f, sizeof u);
  return u;
}

size_t bucket(const float *p, size_t n) {
  return ((bits(p[0]) ^ bits(p[1]) ^ bits(p[2])) & 0x7fffffffu) % n;
}

bool close_points(const VLdxfp3 &a, const VLdxfp3 &b) {
  return fabs(a.x - b.x) < VLDXF_EPSILON && fabs(a.y - b.y) < VLDXF_EPSILON &&
         fabs(a.z - b.z) < VLDXF_EPSILON;
}

VLdxfp3 cross(const VLdxfp3 &a, const VLdxfp3 &b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool normalise(VLdxfp3 *v) {
  double l = sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
  if (!(l > 0.0) || !isfinite(l)) return false;
  v->x /= l, v->y /= l, v->z /= l;
  return true;
}

VLdxfp3 add(const VLdxfp3 &a, const VLdxfp3 &b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

}  // namespace

uint32_t VLdxfblock::vertex(const float p[3]) {
  /* -0 and +0 are the same coordinate: one bit pattern for both. */
  float q[3] = {p[0] + 0.0f, p[1] + 0.0f, p[2] + 0.0f};
  if (heads.empty()) heads.assign(kBuckets, -1);
  size_t h = bucket(q, heads.size());
  for (int32_t i = heads[h]; i >= 0; i = chain[size_t(i)]) {
    const float *v = &xyz[size_t(i) * 3];
    if (v[0] == q[0] && v[1] == q[1] && v[2] == q[2]) return uint32_t(i);
  }
  uint32_t index = uint32_t(xyz.size() / 3);
  xyz.insert(xyz.end(), q, q + 3);
  chain.push_back(heads[h]);
  heads[h] = int32_t(index);
  if (xyz.size() / 3 > heads.size() * 4) {
    heads.assign(heads.size() * 2 + 1, -1);
    for (size_t i = 0; i < chain.size(); ++i) {
      size_t b = bucket(&xyz[i * 3], heads.size());
      chain[i] = heads[b];
      heads[b] = int32_t(i);
    }
  }
  return index;
}

VLdxfp3 VLdxfocs::world(const VLdxfp3 &p) const {
  return {p.x * ax.x + p.y * ay.x + p.z * az.x, p.x * ax.y + p.y * ay.y + p.z * az.y,
          p.x * ax.z + p.y * ay.z + p.z * az.z};
}

void _VLdxf_ocs(const VLdxfp3 &normal, VLdxfocs *out) {
  VLdxfp3 n = normal;
  if (!normalise(&n)) n = {0, 0, 1};
  VLdxfp3 x;
  if (fabs(n.x) < kArbitrary && fabs(n.y) < kArbitrary)
    x = cross({0, 1, 0}, n);
  else
    x = cross({0, 0, 1}, n);
  normalise(&x);
  VLdxfp3 y = cross(n, x);
  normalise(&y);
  out->ax = x;
  out->ay = y;
  out->az = n;
}

VLdxfp3 _VLdxf_normal(const VLdxfentity &e) {
  VLdxfp3 n = {e.get(210, 0.0), e.get(220, 0.0), e.get(230, 1.0)};
  if (fabs(n.x) < kTiny) n.x = 0.0;
  if (fabs(n.y) < kTiny) n.y = 0.0;
  if (fabs(n.z) < kTiny) n.z = 0.0;
  if (!normalise(&n)) n = {0, 0, 1};
  return n;
}

VLdxfp3 _VLdxf_point(const VLdxfentity &e, int k) {
  return {e.get(10 + k, 0.0), e.get(20 + k, 0.0), e.get(30 + k, 0.0)};
}

void _VLdxf_addpoly(VLdxfreader &r, const VLdxfp3 *points, int n, int colour, bool both) {
  std::vector<VLdxfp3> &kept = r.kept;
  kept.clear();
  for (int i = 0; i < n; ++i)
    if (kept.empty() || !close_points(kept.back(), points[i])) kept.push_back(points[i]);
  while (kept.size() > 1 && close_points(kept.back(), kept.front())) kept.pop_back();
  if (kept.size() < VLPOLY_MINCORNERS) return;
  if (kept.size() > VLPOLY_MAXCORNERS) {
    VLMSG(DXF_INTERNAL_5);
    return;
  }
  VLdxfblock &b = *r.block;
  uint32_t first = uint32_t(b.corners.size());
  for (const VLdxfp3 &p : kept) {
    float f[3] = {float(p.x), float(p.y), float(p.z)};
    b.corners.push_back(b.vertex(f));
  }
  b.polys.push_back({first, uint32_t(kept.size()), colour, both});
}

void _VLdxf_extrude(VLdxfreader &r, const VLdxfp3 *p, int n, const VLdxfp3 &h, bool closed,
                    bool caps, int colour, bool both) {
  int sides = closed ? n : n - 1;
  for (int i = 0; i < sides; ++i) {
    const VLdxfp3 &a = p[i], &b = p[(i + 1) % n];
    VLdxfp3 quad[4] = {a, b, add(b, h), add(a, h)};
    _VLdxf_addpoly(r, quad, 4, colour, both);
  }
  if (!caps) return;
  std::vector<VLdxfp3> ring(p, p + n);
  std::vector<VLdxfp3> bottom(ring.rbegin(), ring.rend());
  _VLdxf_addpoly(r, bottom.data(), n, colour, both);
  for (VLdxfp3 &q : ring) q = add(q, h);
  _VLdxf_addpoly(r, ring.data(), n, colour, both);
}
