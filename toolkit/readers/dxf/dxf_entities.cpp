/* DXF entity converters, after the published entity definitions: LINE
 * and 3DLINE (a wall of their thickness), CIRCLE (a 12-sided disc, or a
 * closed cylinder with a thickness), ARC (walls of its thickness), TRACE
 * and SOLID (a quadrilateral, a prism with a thickness), 3DFACE, and
 * INSERT (recorded in the block, expanded when the drawing is built).
 * POLYLINE, VERTEX and SEQEND are in dxf_polyline.cpp; the other entities
 * carry no geometry. Points of CIRCLE, ARC, TRACE, SOLID and INSERT are
 * in the entity's object coordinate system. */
#include <math.h>

#include "core/messages.h"
#include "readers/dxf/dxf_internal.h"

namespace {

const double kPi = 3.14159265358979323846;
/* Points of a circle; degrees between the points of an arc. */
const int kCirclePoints = 12;
const double kArcStep = 30.0;
/* Smaller thicknesses count as none. */
const double kThin = 1e-7;

VLdxfp3 scaled(const VLdxfp3 &v, double s) { return {v.x * s, v.y * s, v.z * s}; }

/* The point at angle a (radians) on the circle of e in world coordinates. */
VLdxfp3 on_circle(const VLdxfentity &e, const VLdxfocs &ocs, double a) {
  VLdxfp3 c = _VLdxf_point(e, 0);
  double radius = e.get(40, 0.0);
  return ocs.world({c.x + radius * cos(a), c.y + radius * sin(a), c.z});
}

bool line(VLdxfreader &r, int colour) {
  double t = r.e.get(39, 0.0);
  if (t == 0.0) return true;
  VLdxfp3 h = scaled(_VLdxf_normal(r.e), t);
  VLdxfp3 a = _VLdxf_point(r.e, 0), b = _VLdxf_point(r.e, 1);
  VLdxfp3 quad[4] = {a, b, {b.x + h.x, b.y + h.y, b.z + h.z}, {a.x + h.x, a.y + h.y, a.z + h.z}};
  _VLdxf_addpoly(r, quad, 4, colour, true);
  return true;
}

bool circle(VLdxfreader &r, int colour) {
  VLdxfocs ocs;
  _VLdxf_ocs(_VLdxf_normal(r.e), &ocs);
  VLdxfp3 p[kCirclePoints];
  for (int k = 0; k < kCirclePoints; ++k) p[k] = on_circle(r.e, ocs, 2.0 * kPi * k / kCirclePoints);
  double t = r.e.get(39, 0.0);
  if (fabs(t) >= kThin)
    _VLdxf_extrude(r, p, kCirclePoints, scaled(ocs.az, t), true, true, colour, t < 0.0);
  else
    _VLdxf_addpoly(r, p, kCirclePoints, colour, true);
  return true;
}

bool arc(VLdxfreader &r, int colour) {
  double start = r.e.get(50, 0.0), end = r.e.get(51, 0.0);
  if (end < start) end += 360.0;
  double steps = ceil((end - start) / kArcStep);
  if (steps < 1.0) steps = 1.0;
  if (!(steps + 1.0 <= VLDXF_MAXARC)) {
    VLMSG(DXF_ARC_VERTS);
    VLMSG(DXF_READING_STOPS, r.path);
    return false;
  }
  int n = int(steps) + 1;
  VLdxfocs ocs;
  _VLdxf_ocs(_VLdxf_normal(r.e), &ocs);
  std::vector<VLdxfp3> p(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k)
    p[size_t(k)] = on_circle(r.e, ocs, (start + (end - start) * k / (n - 1)) * kPi / 180.0);
  double t = r.e.get(39, 0.0);
  if (fabs(t) >= kThin) _VLdxf_extrude(r, p.data(), n, scaled(ocs.az, t), false, false, colour, true);
  return true;
}

/* TRACE and SOLID: corners 1, 2, 4, 3 (a triangle repeats its third). */
bool solid(VLdxfreader &r, int colour) {
  VLdxfocs ocs;
  _VLdxf_ocs(_VLdxf_normal(r.e), &ocs);
  int order[4] = {0, 1, 3, 2};
  VLdxfp3 p[4];
  for (int k = 0; k < 4; ++k) {
    int i = order[k] == 3 && !r.e.has(13) && !r.e.has(23) ? 2 : order[k];
    p[k] = ocs.world(_VLdxf_point(r.e, i));
  }
  double t = r.e.get(39, 0.0);
  if (fabs(t) >= kThin)
    _VLdxf_extrude(r, p, 4, scaled(ocs.az, t), true, true, colour, true);
  else
    _VLdxf_addpoly(r, p, 4, colour, true);
  return true;
}

/* 3DFACE: world corners 1 to 4 (a triangle repeats its third). */
bool face(VLdxfreader &r, int colour) {
  VLdxfp3 p[4];
  for (int k = 0; k < 4; ++k) {
    int i = k == 3 && !r.e.has(13) && !r.e.has(23) && !r.e.has(33) ? 2 : k;
    p[k] = _VLdxf_point(r.e, i);
  }
  _VLdxf_addpoly(r, p, 4, colour, true);
  return true;
}

/* INSERT: the reference is kept with its placement; a column or row
 * count below 1 counts as 1. */
bool insert(VLdxfreader &r, int colour) {
  const VLdxfentity &e = r.e;
  VLdxfinsert in;
  in.block = e.name;
  in.point = _VLdxf_point(e, 0);
  in.scale = {e.get(41, 1.0), e.get(42, 1.0), e.get(43, 1.0)};
  in.normal = _VLdxf_normal(e);
  in.rotation = e.get(50, 0.0);
  long columns = e.geti(70, 1), rows = e.geti(71, 1);
  in.columns = columns < 1 ? 1 : int(columns);
  in.rows = rows < 1 ? 1 : int(rows);
  in.colspacing = e.get(44, 0.0);
  in.rowspacing = e.get(45, 0.0);
  in.colour = colour;
  r.block->inserts.push_back(in);
  return true;
}

bool polyline(VLdxfreader &r, int colour) { return _VLdxf_polyline(r, colour); }

struct Converter {
  int key;
  bool (*convert)(VLdxfreader &r, int colour);
};

const Converter kConverters[] = {
    {VLDXF_LINE, line},   {VLDXF_3DLINE, line},  {VLDXF_CIRCLE, circle},
    {VLDXF_ARC, arc},     {VLDXF_TRACE, solid},  {VLDXF_SOLID, solid},
    {VLDXF_3DFACE, face}, {VLDXF_INSERT, insert}, {VLDXF_POLYLINE, polyline},
};

}  // namespace

int _VLdxf_colour(const VLdxfreader &r, const VLdxfentity &e) {
  int layer = 0;
  auto found = r.layerindex.find(e.layer);
  if (found != r.layerindex.end()) layer = r.layers[found->second].colour;
  if (layer < 0) return -1;
  long c = e.geti(62, 256);
  if (c == 256) c = layer;
  if (c < 0) return -1;
  return c > 255 ? 7 : int(c);
}

bool _VLdxf_convert(VLdxfreader &r) {
  int key = r.e.key;
  if (key == VLDXF_VERTEX) return _VLdxf_vertex(r);
  if (!_VLdxf_endpolyline(r)) return false;
  if (key == VLDXF_SEQEND) return true;
  for (const Converter &c : kConverters) {
    if (c.key != key) continue;
    int colour = _VLdxf_colour(r, r.e);
    /* A hidden POLYLINE still owns its VERTEX entities. */
    if (colour < 0 && key != VLDXF_POLYLINE) return true;
    return c.convert(r, colour);
  }
  return true;
}
