/* DXF POLYLINE entities: the VERTEX entities up to SEQEND (at most 512),
 * then polygons by the polyline's flags (group 70): 64 a polyface mesh
 * (vertices, then faces of up to four 1-based vertex numbers), 16 a
 * polygon mesh (M by N vertices, closed in M by bit 1 and in N by bit 32),
 * 8 a 3D polyline (one polygon when its points lie in a plane), and
 * otherwise a 2D polyline in its object coordinate system: extruded by its
 * thickness, one polygon when closed (bit 1), bands of its widths when
 * open and wide. Open thin 2D polylines and non-planar 3D ones are counted
 * and reported at the end of the file. Spline frame points (VERTEX flag
 * 16) are not drawn. */
#include <math.h>
#include <stdlib.h>

#include "core/messages.h"
#include "readers/dxf/dxf_internal.h"

namespace {

enum {
  kClosed = 1, kFitted = 4, k3D = 8, kMesh = 16, kClosedN = 32, kPolyface = 64,
  kFrame = 16, kMeshVertex = 64, kFaceRecord = 128
};

/* Relative distance from the plane that still counts as planar. */
const double kFlat = 1e-4;

VLdxfp3 sub(const VLdxfp3 &a, const VLdxfp3 &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

/* The drawn points (spline frame points left out). */
std::vector<VLdxfp3> points(const VLdxfreader &r) {
  std::vector<VLdxfp3> p;
  for (const VLdxfvertex &v : r.vertices)
    if (!(v.flags & kFrame)) p.push_back(v.p);
  return p;
}

bool planar(const std::vector<VLdxfp3> &p) {
  if (p.size() < 3) return false;
  VLdxfp3 n = {0, 0, 0};
  double size = 0.0;
  for (size_t i = 0; i < p.size(); ++i) {
    const VLdxfp3 &a = p[i], &b = p[(i + 1) % p.size()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
    VLdxfp3 d = sub(a, p[0]);
    size = fmax(size, fabs(d.x) + fabs(d.y) + fabs(d.z));
  }
  double l = sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (!(l > 0.0)) return false;
  for (const VLdxfp3 &q : p) {
    VLdxfp3 d = sub(q, p[0]);
    if (fabs((d.x * n.x + d.y * n.y + d.z * n.z) / l) > kFlat * size + VLDXF_EPSILON) return false;
  }
  return true;
}

void polyline3d(VLdxfreader &r, int colour) {
  std::vector<VLdxfp3> p = points(r);
  if (!planar(p)) {
    ++r.ignored3d;
    return;
  }
  _VLdxf_addpoly(r, p.data(), int(p.size()), colour, true);
}

void polyface(VLdxfreader &r, int colour) {
  std::vector<VLdxfp3> at;
  for (const VLdxfvertex &v : r.vertices)
    if (v.flags & kMeshVertex) at.push_back(v.p);
  for (const VLdxfvertex &v : r.vertices) {
    if (!(v.flags & kFaceRecord) || (v.flags & kMeshVertex)) continue;
    VLdxfp3 face[4];
    int n = 0;
    bool bad = false;
    for (int k = 0; k < 4; ++k) {
      long index = labs(long(v.face[k]));
      if (index == 0) continue;
      if (size_t(index) > at.size()) bad = true;
      else face[n++] = at[size_t(index) - 1];
    }
    if (bad) VLMSG(DXF_INTERNAL_11);
    else _VLdxf_addpoly(r, face, n, colour, true);
  }
}

void mesh(VLdxfreader &r, int colour) {
  std::vector<VLdxfp3> p = points(r);
  const VLdxfentity &e = r.polyline;
  long m = e.geti(71, 0), n = e.geti(72, 0);
  int flags = int(e.geti(70, 0));
  if ((flags & kFitted) && m * n != long(p.size())) m = e.geti(73, 0), n = e.geti(74, 0);
  if (m < 1 || n < 1 || m > VLDXF_MAXPOLYLINE || n > VLDXF_MAXPOLYLINE ||
      m * n != long(p.size())) {
    VLMSG(DXF_INTERNAL_11);
    return;
  }
  long mi = flags & kClosed ? m : m - 1, ni = flags & kClosedN ? n : n - 1;
  for (long i = 0; i < mi; ++i)
    for (long j = 0; j < ni; ++j) {
      long i1 = (i + 1) % m, j1 = (j + 1) % n;
      VLdxfp3 q[4] = {p[size_t(i * n + j)], p[size_t(i * n + j1)], p[size_t(i1 * n + j1)],
                      p[size_t(i1 * n + j)]};
      _VLdxf_addpoly(r, q, 4, colour, true);
    }
}

/* Bands of an open wide polyline: each segment widened by its start and
 * end widths, in the polyline's plane. */
void bands(VLdxfreader &r, const std::vector<VLdxfp3> &p, const std::vector<double> &w,
           const VLdxfocs &ocs, int colour) {
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    VLdxfp3 a = p[i], b = p[i + 1];
    double dx = b.x - a.x, dy = b.y - a.y, l = sqrt(dx * dx + dy * dy);
    if (!(l > 0.0)) continue;
    double nx = -dy / l, ny = dx / l, s = w[2 * i] / 2, t = w[2 * i + 1] / 2;
    VLdxfp3 q[4] = {{a.x - nx * s, a.y - ny * s, a.z}, {b.x - nx * t, b.y - ny * t, b.z},
                    {b.x + nx * t, b.y + ny * t, b.z}, {a.x + nx * s, a.y + ny * s, a.z}};
    for (VLdxfp3 &c : q) c = ocs.world(c);
    _VLdxf_addpoly(r, q, 4, colour, true);
  }
}

void polyline2d(VLdxfreader &r, int colour) {
  const VLdxfentity &e = r.polyline;
  int flags = int(e.geti(70, 0));
  double t = e.get(39, 0.0), elevation = e.get(30, 0.0);
  double sw = e.get(40, 0.0), ew = e.get(41, 0.0);
  std::vector<VLdxfp3> p;
  std::vector<double> w;
  bool wide = sw != 0.0 || ew != 0.0;
  for (const VLdxfvertex &v : r.vertices) {
    if (v.flags & kFrame) continue;
    p.push_back({v.p.x, v.p.y, elevation});
    w.push_back(v.startwidth);
    w.push_back(v.endwidth);
    wide = wide || v.startwidth != 0.0 || v.endwidth != 0.0;
  }
  bool closed = flags & kClosed;
  if (t == 0.0 && !closed && !wide) {
    ++r.openignored;
    return;
  }
  VLdxfocs ocs;
  _VLdxf_ocs(_VLdxf_normal(e), &ocs);
  if (!closed && t == 0.0) return bands(r, p, w, ocs, colour);
  for (VLdxfp3 &q : p) q = ocs.world(q);
  if (t != 0.0) {
    VLdxfp3 h = {ocs.az.x * t, ocs.az.y * t, ocs.az.z * t};
    _VLdxf_extrude(r, p.data(), int(p.size()), h, closed, closed, colour, true);
  } else {
    _VLdxf_addpoly(r, p.data(), int(p.size()), colour, true);
  }
}

}  // namespace

bool _VLdxf_polyline(VLdxfreader &r, int colour) {
  r.polyopen = true;
  r.polyline = r.e;
  r.polycolour = colour;
  r.vertices.clear();
  return true;
}

bool _VLdxf_vertex(VLdxfreader &r) {
  if (!r.polyopen) return true;
  if (r.vertices.size() >= VLDXF_MAXPOLYLINE) {
    VLMSG(DXF_POLYLINE_VERTS, int(VLDXF_MAXPOLYLINE));
    VLMSG(DXF_READING_STOPS, r.path);
    r.polyopen = false;
    return false;
  }
  const VLdxfentity &e = r.e;
  VLdxfvertex v;
  v.p = _VLdxf_point(e, 0);
  v.startwidth = e.get(40, r.polyline.get(40, 0.0));
  v.endwidth = e.get(41, r.polyline.get(41, 0.0));
  v.flags = int(e.geti(70, 0));
  for (int k = 0; k < 4; ++k) v.face[k] = int(e.geti(71 + k, 0));
  r.vertices.push_back(v);
  return true;
}

bool _VLdxf_endpolyline(VLdxfreader &r) {
  if (!r.polyopen) return true;
  r.polyopen = false;
  int colour = r.polycolour;
  if (colour < 0) return true;
  int flags = int(r.polyline.geti(70, 0));
  if (flags & kPolyface) polyface(r, colour);
  else if (flags & kMesh) mesh(r, colour);
  else if (flags & k3D) polyline3d(r, colour);
  else polyline2d(r, colour);
  return true;
}
