/* An OpenFlight object becomes one geometry: each face below it a polygon
 * whose corners come from the vertex palette through its vertex lists
 * (vertices shared within the object), with its colour or material from
 * the file's table, two-sidedness from its draw type and its texture from
 * the palette (explicit coordinates when every corner has them). Faces
 * under a face (subfaces) are layered: drawn after their superface, on
 * vertices of their own moved a little along its normal. Light-point
 * faces make no polygon. The faces are walked with an explicit stack. */
#include <stdlib.h>

#include <unordered_map>

#include "core/messages.h"
#include "readers/flt/flt_internal.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/texture.h"

namespace {

/* Face record offsets. */
const size_t kDrawType = 18, kColourIndex = 20, kOldTextureIndex = 26, kTextureIndex = 28,
             kMaterialIndex = 30, kFlags = 44, kPackedColour = 56;
/* Revision from which the texture index sits at kTextureIndex. */
const int32_t kTextureRevision = 1420;
/* Face flags, numbered from the most significant bit. */
const uint32_t kNoColour = 0x40000000u, kPackedFlag = 0x10000000u, kHidden = 0x04000000u;
/* Draw types: two-sided, and the light points. */
const int kDrawTwoSided = 1, kDrawLightFirst = 8, kDrawLightLast = 10;
/* Most corners read from a face (one more than a polygon may have). */
const size_t kMaxCorners = 257;
/* How far each layer of subfaces stands off its superface, in metres. */
const float kLayerStep = 0.002f;

/* One vertex palette record, scaled. */
struct PaletteVertex {
  float p[3] = {0, 0, 0};
  float n[3] = {0, 0, 0};
  float uv[2] = {0, 0};
  bool hasnormal = false, hasuv = false;
};

struct Corner {
  VLvertex *v;
  float uv[2];
  bool hasuv;
};

/* A face waiting to be made, with the layer it lies on. */
struct FaceWork {
  int bead;
  int layer;
  float normal[3];
};

/* The fields of a face record the polygon needs. */
struct FaceFields {
  int drawtype;
  uint32_t colourindex, flags, packed;
  int texture, material;
};

struct Builder {
  explicit Builder(FltFile &file) : f(file) {}
  FltFile &f;
  VLgeometry *g = nullptr;
  std::unordered_map<uint32_t, Corner> shared;  /* palette offset -> vertex */
  int polys = 0;
};

FaceFields read_face(const FltFile &f, const FltBead &b) {
  VLbytecursor c = _VLflt_record(f, b.at, b.length);
  FaceFields ff;
  c.seek(kDrawType);
  ff.drawtype = c.u8();
  c.seek(kColourIndex);
  ff.colourindex = c.be16();
  /* A record too short for an index has none (not index 0). */
  c.seek(f.revision >= kTextureRevision ? kTextureIndex : kOldTextureIndex);
  ff.texture = int16_t(c.be16());
  if (c.failed()) ff.texture = -1;
  c.seek(kMaterialIndex);
  ff.material = int16_t(c.be16());
  if (c.failed()) ff.material = -1;
  c.seek(kFlags);
  ff.flags = c.be32();
  c.seek(kPackedColour);
  ff.packed = c.be32();
  return ff;
}

void read_coordinates(FltFile &f, VLbytecursor &c, PaletteVertex &v) {
  c.seek(8);
  for (float &x : v.p) x = float(_VLflt_f64(c) * f.unitscale);
}

/* The vertex record at a palette offset; false after a warning. */
bool palette_vertex(FltFile &f, uint32_t offset, const std::string &face, PaletteVertex &v) {
  size_t at = f.palette + offset;
  if (!f.palette || offset >= f.paletteend - f.palette || f.paletteend - at < 4) {
    VLMSG(FLT_BAD_VERTEX_OFFSET, f.path.c_str(), int(offset), face.c_str());
    return false;
  }
  int op = f.data[at] << 8 | f.data[at + 1];
  size_t length = size_t(f.data[at + 2] << 8 | f.data[at + 3]);
  if (length < 4 || length > f.size - at) {
    VLMSG(FLT_BAD_VERTEX_OFFSET, f.path.c_str(), int(offset), face.c_str());
    return false;
  }
  if (op < FLT_VERTEXC || op > FLT_VERTEXCT) {
    VLMSG(FLT_UNKNOWN_VERTEX, _VLflt_opname(op));
    return false;
  }
  VLbytecursor c = _VLflt_record(f, at, length);
  read_coordinates(f, c, v);
  v.hasnormal = op == FLT_VERTEXCN || op == FLT_VERTEXCNT;
  v.hasuv = op == FLT_VERTEXCNT || op == FLT_VERTEXCT;
  if (v.hasnormal)
    for (float &x : v.n) x = _VLflt_f32(c);
  if (v.hasuv)
    for (float &x : v.uv) x = _VLflt_f32(c);
  return true;
}

/* A corner at a palette offset: shared on layer 0, a vertex of its own
 * moved off the superface on the others. */
bool corner(Builder &b, uint32_t offset, const FaceWork &w, const std::string &face, Corner *out) {
  if (w.layer == 0) {
    auto known = b.shared.find(offset);
    if (known != b.shared.end()) {
      *out = known->second;
      return true;
    }
  }
  PaletteVertex pv;
  if (!palette_vertex(b.f, offset, face, pv)) return false;
  for (int i = 0; i < 3; ++i) pv.p[i] += w.normal[i] * kLayerStep * float(w.layer);
  VLvertex *v = VLgeometry_newvertex(b.g, pv.p);
  if (!v) return false;
  if (pv.hasnormal) VLvertex_setnormal(b.g, v, pv.n);
  *out = {v, {pv.uv[0], pv.uv[1]}, pv.hasuv};
  if (w.layer == 0) b.shared[offset] = *out;
  return true;
}

/* The corners of one vertex list record. */
void read_vertex_list(Builder &b, const FltBead &list, const FaceWork &w,
                      const std::string &face, std::vector<Corner> &corners) {
  VLbytecursor c = _VLflt_record(b.f, list.at, list.length);
  while (c.left() >= 4 && corners.size() < kMaxCorners) {
    Corner k;
    if (corner(b, c.be32(), w, face, &k)) corners.push_back(k);
  }
}

/* Explicit coordinates in the closed polygon's corner order (coincident
 * corners were dropped, the order kept), when every corner has them. */
bool corner_uv(const VLpoly *p, const std::vector<Corner> &corners, std::vector<float> &u,
               std::vector<float> &v) {
  size_t k = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next) {
    while (k < corners.size() && corners[k].v != r->vertex) ++k;
    if (k == corners.size() || !corners[k].hasuv) return false;
    u.push_back(corners[k].uv[0]);
    v.push_back(corners[k].uv[1]);
  }
  return true;
}

void apply_texture(Builder &b, VLpoly *p, int pattern, const std::vector<Corner> &corners) {
  const char *name = _VLflt_texture(b.f, pattern);
  if (!name) return;
  std::vector<float> u, v;
  bool ok = corner_uv(p, corners, u, v) ? VLpoly_settexture(p, name, u.data(), v.data(), true, false)
                                        : VLpoly_applytexture(p, name, true, false);
  if (!ok) VLtexture_reporterror(name);
}

void apply_colour(Builder &b, VLpoly *p, const FaceFields &ff) {
  uint8_t rgb[3];
  const uint8_t *colour = nullptr;
  if (!(ff.flags & kNoColour)) {
    if (ff.flags & kPackedFlag) {
      rgb[0] = uint8_t(ff.packed), rgb[1] = uint8_t(ff.packed >> 8), rgb[2] = uint8_t(ff.packed >> 16);
      colour = rgb;
    } else if (_VLflt_palettergb(b.f, ff.colourindex, rgb)) {
      colour = rgb;
    }
  }
  int entry = _VLflt_entry(b.f, colour, ff.material);
  if (entry >= 0) VLpoly_setcolorindex(p, entry);
}

/* The polygon of the corners; null after a warning. */
VLpoly *make_polygon(Builder &b, const FaceFields &ff, const std::vector<Corner> &corners) {
  VLpoly *p = VLpoly_new(b.g);
  for (const Corner &k : corners) VLpoly_addvertexptr(p, k.v);
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    VLMSG(FLT_NO_POLYGON);
    return nullptr;
  }
  ++b.polys;
  apply_colour(b, p, ff);
  if (ff.drawtype == kDrawTwoSided) VLpoly_setbothsides(p, true);
  if (ff.texture >= 0) apply_texture(b, p, ff.texture, corners);
  return p;
}

/* The face's children: its corners, and its subfaces pushed (last first,
 * so that they are made in file order). */
void read_children(Builder &b, const FaceWork &w, bool light, const std::string &face,
                   std::vector<Corner> &corners, std::vector<int> &subfaces) {
  for (int k = b.f.beads[size_t(w.bead)].first; k >= 0; k = b.f.beads[size_t(k)].next) {
    const FltBead &child = b.f.beads[size_t(k)];
    if (child.opcode == FLT_VERTEXLIST) read_vertex_list(b, child, w, face, corners);
    else if (child.opcode == FLT_FACE && !light) subfaces.push_back(k);
    else if (light) VLMSG(FLT_LIGHTPOINT_BEAD, child.opcode, _VLflt_opname(child.opcode), face.c_str());
    else if (w.layer == 0) VLMSG(FLT_ADDPOLY_UNEXPECTED, child.opcode, _VLflt_opname(child.opcode));
    else VLMSG(FLT_LAYER_UNEXPECTED, child.opcode, _VLflt_opname(child.opcode));
  }
}

/* One face; its subfaces join the work. */
void make_face(Builder &b, const FaceWork &w, std::vector<FaceWork> &work) {
  const FltBead &bead = b.f.beads[size_t(w.bead)];
  FaceFields ff = read_face(b.f, bead);
  if (ff.flags & kHidden) return;
  std::string face = _VLflt_id(b.f, bead);
  if (bead.replicate) VLMSG(FLT_POLY_REPLICATE);
  bool light = ff.drawtype >= kDrawLightFirst && ff.drawtype <= kDrawLightLast;
  std::vector<Corner> corners;
  std::vector<int> subfaces;
  read_children(b, w, light, face, corners, subfaces);
  if (light) return;
  FaceWork sub{0, w.layer + 1, {0, 0, 0}};
  if (corners.empty()) {
    if (!subfaces.empty()) VLMSG(FLT_LAYER_NO_SUPERFACE_VERTICES, face.c_str());
    else if (w.layer == 0) VLMSG(FLT_ADDPOLY_NO_VERTICES, face.c_str());
    else VLMSG(FLT_LAYER_NO_SUBFACE_VERTICES, face.c_str());
  } else if (VLpoly *p = make_polygon(b, ff, corners)) {
    for (int i = 0; i < 3; ++i) sub.normal[i] = p->normal[i];
  }
  for (auto k = subfaces.rbegin(); k != subfaces.rend(); ++k) {
    sub.bead = *k;
    work.push_back(sub);
  }
}

/* Every face under the object, in file order. */
void make_faces(Builder &b, int object) {
  std::vector<FaceWork> work;
  std::vector<int> faces;
  for (int k = b.f.beads[size_t(object)].first; k >= 0; k = b.f.beads[size_t(k)].next) {
    int op = b.f.beads[size_t(k)].opcode;
    if (op == FLT_FACE) faces.push_back(k);
    else VLMSG(FLT_UNSUPPORTED, op, _VLflt_opname(op));
  }
  for (auto k = faces.rbegin(); k != faces.rend(); ++k) work.push_back({*k, 0, {0, 0, 0}});
  while (!work.empty()) {
    FaceWork w = work.back();
    work.pop_back();
    make_face(b, w, work);
  }
}

}  // namespace

VLnode *_VLflt_object(FltFile &f, int bead, VLnode *parent) {
  if (f.beads[size_t(bead)].first < 0) return nullptr;  /* no faces: nothing to make */
  Builder b(f);
  b.g = VLgeometry_begin();
  if (!b.g) {
    VLMSG(FLT_NO_GEOMETRY);
    return nullptr;
  }
  if (VLmtable *t = _VLflt_table(f)) VLmtable_attach(b.g, t);
  free(b.g->name);
  b.g->name = VLstrdup(_VLflt_id(f, f.beads[size_t(bead)]).c_str());
  make_faces(b, bead);
  if (b.polys == 0) {
    VLgeometry_delete(b.g);
    return nullptr;
  }
  if (!VLgeometry_close(b.g)) return nullptr;
  VLnode *n = VLgeometrynode_new(parent, b.g);
  if (!n) {
    VLgeometry_delete(b.g);
    return nullptr;
  }
  const char *above = VLnode_getname(parent);
  std::string name = std::string("geom under ") + (above ? above : "");
  VLnode_setname(n, name.c_str());
  return n;
}
