/* VRML IndexedFaceSet to a geometry. Each run of coordinate indices up to
 * -1 is a polygon (file order when CLOCKWISE, else reversed; two-sided
 * unless SOLID). Vertices are made on demand, one per coordinate and
 * normal and material: a coordinate used with two normals or materials
 * gets two vertices. Without normals bound per vertex, the faces around a
 * coordinate that meet within the crease angle share one smooth vertex,
 * and sharper edges stay hard. Texture coordinates pass through the
 * texture matrix. A face that names a coordinate that does not exist is
 * dropped. */
#include <math.h>

#include <vector>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"

namespace {

/* One list of the record as indexes (an absent list: the single -1). */
struct Indexes {
  const VLvrmlstate *c;
  uint32_t offset = 0;
  int32_t count = 0;
  int32_t at(int32_t k) const { return k < count ? _VLvrml_pooli(*c, offset + uint32_t(k)) : -1; }
  int32_t last(int32_t k) const {  /* the k-th, or the last when shorter */
    if (count == 0) return -1;
    return _VLvrml_pooli(*c, offset + uint32_t(k < count ? k : count - 1));
  }
};

Indexes indexes(const VLvrmlstate &c, const VLvrmlrecord &r, int field) {
  Indexes x;
  x.c = &c;
  const VLvrmlvalue &v = r.get(field);
  if (v.present) x.offset = v.offset, x.count = v.count;
  return x;
}

struct Corner {
  int32_t coord;
  int32_t k;       /* position in coordIndex */
  int32_t normal;  /* normal key: normal index, smoothing cluster, or -1 */
  int32_t material;
};

struct Face {
  uint32_t first, count;
};

/* Vertices by coordinate, normal key and material. */
struct VertexCache {
  struct Entry {
    int32_t normal, material;
    VLvertex *v;
    int32_t next;
  };
  std::vector<int32_t> head;
  std::vector<Entry> entries;
};

struct Build {
  VLvrmlstate &c;
  const VLvrmllevel &level;
  Indexes coordindex, matindex, normindex, texindex;
  std::vector<Corner> corners;
  std::vector<Face> faces;
  bool pervertexnormals, pervertexmaterials, smooth;
  int32_t nentries;
};

void point(const VLvrmlstate &c, const VLvrmlrange &r, int32_t i, int width, float *out) {
  for (int k = 0; k < width; ++k) out[k] = _VLvrml_poolf(c, r.offset + uint32_t(i * width + k));
}

int32_t clamp_entry(const Build &b, int32_t m) {
  if (m < 0) return 0;
  return m < b.nentries ? m : b.nentries - 1;
}

/* Splits coordIndex into faces of existing coordinates. */
void collect_faces(Build &b) {
  const int32_t n = b.coordindex.count, ncoords = b.level.coords.count;
  const bool clockwise = b.level.ordering == 1;
  uint32_t start = 0;
  bool bad = false;
  b.corners.reserve(size_t(n));
  b.faces.reserve(size_t(n / 3 + 1));
  for (int32_t k = 0; k <= n; ++k) {
    int32_t ci = k < n ? b.coordindex.at(k) : -1;
    if (ci != -1) {
      if (ci < 0 || ci >= ncoords) bad = true;
      b.corners.push_back(Corner{ci, k, -1, -1});
      continue;
    }
    uint32_t count = uint32_t(b.corners.size()) - start;
    if (count > 0 && count < 3 && clockwise) VLMSG(VRML_FEW_VERTICES);
    if (count < 3 || bad) b.corners.resize(start);
    else b.faces.push_back(Face{start, count});
    start = uint32_t(b.corners.size());
    bad = false;
  }
  if (!clockwise)
    for (const Face &f : b.faces)
      for (uint32_t i = 0, j = f.count - 1; i < j; ++i, --j)
        std::swap(b.corners[f.first + i], b.corners[f.first + j]);
}

/* Normal and material keys of the corners that come from the file. */
void bind_corners(Build &b) {
  const int32_t nnormals = b.level.normals.count;
  for (Corner &k : b.corners) {
    if (b.pervertexnormals) {
      int32_t i = b.normindex.at(k.k);
      if (i < 0) i = k.coord;
      k.normal = i < nnormals ? i : nnormals - 1;
    }
    if (b.pervertexmaterials) {
      int32_t i = b.matindex.at(k.k);
      k.material = clamp_entry(b, i < 0 ? k.coord : i);
    }
  }
}

void face_normal(const Build &b, const Face &f, float n[3]) {
  n[0] = n[1] = n[2] = 0;
  float p[3], q[3];
  point(b.c, b.level.coords, b.corners[f.first + f.count - 1].coord, 3, p);
  for (uint32_t i = 0; i < f.count; ++i) {
    point(b.c, b.level.coords, b.corners[f.first + i].coord, 3, q);
    n[0] += (p[1] - q[1]) * (p[2] + q[2]);
    n[1] += (p[2] - q[2]) * (p[0] + q[0]);
    n[2] += (p[0] - q[0]) * (p[1] + q[1]);
    p[0] = q[0], p[1] = q[1], p[2] = q[2];
  }
  float l = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (l > 0) n[0] /= l, n[1] /= l, n[2] /= l;
}

/* Crease-angle smoothing: around each coordinate, the faces whose normals
 * lie within the crease angle of a group's first face join that group;
 * each group is one smooth vertex. */
void cluster_corners(Build &b) {
  const size_t nf = b.faces.size();
  std::vector<float> normals(nf * 3);
  for (size_t f = 0; f < nf; ++f) face_normal(b, b.faces[f], &normals[f * 3]);
  const int32_t ncoords = b.level.coords.count;
  std::vector<uint32_t> start(size_t(ncoords) + 1, 0), order(b.corners.size());
  std::vector<uint32_t> faceof(b.corners.size());
  for (size_t f = 0; f < nf; ++f)
    for (uint32_t i = 0; i < b.faces[f].count; ++i) faceof[b.faces[f].first + i] = uint32_t(f);
  for (const Corner &k : b.corners) ++start[size_t(k.coord) + 1];
  for (int32_t i = 0; i < ncoords; ++i) start[size_t(i) + 1] += start[size_t(i)];
  std::vector<uint32_t> fill(start.begin(), start.end() - 1);
  for (uint32_t i = 0; i < b.corners.size(); ++i) order[fill[size_t(b.corners[i].coord)]++] = i;
  const float limit = cosf(b.level.crease);
  std::vector<uint32_t> reps;
  for (int32_t c = 0; c < ncoords; ++c) {
    reps.clear();
    for (uint32_t j = start[size_t(c)]; j < start[size_t(c) + 1]; ++j) {
      Corner &k = b.corners[order[j]];
      const float *n = &normals[size_t(faceof[order[j]]) * 3];
      int32_t group = -1;
      for (size_t g = 0; g < reps.size() && group < 0; ++g) {
        const float *m = &normals[size_t(reps[g]) * 3];
        if (n[0] * m[0] + n[1] * m[1] + n[2] * m[2] >= limit) group = int32_t(g);
      }
      if (group < 0) {
        group = int32_t(reps.size());
        reps.push_back(faceof[order[j]]);
      }
      k.normal = group;
    }
  }
}

VLvertex *vertex(Build &b, VertexCache &cache, VLgeometry *g, const Corner &k) {
  for (int32_t e = cache.head[size_t(k.coord)]; e >= 0; e = cache.entries[size_t(e)].next) {
    const VertexCache::Entry &x = cache.entries[size_t(e)];
    if (x.normal == k.normal && x.material == k.material) return x.v;
  }
  float p[3];
  point(b.c, b.level.coords, k.coord, 3, p);
  VLvertex *v = VLgeometry_newvertex(g, p);
  if (!v) return nullptr;
  if (b.pervertexnormals && k.normal >= 0) {
    float n[3];
    point(b.c, b.level.normals, k.normal, 3, n);
    VLvertex_setnormal(g, v, n);
  } else if (b.smooth) {
    v->flags |= VLVERTEX_SMOOTH;
  }
  if (k.material >= 0) VLvertex_setcolorindex(g, v, k.material);
  cache.entries.push_back({k.normal, k.material, v, cache.head[size_t(k.coord)]});
  cache.head[size_t(k.coord)] = int32_t(cache.entries.size() - 1);
  return v;
}

int32_t face_material(const Build &b, int32_t face) {
  switch (b.level.matbinding) {
    case VLE_PER_FACE_INDEXED: case VLE_PER_PART_INDEXED: return clamp_entry(b, b.matindex.last(face));
    case VLE_PER_FACE: case VLE_PER_PART: return clamp_entry(b, face);
    default: return 0;
  }
}

/* Texture coordinates of a face through the texture matrix. */
void face_uv(const Build &b, const Face &f, float *u, float *v) {
  const VLvrmlrange &tc = b.level.texcoords;
  const float *m = b.level.texmatrix;
  for (uint32_t i = 0; i < f.count; ++i) {
    const Corner &k = b.corners[f.first + i];
    int32_t t = b.texindex.at(k.k);
    if (t < 0) t = k.coord;
    if (t >= tc.count) t = tc.count - 1;
    float p[2];
    point(b.c, tc, t, 2, p);
    u[i] = m[0] * p[0] + m[3] * p[1] + m[6];
    v[i] = m[1] * p[0] + m[4] * p[1] + m[7];
  }
}

void make_polygons(Build &b, VLgeometry *g) {
  VertexCache cache;
  cache.head.assign(size_t(b.level.coords.count), -1);
  cache.entries.reserve(size_t(b.level.coords.count));
  const bool twosided = b.level.shapetype != 1;
  const bool hasuv = b.level.texture && b.level.texcoords.count > 0;
  std::vector<float> u, v;
  for (size_t f = 0; f < b.faces.size(); ++f) {
    const Face &face = b.faces[f];
    VLpoly *p = VLpoly_new(g);
    for (uint32_t i = 0; i < face.count; ++i)
      VLpoly_addvertexptr(p, vertex(b, cache, g, b.corners[face.first + i]));
    if (twosided) p->flags |= VLPOLY_TWOSIDED;
    p->colour = face_material(b, int32_t(f));
    if (!VLpoly_close(p)) {
      VLpoly_delete(p);
      continue;
    }
    if (!b.level.texture) continue;
    if (hasuv) {
      u.resize(face.count), v.resize(face.count);
      face_uv(b, face, u.data(), v.data());
    }
    _VLvrml_texturepoly(p, b.level.texture, hasuv ? u.data() : nullptr, v.data());
  }
}

bool per_vertex(int binding) {
  return binding == VLE_PER_VERTEX || binding == VLE_PER_VERTEX_INDEXED;
}

}  // namespace

VLnode *_VLvrml_buildfaceset(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def) {
  const VLvrmllevel &level = _VLvrml_top(c);
  Build b{c, level, indexes(c, r, VLF_COORDINDEX), indexes(c, r, VLF_MATERIALINDEX),
          indexes(c, r, VLF_NORMALINDEX), indexes(c, r, VLF_TEXTURECOORDINDEX), {}, {},
          per_vertex(level.normbinding) && level.normals.count > 0,
          per_vertex(level.matbinding), false,
          level.mtable ? level.mtable->nentries : 1};
  if (b.nentries < 1) b.nentries = 1;
  collect_faces(b);
  if (b.faces.empty()) return nullptr;
  bind_corners(b);
  if (!b.pervertexnormals) {
    b.smooth = true;
    cluster_corners(b);
  }
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  make_polygons(b, g);
  if (!VLgeometry_close(g)) return nullptr;
  if (g->npolys == 0) {
    VLgeometry_delete(g);
    return nullptr;
  }
  return _VLvrml_shapenode(c, parent, g, def);
}
