/* Building the geometries of a neutral file (see nff_internal.h): the
 * geometry construction protocol, the texture placement order, the shared
 * material table with its renumbering, merging and completion, and the
 * portal records made once the polygons' final geometries are known. */
#include <math.h>
#include <stdlib.h>

#include <algorithm>

#include "core/messages.h"
#include "readers/nff/nff_internal.h"
#include "vlx/geometry.h"
#include "vlx/math.h"
#include "vlx/mtable.h"
#include "vlx/object.h"
#include "vlx/texture.h"

namespace {

/* Entries of a new colour table. */
const int kColourTableSize = 10;

/* Texture flags from the mode letter: s shaded, t transparent, u both. */
void texture_flags(char mode, bool *shaded, bool *transparent) {
  char m = char(mode | 0x20);
  *shaded = m == 's' || m == 'u';
  *transparent = m == 't' || m == 'u';
}

/* Per-corner coordinates in the closed polygon's corner order, when every
 * corner has them. The corners keep the order of the indexes (coincident
 * ones removed), so the search for each corner's index moves forward. */
bool corner_uv(const VLnffgeom &s, VLpoly *p, const int *indices, int n, float *u, float *v) {
  for (int i = 0; i < n; ++i)
    if (size_t(indices[i]) >= s.hasuv.size() || !s.hasuv[size_t(indices[i])]) return false;
  int k = 0, corner = 0;
  for (VLvertexref *r = p->vertices; r; r = r->next, ++corner) {
    while (k < n && s.vertices[size_t(indices[k])] != r->vertex) ++k;
    if (k == n) return false;
    u[corner] = s.uv[size_t(indices[k]) * 2];
    v[corner] = s.uv[size_t(indices[k]) * 2 + 1];
  }
  return true;
}

/* Explicit coordinates when every corner has them (placement unused),
 * else the default mapping, then mirror, rotation, scale, offset. */
void apply_texture(const VLnffgeom &s, VLpoly *p, const int *indices, int n,
                   const VLnffpoly &a) {
  bool shaded, transparent;
  texture_flags(a.mode, &shaded, &transparent);
  const char *name = a.texture.c_str();
  float u[VLNFF_MAXINDICES], v[VLNFF_MAXINDICES];
  if (corner_uv(s, p, indices, n, u, v)) {
    if (!VLpoly_settexture(p, name, u, v, shaded, transparent))
      VLtexture_reporterror(name);
    return;
  }
  if (!VLpoly_applytexture(p, name, shaded, transparent)) {
    VLtexture_reporterror(name);
    return;
  }
  if (a.mirror) VLpoly_mirrortexture(p);
  if (fabsf(a.rotation) >= VLNFF_EPSILON) VLpoly_rotatetexture(p, a.rotation);
  if (fabsf(a.scale - 1.0f) >= VLNFF_EPSILON) VLpoly_scaletexture(p, a.scale);
  if (fabsf(a.offset[0]) >= VLNFF_EPSILON || fabsf(a.offset[1]) >= VLNFF_EPSILON)
    VLpoly_translatetexture(p, a.offset[0], a.offset[1]);
}

/* Position of t among the shared tables, or -1. */
int version_of(const VLnfffile &f, const VLmtable *t) {
  for (size_t i = 0; i < f.versions.size(); ++i)
    if (f.versions[i] == t) return int(i);
  return -1;
}

/* Before merging: one table for all geometries. A later shared table holds
 * an earlier one's entries at the same indexes, so it replaces it as is;
 * any other table is merged in and its geometry's colours renumbered. */
void unify_tables(VLnfffile &f) {
  VLgeometry *first = f.geometries[0];
  VLmtable *t = first->mtable;
  for (size_t i = 1; i < f.geometries.size(); ++i) {
    VLgeometry *g = f.geometries[i];
    if (!g->mtable || g->mtable == t) continue;
    if (!t) {
      t = g->mtable;
      continue;
    }
    int a = version_of(f, t), b = version_of(f, g->mtable);
    if (a >= 0 && b > a) {
      t = g->mtable;
      continue;
    }
    VLmtable *m = VLmtable_mergegeometry(t, g);
    if (m) t = m;
  }
  if (t && first->mtable != t) VLmtable_attach(first, t);
}

/* Portal records of the polygons kept (their geometry is final now). */
void make_portals(VLnfffile &f) {
  VLportal **out = f.options->portals;
  if (!out) return;
  *out = nullptr;
  for (const VLnffportal &p : f.portals) {
    VLportal *made = VLportal_new(p.poly, p.target.c_str());
    if (made && !*out) *out = made;
  }
}

}  // namespace

bool _VLnff_begin(VLnffgeom &s, const std::string &name) {
  s.g = VLgeometry_begin();
  if (!s.g) return false;
  free(s.g->name);
  s.g->name = VLstrdup(name.c_str());
  return true;
}

void _VLnff_discard(VLnffgeom &s) {
  if (s.g) VLgeometry_delete(s.g);
  s.g = nullptr;
  s.portals.clear();
}

VLvertex *_VLnff_vertex(VLnffgeom &s, const VLnfffile &f, const float position[3]) {
  float scale = f.options->scale;
  float p[3] = {position[0] * scale, position[1] * scale, position[2] * scale};
  VLvertex *v = VLgeometry_newvertex(s.g, p);
  if (v) s.vertices.push_back(v);
  return v;
}

void _VLnff_setuv(VLnffgeom &s, int i, float u, float v) {
  if (size_t(i) >= s.hasuv.size()) {
    size_t n = std::max(size_t(i) + 1, s.hasuv.size() * 2);
    s.uv.resize(n * 2, 0.0f);
    s.hasuv.resize(n, 0);
  }
  s.uv[size_t(i) * 2] = u;
  s.uv[size_t(i) * 2 + 1] = v;
  s.hasuv[size_t(i)] = 1;
}

int _VLnff_colour(VLnffgeom &s, uint8_t r, uint8_t g, uint8_t b) {
  return s.g->mtable ? VLmtable_findcolor(s.g->mtable, r, g, b) : -1;
}

bool _VLnff_closepoly(VLnffgeom &s, VLpoly *p, const int *indices, int n, VLnffpoly &a) {
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    ++s.ignored;
    return false;
  }
  if (a.colour >= 0) VLpoly_setcolorindex(p, a.colour);
  if (a.both) VLpoly_setbothsides(p, true);
  if (a.textured) {
    apply_texture(s, p, indices, n, a);
    if (a.tint) p->flags |= VLPOLY_TINT;
  }
  for (std::string &target : a.portals) s.portals.push_back({p, std::move(target)});
  ++s.valid;
  return true;
}

void _VLnff_sharetable(VLnffgeom &s, VLnfffile &f, bool makenew) {
  VLmtable *t = f.shared;
  if (!t && makenew) t = VLmtable_new(VLAMBIENTDIFFUSE, kColourTableSize, nullptr);
  if (t) VLmtable_attach(s.g, t);
}

void _VLnff_owntable(VLnffgeom &s, VLnfffile &f, VLmtable *t, bool shared) {
  VLmtable_attach(s.g, t);
  s.mergetable = shared && f.shared != nullptr;
}

VLnffend _VLnff_end(VLnffgeom &s, VLnfffile &f) {
  if (s.ignored > 0) VLMSG(NFF_IGNORED, s.ignored);
  if (s.valid == 0) {
    VLMSG(NFF_NO_VALID);
    _VLnff_discard(s);
    return VLNFF_DISCARDED;
  }
  s.uv.clear();
  s.hasuv.clear();
  if (s.mergetable) {
    if (f.versions.empty()) f.versions.push_back(f.shared);
    VLmtable *m = VLmtable_mergegeometry(f.shared, s.g);
    if (m && m != f.shared) f.versions.push_back(m);
  }
  if (f.options->merge) f.shared = s.g->mtable;
  VLgeometry *g = s.g;
  s.g = nullptr;
  /* Completion: unused vertices go; a geometry left with too few is
   * deleted by the close and dropped from the list. */
  if (!VLgeometry_close(g)) {
    s.portals.clear();
    return VLNFF_DROPPED;
  }
  f.geometries.push_back(g);
  for (VLnffportal &p : s.portals) f.portals.push_back(std::move(p));
  s.portals.clear();
  return VLNFF_KEPT;
}

VLgeomcell *_VLnff_finish(VLnfffile &f, bool distinct) {
  if (f.geometries.empty()) {
    VLMSG(NFF_NO_GEOMETRIES, f.path);
    return nullptr;
  }
  VLgeomcell *head = nullptr, **tail = &head;
  for (VLgeometry *g : f.geometries) {
    VLgeomcell *c = static_cast<VLgeomcell *>(VLmalloc(sizeof(VLgeomcell)));
    c->geometry = g;
    c->next = nullptr;
    *tail = c;
    tail = &c->next;
  }
  if (f.geometries.size() > 1 && f.options->merge && !distinct) {
    unify_tables(f);
    VLgeometry_merge(head);
    while (head->next) {
      VLgeomcell *next = head->next->next;
      free(head->next);
      head->next = next;
    }
  }
  make_portals(f);
  return head;
}

void _VLnff_resetview(VLview *view) {
  if (!view) return;
  for (float &x : view->position) x = 0.0f;
  view->orientation[0] = view->orientation[1] = view->orientation[2] = 0.0f;
  view->orientation[3] = 1.0f;
}

void _VLnff_setviewdir(VLview *view, const float dir[3], bool ignorezero) {
  if (!view) return;
  if (ignorezero && dir[0] == 0.0f && dir[1] == 0.0f && dir[2] == 0.0f) return;
  VLp3 d = {dir[0], dir[1], dir[2]};
  float length = sqrtf(d.x * d.x + d.y * d.y + d.z * d.z);
  if (length > 0.0f) d.x /= length, d.y /= length, d.z /= length;
  VLq q;
  VLq_fromdirection(&d, &q);
  view->orientation[0] = q.x;
  view->orientation[1] = q.y;
  view->orientation[2] = q.z;
  view->orientation[3] = q.w;
}
