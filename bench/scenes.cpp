/* The test scenes: the patch geometry, the common reset, and the grid,
 * overwrite, terrain and ripple scenes with the ripple animation. Patches
 * are built once per scene change and instanced, so a large grid costs one
 * 11 x 11 geometry per vertex variant. */
#include <math.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench.h"
#include "core/messages.h"
#include "vlx/vlx.h"

namespace {

float texture_u(const float p[3]) {
  const float(&box)[2][3] = bench().texbox;
  return (p[0] - box[0][0]) / (box[1][0] - box[0][0]);
}

float texture_v(const float p[3]) {
  const float(&box)[2][3] = bench().texbox;
  return (p[1] - box[0][1]) / (box[1][1] - box[0][1]);
}

/* Maps "vy.tga" onto a patch through the texture box made from it. */
void map_texture(VLgeometry *g) {
  float mid[3], ext[3];
  VLgeometry_getmidpoint(g, mid);
  VLgeometry_getextents(g, ext);
  for (int a = 0; a < 3; ++a) {
    bench().texbox[0][a] = mid[a] - ext[a] / 2;
    bench().texbox[1][a] = mid[a] + ext[a] / 2;
  }
  VLgeometry_settexturemap(g, "vy.tga", texture_u, texture_v, true, false);
}

void patch_vertex(VLgeometry *g, int i, int j, int w, int h, bool normals, bool colours) {
  Bench &b = bench();
  float x = -1.0f + float(i) * 2.0f / float(w - 1), y = -1.0f + float(j) * 2.0f / float(h - 1);
  float p[3] = {x, y, 0};
  VLvertex *v = VLgeometry_newvertex(g, p);
  if (normals || b.buildingripple) {
    float n[3] = {0, -1.01f - x, -(y + 1)};
    float len = sqrtf(n[1] * n[1] + n[2] * n[2]);
    if (len > 0) {
      n[1] /= len;
      n[2] /= len;
    }
    VLvertex_setnormal(g, v, n);
  }
  if (colours) {
    int pi = (i / 2) % 2, q = (j / 2) % 2;
    if (pi) VLvertex_setrgb(g, v, uint8_t(255 * (j % 2)), 0, 0);
    else if (q) VLvertex_setrgb(g, v, 0, 255, 0);
    else VLvertex_setrgb(g, v, 0, 0, 255);
  }
  if (b.buildingripple && i < RIPPLE_SIDE && j < RIPPLE_SIDE) b.ripplevertices[i * RIPPLE_SIDE + j] = v;
}

void polygon(VLgeometry *g, std::initializer_list<int> corners, uint8_t grey) {
  VLpoly *p = VLpoly_new(g);
  for (int k : corners) VLpoly_addvertex(p, k);
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    return;
  }
  if (grey) VLpoly_setrgb(p, 127, 127, 127);
  else VLpoly_setrgb(p, 0, 0, 255);
  VLpoly_setbothsides(p, false);
}

/* Steps 1-6 of every builder. */
void common_reset(bool keepprebuild) {
  Bench &b = bench();
  b.measuring = false;
  if (b.path) {
    VLpath_stop(b.path);
    VLpath_rewind(b.path);
  }
  /* The measuring action ends what the old scene was doing. It must not
   * run the next batch line from here: that line would run before this
   * scene exists and a measurement it starts would be lost at step 5. */
  b.resetting = true;
  bench_measuring();
  b.resetting = false;
  if (!keepprebuild) {
    bench_prebuildwalk(b.root, false);
    b.prebuild = false;
  }
  VLwindow_setprojection(b.window, 3);
  VLwindow_setfrustum(b.window, 0, -1, 1, -1, 1, 1.0f, 3000.0f);
  bench_deletesensor();
  b.terrain = b.ripple = b.measuring = false;
  VLswitchnode_setwhich(b.modelswitch, -1);
  VLuniverse_setactions(bench_idle);
}

void place_viewpoint(float x, float y, float z, float dx, float dy, float dz, bool identity) {
  Bench &b = bench();
  VLp3 pos = {x, y, z}, dir = {dx, dy, dz};
  VLviewpoint_setposition(b.viewpoint, &pos);
  VLviewpoint_setdirection(b.viewpoint, &dir);
  if (identity) {
    VLq q = {0, 0, 0, 1};
    VLviewpoint_setorientation(b.viewpoint, &q);
  }
  VLwindow_setfrustum(b.window, 0, -1, 1, -1, 1, 1.0f, 3000.0f);
}

/* The names of the material tables of the geometries under n (each once).
 * Names, not pointers: a table that a model load made is freed with its
 * last geometry, so it may be gone once the nodes are deleted. */
void collect_tables(VLnode *n, std::vector<std::string> &tables) {
  std::vector<VLnode *> stack;
  if (n) stack.push_back(n);
  while (!stack.empty()) {
    VLnode *c = stack.back();
    stack.pop_back();
    if (c->type == VLNODE_GEOMETRY) {
      VLgeometry *g = static_cast<VLgeometrynode *>(c)->geometry;
      if (g && g->mtable &&
          std::find(tables.begin(), tables.end(), g->mtable->name) == tables.end())
        tables.push_back(g->mtable->name);
    }
    for (int i = 0, k = VLnode_numchildren(c); i < k; ++i) stack.push_back(VLnode_getchild(c, i));
  }
}

void delete_scene_nodes(void) {
  Bench &b = bench();
  /* Every geometry a scene builds gets a material table of its own, which
   * the universe keeps after the geometry is gone; the scene deletes the
   * tables that no geometry uses any more, so that changing scenes for
   * hours does not grow the universe's table list. */
  std::vector<std::string> tables;
  collect_tables(b.scenenode, tables);
  for (VLmtable *&t : b.templatetables) {
    if (t && std::find(tables.begin(), tables.end(), t->name) == tables.end())
      tables.push_back(t->name);
    t = nullptr;
  }
  if (b.scenenode) VLnode_delete(b.scenenode);
  if (b.multiplier_group) VLnode_delete(b.multiplier_group);
  /* The shared patches go with their scene (they sit under no parent). */
  for (VLnode *&t : b.templates) {
    if (t) VLnode_delete(t);
    t = nullptr;
  }
  b.scenenode = b.multiplier_group = nullptr;
  for (const std::string &name : tables) {
    VLmtable *t = VLmtable_find(name.c_str());
    if (t && !t->users) VLmtable_delete(t);
  }
}

/* Normals (0, 0, +1) on odd and (0, 0, -1) on even vertices when asked,
 * else (0, 0, -1); colours red and blue alternating when asked. */
void rectangle_attributes(VLgeometry *g, bool normals, bool colours) {
  VLgeometry_beginedit(g);
  int v = 0;
  for (VLvertex *x = VLgeometry_getvertices(g); x && v < 4; x = VLvertex_next(x), ++v) {
    float n[3] = {0, 0, normals && (v % 2) ? 1.0f : -1.0f};
    VLvertex_setnormal(g, x, n);
    if (colours) {
      if (v % 2) VLvertex_setrgb(g, x, 0, 0, 255);
      else VLvertex_setrgb(g, x, 255, 0, 0);
    }
  }
  VLgeometry_cleanvertices(g, false);
  VLgeometry_endedit(g);
}

void notify_scene(void) {
  if (bench().onscene) bench().onscene();
}

}  // namespace

bool bench_checkgrid(long long n) {
  if (n >= 1 && n <= BENCH_MAXGRID) return true;
  VLMSG(GRID_RANGE, n, BENCH_MAXGRID, BENCH_MAXGRID * 10 + 9);
  return false;
}

bool bench_checkmultiplier(long long m) {
  if (m >= 1 && m <= BENCH_MAXMULTIPLIER) return true;
  VLMSG(MULTIPLIER_RANGE, m, BENCH_MAXMULTIPLIER);
  return false;
}

bool bench_checklayers(long long n) {
  if (n >= 1 && n <= BENCH_MAXLAYERS) return true;
  VLMSG(LAYERS_RANGE, n, BENCH_MAXLAYERS);
  return false;
}

VLgeometry *bench_patch(bool normals, bool colours, int w, int h, bool quads) {
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) patch_vertex(g, i, j, w, h, normals, colours);
  for (int r = 0; r < h - 1; ++r)
    for (int c = 0; c < w - 1; ++c) {
      int k = r * w + c;
      if (quads) {
        polygon(g, {k, k + w, k + w + 1, k + 1}, (c % 2) == (r % 2));
      } else {
        polygon(g, {k, k + w, k + 1}, 0);
        polygon(g, {k + 1, k + w, k + w + 1}, 1);
      }
    }
  VLgeometry_close(g);
  return g;
}

void bench_gridscene(int n) {
  Bench &b = bench();
  if (!bench_checkgrid(n)) return;
  common_reset(false);
  b.overwrite = false;
  b.gridsize = n;
  VLwindow_setprojection(b.window, 3);
  VLwindow_setfrustum(b.window, 0, -1, 1, -1, 1, 1.0f, 3000.0f);
  delete_scene_nodes();
  b.scenenode = VLswitchnode_new(nullptr);
  for (int variant = 0; variant < 4; ++variant) {
    bool normals = variant & 2, colours = variant & 1;
    VLgeometry *patch = bench_patch(normals, colours, 11, 11, b.quads);
    if (b.quads && variant == 0) VLgeometry_settexture(patch, "vy.tga", true, false);
    else map_texture(patch);
    VLnode *group = VLgroupnode_new(nullptr);
    VLnode *tmpl = VLmovablegeometrynode_new(nullptr, patch);
    b.templates[variant] = tmpl;
    b.templatetables[variant] = patch->mtable;
    for (int y = 1 - n; y <= n - 1; y += 2)
      for (int x = 1 - n; x <= n - 1; x += 2) {
        VLnode *inst = VLmovablenode_instance(group, tmpl);
        float t[3] = {float(x), float(y), 0};
        VLmovablenode_settranslation(inst, t);
      }
    VLnode_addchild(b.scenenode, group);
  }
  place_viewpoint(0, 0, float(-n), 0, 0, 1, true);
  VLswitchnode_setwhich(b.scenenode, b.vertexflags);
  b.multiplier_group = VLgroupnode_new(nullptr);
  for (int i = 0; i < b.multiplier; ++i) VLnode_addchild(b.multiplier_group, b.scenenode);
  VLnode_addchild(b.root, b.multiplier_group);
  notify_scene();
}

void bench_setmultiplier(int m) {
  if (!bench_checkmultiplier(m)) return;
  bench().multiplier = m;
  bench_gridscene(bench().gridsize);
}

void bench_overwritescene(int c) {
  Bench &b = bench();
  if (!bench_checklayers(c < 0 ? -(long long)c : c)) return;
  common_reset(true);
  b.overwritecount = c;
  b.overwrite = true;
  place_viewpoint(0, 0, -1, 0, 0, 1, true);
  delete_scene_nodes();
  VLwindow_setprojection(b.window, 3);
  VLwindow_setfrustum(b.window, 0, -1, 1, -1, 1, 1.0f, 3000.0f);
  VLswitchnode_setwhich(b.modelswitch, -1);
  VLuniverse_setactions(bench_idle);
  VLwindow_setprojection(b.window, 4);
  b.scenenode = VLswitchnode_new(b.root);
  int layers = c < 0 ? -c : c;   /* within the limit: no overflow */
  for (int variant = 0; variant < 4; ++variant) {
    bool normals = variant & 2, colours = variant & 1;
    VLnode *sep = VLsepnode_new(b.scenenode);
    float z = c > 0 ? 0.0f : float(layers - 1), step = c > 0 ? 1.0f : -1.0f;
    for (int k = 0; k < layers; ++k, z += step) {
      VLgeometry *rect = VLgeometry_newrectangle(2.0f, 2.0f, false);
      float off[3] = {0, 0, z};
      if (z != 0.0f) VLgeometry_translate(rect, off);
      rectangle_attributes(rect, normals, colours);
      VLgeometry_settexture(rect, "vy.tga", true, false);
      VLgeometrynode_new(sep, rect);
    }
  }
  VLswitchnode_setwhich(b.scenenode, b.vertexflags);
  notify_scene();
}

void bench_deletesensor(void) {
  Bench &b = bench();
  if (b.sensor) VLsensor_delete(b.sensor);
  b.sensor = nullptr;
}

void bench_terrainscene(void) {
  Bench &b = bench();
  common_reset(false);
  b.terrain = true;
  b.overwrite = false;
  /* The mouse flies the viewpoint, at a speed that suits the world's size. */
  b.sensor = VLsensor_new(VLmouse_open, VLmouse_close, VLmouse_update, nullptr, 1, 0);
  VLviewpoint_addsensor(b.viewpoint, b.sensor);
  VLsensor_setsensitivity(b.sensor, VLnode_getradius(b.root) * 0.04f);
  VLwindow_setprojection(b.window, 3);
  place_viewpoint(0, 0, float(-b.gridsize), 0, 0, 1, true);
  delete_scene_nodes();
  b.scenenode = VLsepnode_new(b.root);
  if (b.rendering & 128) bench_togglerendering(TOGGLE_WIREFRAME);
  if (b.rendering & 4) bench_togglerendering(TOGGLE_LIGHTING);
  if (!(b.rendering & 1)) bench_togglerendering(TOGGLE_TEXTURE);
  VLswitchnode_setwhich(b.modelswitch, 1);
  if (b.path) VLpath_setplaying(b.path);
  notify_scene();
}

void bench_ripplescene(void) {
  Bench &b = bench();
  common_reset(false);
  b.ripple = true;
  b.overwrite = false;
  delete_scene_nodes();
  b.scenenode = VLsepnode_new(b.root);
  VLwindow_setprojection(b.window, 1);
  VLwindow_sethither(b.window, 0.0f);
  place_viewpoint(0, 1.2f, -1.6f, 0, -0.6f, 0.8f, false);
  VLswitchnode_setwhich(b.modelswitch, 2);
  VLuniverse_setactions(bench_rippleidle);
  notify_scene();
}

/* Propagation towards the source along columns and rows, then the source
 * itself: z = 2 e^(-t/d) sin(t pi); every 6.0 of phase a new ripple starts
 * 7 columns on and 3 rows back from the last, wrapping. */
void bench_ripplestep(void) {
  Bench &b = bench();
  VLgeometry *g = b.ripplegeometry;
  if (!g || !b.ripplevertices[0]) return;
  const int S = RIPPLE_SIDE;
  static float z[RIPPLE_SIDE * RIPPLE_SIDE];
  float p[3];
  VLgeometry_beginedit(g);
  for (int k = 0; k < S * S; ++k) {
    VLvertex_getposition(g, b.ripplevertices[k], p);
    z[k] = p[2];
  }
  int a = b.ripplecolumn, r = b.ripplerow;
  float s = b.ripplespread;
  for (int i = 0; i < S; ++i)
    for (int j = 0; j < S; ++j) {
      float pz = z[i * S + j];
      float zc = i == a ? pz : pz - (pz - z[(a > i ? i + 1 : i - 1) * S + j]) * s;
      float zr = j == r ? pz : pz - (pz - z[i * S + (r > j ? j + 1 : j - 1)]) * s;
      VLvertex_getposition(g, b.ripplevertices[i * S + j], p);
      p[2] = (zc + zr) / 2.0f;
      VLvertex_setposition(g, b.ripplevertices[i * S + j], p);
    }
  VLgeometry_endedit(g);
  VLgeometry_beginedit(g);
  VLvertex *src = b.ripplevertices[a * S + r];
  VLvertex_getposition(g, src, p);
  p[2] = 2.0f * expf(-b.ripplephase / b.rippledecay) * sinf(b.ripplephase * 3.1415927f);
  VLvertex_setposition(g, src, p);
  VLgeometry_endedit(g);
  b.ripplephase += 0.1f;
  if (b.ripplephase > 6.0f) {
    b.ripplecolumn += 7;
    b.ripplerow -= 3;
    b.ripplephase = 0.0f;
    b.ripplecount++;
  }
  /* The last column is never a source: 22 + 7 wraps to 0, as the source
   * sequence (15, 15), (22, 12), (0, 9), (7, 6) requires. */
  if (b.ripplecolumn >= RIPPLE_SIDE - 1) b.ripplecolumn = 0;
  if (b.ripplerow <= 0) b.ripplerow = RIPPLE_SIDE - 1;
}
