/* Building a DXF drawing's geometries: the "world" block is instantiated
 * from the identity placement; each INSERT places its block (base point,
 * scale, rotation, column and row array, extrusion direction) and the
 * block's own INSERTs in turn. Every instance with polygons becomes one
 * geometry named after its block, with the drawing's vertices turned to
 * toolkit axes (x, -z, y). A block that inserts itself, directly or
 * through others, is refused, as are chains deeper than 32; a drawing that
 * would make more polygons than the limit is not read. Colour number 0
 * takes the inserting entity's colour; every geometry shares one table
 * whose entry k is colour number k. */
#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <set>

#include "core/messages.h"
#include "readers/dxf/dxf_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

namespace {

const double kPi = 3.14159265358979323846;
/* Colour numbers of the table, and the colour of the world block. */
const int kColours = 256;
const int kWhite = 7;

/* A placement: points are row vectors, p' = p * m (translation in row 3). */
struct Placement {
  double m[4][4];
};

Placement identity(void) {
  Placement p = {};
  for (int i = 0; i < 4; ++i) p.m[i][i] = 1.0;
  return p;
}

/* a then b. */
Placement then(const Placement &a, const Placement &b) {
  Placement out = {};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) out.m[i][j] += a.m[i][k] * b.m[k][j];
  return out;
}

Placement translation(const VLdxfp3 &t) {
  Placement p = identity();
  p.m[3][0] = t.x, p.m[3][1] = t.y, p.m[3][2] = t.z;
  return p;
}

/* Block base point to the origin, scale, rotation about z, the array
 * offset and insertion point, then the object coordinate system. */
Placement insert_placement(const VLdxfinsert &in, const VLdxfp3 &base, int column, int row) {
  Placement p = translation({-base.x, -base.y, -base.z});
  Placement s = identity();
  s.m[0][0] = in.scale.x, s.m[1][1] = in.scale.y, s.m[2][2] = in.scale.z;
  double a = in.rotation * kPi / 180.0, c = cos(a), n = sin(a);
  Placement rot = identity();
  rot.m[0][0] = c, rot.m[0][1] = n, rot.m[1][0] = -n, rot.m[1][1] = c;
  double ox = column * in.colspacing, oy = row * in.rowspacing;
  VLdxfp3 at = {in.point.x + ox * c - oy * n, in.point.y + ox * n + oy * c, in.point.z};
  VLdxfocs ocs;
  _VLdxf_ocs(in.normal, &ocs);
  Placement o = identity();
  const VLdxfp3 *axes[3] = {&ocs.ax, &ocs.ay, &ocs.az};
  for (int i = 0; i < 3; ++i) o.m[i][0] = axes[i]->x, o.m[i][1] = axes[i]->y, o.m[i][2] = axes[i]->z;
  return then(then(then(then(p, s), rot), translation(at)), o);
}

/* Colour number k of the format's palette. */
void palette(int k, float rgb[3]) {
  static const uint8_t kFirst[10][3] = {{255, 255, 255}, {255, 0, 0},   {255, 255, 0},
                                        {0, 255, 0},     {0, 255, 255}, {0, 0, 255},
                                        {255, 0, 255},   {255, 255, 255}, {128, 128, 128},
                                        {192, 192, 192}};
  static const uint8_t kGreys[6] = {51, 91, 132, 173, 214, 255};
  if (k < 10) {
    for (int i = 0; i < 3; ++i) rgb[i] = kFirst[k][i] / 255.0f;
    return;
  }
  if (k >= 250) {
    rgb[0] = rgb[1] = rgb[2] = kGreys[k - 250] / 255.0f;
    return;
  }
  static const float kValue[5] = {1.0f, 0.65f, 0.5f, 0.3f, 0.15f};
  float h = float((k / 10 - 1) * 15) / 60.0f, v = kValue[(k % 10) / 2];
  float s = k % 2 ? 0.5f : 1.0f, f = h - floorf(h);
  float lo = v * (1 - s), down = v * (1 - s * f), up = v * (1 - s * (1 - f));
  float table[6][3] = {{v, up, lo}, {down, v, lo}, {lo, v, up},
                       {lo, down, v}, {up, lo, v}, {v, lo, down}};
  for (int i = 0; i < 3; ++i) rgb[i] = table[int(h) % 6][i];
}

struct Builder {
  VLdxfreader &r;
  std::vector<VLgeometry *> geometries;
  std::vector<const VLdxfblock *> stack;
  std::set<std::string> warned;
  std::vector<int> made;       /* block vertex -> geometry vertex index */
  VLmtable *table = nullptr;
  long polygons = 0, limit;
  float scale = 1.0f;
};

/* The shared colour table: the first geometry's, filled with the palette. */
void share_table(Builder &b, VLgeometry *g) {
  if (b.table) {
    VLmtable *own = g->mtable;
    VLmtable_attach(g, b.table);
    VLmtable_delete(own);
    return;
  }
  b.table = g->mtable;
  for (int k = 1; k < kColours; ++k) {
    float rgba[4] = {0, 0, 0, 1};
    palette(k, rgba);
    VLmtable_setvalue(b.table, VLmtable_newentry(b.table), rgba, VLAMBIENTDIFFUSE);
  }
}

int corner(Builder &b, VLgeometry *g, const VLdxfblock &k, uint32_t v, const Placement &p,
           int *count) {
  int &index = b.made[v];
  if (index >= 0) return index;
  const float *q = &k.xyz[size_t(v) * 3];
  double w[3];
  for (int j = 0; j < 3; ++j) w[j] = q[0] * p.m[0][j] + q[1] * p.m[1][j] + q[2] * p.m[2][j] + p.m[3][j];
  /* Adding 0 turns -0 (from -z of 0) into 0. */
  float at[3] = {float(w[0]) * b.scale + 0.0f, float(-w[2]) * b.scale + 0.0f,
                 float(w[1]) * b.scale + 0.0f};
  VLgeometry_newvertex(g, at);
  return index = (*count)++;
}

/* One geometry of the block's polygons at placement p. */
void make_geometry(Builder &b, const VLdxfblock &k, const Placement &p, int colour) {
  VLgeometry *g = VLgeometry_begin();
  if (!g) return;
  free(g->name);
  g->name = VLstrdup(k.name.c_str());
  share_table(b, g);
  b.made.assign(k.xyz.size() / 3, -1);
  int count = 0;
  for (const VLdxfpoly &d : k.polys) {
    VLpoly *poly = VLpoly_new(g);
    for (uint32_t i = 0; i < d.n; ++i)
      VLpoly_addvertex(poly, corner(b, g, k, k.corners[d.first + i], p, &count));
    if (!VLpoly_close(poly)) {
      VLpoly_delete(poly);
      continue;
    }
    VLpoly_setcolorindex(poly, d.colour == 0 ? colour : d.colour);
    if (d.both) VLpoly_setbothsides(poly, true);
  }
  if (VLgeometry_close(g)) b.geometries.push_back(g);
}

bool expand(Builder &b, const VLdxfinsert &in, const Placement &p, int colour);

/* The block at placement p with its inserts; false when the polygon limit
 * stops the reading. */
bool instance(Builder &b, const VLdxfblock &k, const Placement &p, int colour) {
  b.polygons += std::max<long>(1, long(k.polys.size()));
  if (b.polygons > b.limit) {
    VLMSG(DXF_TOO_MANY_POLYGONS, b.r.path, b.limit);
    VLMSG(DXF_READING_STOPS, b.r.path);
    return false;
  }
  if (!k.polys.empty()) make_geometry(b, k, p, colour);
  b.stack.push_back(&k);
  for (const VLdxfinsert &in : k.inserts)
    if (!expand(b, in, p, colour)) return false;
  b.stack.pop_back();
  return true;
}

/* The inserted block, or null after a warning (once per block name). */
const VLdxfblock *inserted(Builder &b, const VLdxfinsert &in) {
  auto found = b.r.blockindex.find(in.block);
  const VLdxfblock *k = found == b.r.blockindex.end() ? nullptr : b.r.blocks[found->second].get();
  bool again = k && std::find(b.stack.begin(), b.stack.end(), k) != b.stack.end();
  bool deep = b.stack.size() >= VLDXF_MAXDEPTH;
  if (k && !again && !deep) return k;
  if (!b.warned.insert(in.block).second) return nullptr;
  if (!k) VLMSG(DXF_INSERT_UNDEFINED, in.block.c_str());
  else if (again) VLMSG(DXF_INSERT_SELF, in.block.c_str());
  else VLMSG(DXF_INSERT_DEPTH, in.block.c_str(), int(VLDXF_MAXDEPTH));
  return nullptr;
}

bool expand(Builder &b, const VLdxfinsert &in, const Placement &p, int colour) {
  const VLdxfblock *k = inserted(b, in);
  if (!k) return true;
  int c = in.colour == 0 ? colour : in.colour;
  for (int row = 0; row < in.rows; ++row)
    for (int column = 0; column < in.columns; ++column)
      if (!instance(b, *k, then(insert_placement(in, k->base, column, row), p), c)) return false;
  return true;
}

VLgeomcell *make_list(Builder &b) {
  VLgeomcell *head = nullptr, **tail = &head;
  for (VLgeometry *g : b.geometries) {
    VLgeomcell *c = static_cast<VLgeomcell *>(VLmalloc(sizeof(VLgeomcell)));
    c->geometry = g;
    c->next = nullptr;
    *tail = c;
    tail = &c->next;
  }
  if (head && head->next && b.r.options->merge) {
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

VLgeomcell *_VLdxf_build(VLdxfreader &r) {
  Builder b{r, {}, {}, {}, {}, nullptr, 0, r.options->maxpolygons};
  if (b.limit <= 0) b.limit = VLDXF_MAXPOLYGONS;
  float s = r.options->scale;
  if (fabsf(s) >= float(VLDXF_EPSILON) && fabsf(s - 1.0f) >= float(VLDXF_EPSILON)) b.scale = s;
  if (!instance(b, *r.blocks[0], identity(), kWhite)) {
    for (VLgeometry *g : b.geometries) VLgeometry_delete(g);
    if (b.table) VLmtable_delete(b.table);
    return nullptr;
  }
  if (b.geometries.empty()) {
    if (b.table) VLmtable_delete(b.table);
    VLMSG(DXF_NO_GEOMETRY);
    return nullptr;
  }
  return make_list(b);
}
