/* From the 3D Studio database to geometries: one material table for the
 * file (entry 0 the default material, then each material in file order),
 * one geometry per mesh object with its faces as triangles coloured by
 * their material, two-sided where the material is, textured from the
 * material's texture map where the mesh has texture coordinates. The
 * toolkit's axes are (x, -z, y) of the file's unless the old3ds setting is
 * on. A face whose vertex index is past the vertex count is refused with a
 * warning. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/3ds/3ds_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* Shortest normal that is kept. */
const float kMinNormal = 0.004f;
/* The texture map tints the face's colour below this strength; a
 * self-illumination above it leaves the texture unshaded. */
const float kHalf = 0.5f;

/* A material's texture as far as it was tried. */
enum TextureState { kUntried, kLoaded, kMissing };

struct Build {
  VL3dsdb &db;
  float scale;
  bool old3ds;
  VLmtable *table = nullptr;
  std::vector<TextureState> state;     /* per material */
  std::vector<std::string> loadedname; /* the name that loaded */
};

bool old3ds_setting(void) {
  VLuniverse *u = VLuniverse_current();
  return u && u->settings && u->settings->old3ds;
}

/* --- the material table --- */

uint32_t table_mask(const VL3dsdb &db) {
  uint32_t mask = 0;
  for (const VL3dsmaterial &m : db.materials) {
    if (m.hasambient) mask |= VLAMBIENT;
    if (m.hasdiffuse) mask |= VLDIFFUSE;
    if (m.hasspecular) mask |= VLSPECULAR;
    if (m.hasshininess) mask |= VLSHININESS;
    if (m.transparency != 0.0f) mask |= VLOPACITY;
  }
  if (mask & VLOPACITY) mask |= VLDIFFUSE;
  return mask;
}

void fill_entry(VLmtable *t, int index, const VL3dsmaterial &m) {
  float specular[3];
  for (int i = 0; i < 3; ++i) specular[i] = m.specular[i] * m.strength;
  float opacity = 1.0f - m.transparency;
  VLmtable_setvalue(t, index, m.ambient, VLAMBIENT);
  VLmtable_setvalue(t, index, m.diffuse, VLDIFFUSE);
  VLmtable_setvalue(t, index, specular, VLSPECULAR);
  VLmtable_setvalue(t, index, &m.shininess, VLSHININESS);
  VLmtable_setvalue(t, index, &opacity, VLOPACITY);
  if (!m.name.empty()) VLmtable_setentryname(t, index, m.name.c_str());
}

/* One entry per material; a material the full table has no room for
 * takes the default material's entry. */
VLmtable *make_table(VL3dsdb &db) {
  size_t n = db.materials.size();
  int capacity = n > VLMTABLE_MAXCAPACITY ? VLMTABLE_MAXCAPACITY : int(n);
  VLmtable *t = VLmtable_new(table_mask(db), capacity, nullptr);
  if (!t) return nullptr;
  for (VL3dsmaterial &m : db.materials) {
    int index = VLmtable_newentry(t);
    m.index = index < 0 ? 0 : index;
    if (index >= 0) fill_entry(t, index, m);
  }
  return t;
}

/* Gives g the file's table; the table g began with goes when nothing else
 * uses it. */
void attach_table(Build &b, VLgeometry *g) {
  if (!b.table) return;
  VLmtable *own = g->mtable;
  VLmtable_attach(g, b.table);
  if (own && own != b.table && !own->users) VLmtable_delete(own);
}

/* --- faces and their materials --- */

int find_material(const VL3dsdb &db, const std::string &name) {
  for (size_t i = 1; i < db.materials.size(); ++i)
    if (db.materials[i].name == name) return int(i);
  return -1;
}

/* The material of each face (0: the default material). */
std::vector<int> face_materials(const Build &b, const VL3dsmesh &m) {
  std::vector<int> mat(m.faces.size(), 0);
  for (const VL3dsmatgroup &g : m.groups) {
    int k = find_material(b.db, g.material);
    if (k < 0) {
      VLMSG(TDS_MAT_GROUP, g.material.c_str());
      continue;
    }
    for (uint16_t f : g.faces)
      if (f < mat.size()) mat[f] = k;
  }
  return mat;
}

/* Faces whose three vertices exist; the others are refused. */
std::vector<uint8_t> valid_faces(const VL3dsmesh &m, const std::string &name) {
  int nverts = int(m.points.size() / 3);
  std::vector<uint8_t> valid(m.faces.size(), 1);
  for (size_t f = 0; f < m.faces.size(); ++f)
    for (uint16_t v : m.faces[f].v)
      if (int(v) >= nverts) {
        VLMSG(TDS_FACE_INDEX, name.c_str(), int(f), int(v), nverts);
        valid[f] = 0;
        break;
      }
  return valid;
}

/* --- vertices --- */

void to_toolkit(const Build &b, const float in[3], float out[3], float scale) {
  if (b.old3ds) {
    out[0] = in[0] * scale, out[1] = in[1] * scale, out[2] = in[2] * scale;
  } else {
    /* + 0: a zero z gives y = 0, not -0. */
    out[0] = in[0] * scale, out[1] = -in[2] * scale + 0.0f, out[2] = in[1] * scale;
  }
}

void make_vertices(const Build &b, VLgeometry *g, const VL3dsmesh &m, const VL3dssplit &s,
                   std::vector<VLvertex *> &out) {
  out.resize(s.orig.size());
  for (size_t i = 0; i < s.orig.size(); ++i) {
    float p[3];
    to_toolkit(b, &m.points[size_t(s.orig[i]) * 3], p, b.scale);
    VLvertex *v = VLgeometry_newvertex(g, p);
    out[i] = v;
    if (!v) continue;
    v->flags |= VLVERTEX_USED;
    if (s.normal.empty()) continue;
    const float *n = &s.normal[i * 3];
    float length = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length >= kMinNormal)) continue;
    float unit[3] = {n[0] / length, n[1] / length, n[2] / length}, t[3];
    to_toolkit(b, unit, t, 1.0f);
    VLvertex_setnormal(g, v, t);
  }
}

/* --- textures --- */

/* The name with a ".gif", ".tif", ".cel" or ".jpg" extension (either
 * case, first four characters compared) replaced by ".tga"; "" when it
 * has none of them. */
std::string tga_name(const std::string &name) {
  static const char *const kConverted[] = {".gif", ".tif", ".cel", ".jpg",
                                           ".GIF", ".TIF", ".CEL", ".JPG"};
  size_t slash = name.find_last_of("\\/");
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  for (const char *ext : kConverted)
    if (strncmp(name.c_str() + dot, ext, 4) == 0) return name.substr(0, dot) + ".tga";
  return "";
}

/* The material's texture on p: the map's own name, else its ".tga" form
 * (each failure is reported by the texture family); a texture found
 * neither way is not tried again for the file's other faces. */
bool set_texture(Build &b, int mi, VLpoly *p, const float *u, const float *v) {
  const VL3dsmaterial &m = b.db.materials[size_t(mi)];
  bool shaded = !m.selfillum && !(m.selfillumpct > kHalf);
  bool transparent = m.opacitymap;
  TextureState &state = b.state[size_t(mi)];
  if (state == kLoaded)
    return VLpoly_settexture(p, b.loadedname[size_t(mi)].c_str(), u, v, shaded, transparent);
  if (state == kMissing) return false;
  std::string alt = tga_name(m.texture);
  for (const std::string &name : {m.texture, alt}) {
    if (name.empty() || !VLpoly_settexture(p, name.c_str(), u, v, shaded, transparent)) continue;
    state = kLoaded;
    b.loadedname[size_t(mi)] = name;
    return true;
  }
  state = kMissing;
  return false;
}

/* Texture coordinates of p's corners (in its corner order, coincident
 * corners removed) from the face's three output vertices. */
void corner_uv(const Build &b, const VL3dsmesh &m, const VL3dssplit &s,
               const std::vector<VLvertex *> &verts, size_t f, VLpoly *p, float *u, float *v) {
  int i = 0;
  for (VLvertexref *r = p->vertices; r && i < 3; r = r->next, ++i) {
    int k = 0;
    while (k < 2 && verts[size_t(s.corner[f * 3 + size_t(k)])] != r->vertex) ++k;
    size_t orig = size_t(s.orig[size_t(s.corner[f * 3 + size_t(k)])]);
    u[i] = m.uv[orig * 2];
    v[i] = b.old3ds ? 1.0f - m.uv[orig * 2 + 1] : m.uv[orig * 2 + 1];
  }
}

/* --- one mesh --- */

struct Mesh {
  const VL3dsmesh &m;
  VLgeometry *g;
  VL3dssplit split;
  std::vector<VLvertex *> verts;
  std::vector<int> material;
  bool textured;  /* its texture coordinates match its vertices */
};

void make_face(Build &b, Mesh &x, size_t f) {
  VLpoly *p = VLpoly_new(x.g);
  for (int k = 0; k < 3; ++k)
    VLpoly_addvertexptr(p, x.verts[size_t(x.split.corner[f * 3 + size_t(k)])]);
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    return;
  }
  int mi = x.material[f];
  const VL3dsmaterial &mat = b.db.materials[size_t(mi)];
  if (b.table) VLpoly_setcolorindex(p, mat.index);
  if (mat.twosided) VLpoly_setbothsides(p, true);
  if (!x.textured || mat.texture.empty()) return;
  float u[3], v[3];
  corner_uv(b, x.m, x.split, x.verts, f, p, u, v);
  if (!set_texture(b, mi, p, u, v)) return;
  if (mat.texstrength < kHalf)
    p->flags |= VLPOLY_TINT;
  else
    p->flags &= uint8_t(~VLPOLY_TINT);
}

/* The geometry name: the object's, blanks replaced by "_". */
std::string geometry_name(const std::string &object) {
  std::string name = object;
  for (char &c : name)
    if (c == ' ') c = '_';
  return name;
}

VLgeometry *make_geometry(Build &b, const VL3dsmesh &m) {
  if (m.faces.empty()) {
    VLMSG(TDS_NO_FACES, m.name.c_str());
    return nullptr;
  }
  if (m.points.empty()) {
    VLMSG(TDS_NO_VERTICES, m.name.c_str());
    return nullptr;
  }
  std::vector<uint8_t> valid = valid_faces(m, m.name);
  Mesh x{m, nullptr, {}, {}, face_materials(b, m), false};
  if (m.hasuv && m.nuv != m.points.size() / 3) VLMSG(TDS_TEXVERT_COUNT);
  x.textured = m.hasuv && m.nuv == m.points.size() / 3;
  _VL3ds_split(m, valid, x.split);
  x.g = VLgeometry_begin();
  if (!x.g) return nullptr;
  free(x.g->name);
  x.g->name = VLstrdup(geometry_name(m.name).c_str());
  attach_table(b, x.g);
  make_vertices(b, x.g, m, x.split, x.verts);
  for (size_t f = 0; f < m.faces.size(); ++f)
    if (valid[f]) make_face(b, x, f);
  if (!VLgeometry_close(x.g)) return nullptr;
  /* Every face refused: nothing to keep (the vertices carry the used
   * mark, so the close alone would keep them). */
  if (x.g->npolys == 0) {
    VLgeometry_delete(x.g);
    return nullptr;
  }
  return x.g;
}

VLgeomcell *make_list(const std::vector<VLgeometry *> &geometries, bool merge) {
  VLgeomcell *head = nullptr, **tail = &head;
  for (VLgeometry *g : geometries) {
    VLgeomcell *c = static_cast<VLgeomcell *>(VLmalloc(sizeof(VLgeomcell)));
    c->geometry = g;
    c->next = nullptr;
    *tail = c;
    tail = &c->next;
  }
  if (geometries.size() > 1 && merge) {
    VLgeometry_merge(head);
    while (head->next) {
      VLgeomcell *next = head->next->next;
      free(head->next);
      head->next = next;
    }
  }
  return head;
}

}  // namespace

VLgeomcell *_VL3ds_geometries(VL3dsdb &db, const char *path, float scale, bool merge) {
  Build b{db, scale, old3ds_setting(), nullptr, {}, {}};
  b.table = make_table(db);
  b.state.assign(db.materials.size(), kUntried);
  b.loadedname.resize(db.materials.size());
  std::vector<VLgeometry *> geometries;
  for (const VL3dsmesh &m : db.meshes) {
    VLgeometry *g = make_geometry(b, m);
    if (g) geometries.push_back(g);
  }
  if (b.table && !b.table->users) VLmtable_delete(b.table);
  if (geometries.empty()) {
    VLMSG(TDS_NO_GEOMETRIES, path ? path : "");
    return nullptr;
  }
  return make_list(geometries, merge);
}
