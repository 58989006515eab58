/* The render traversal: one iterative walk over a window's Root that fills
 * the two draw lists. Transforms accumulate on the matrix stack (level 0 is
 * the view matrix, so every level is a model-view matrix); Separators save
 * and restore all attribute state, Xformseps the transform; Switch and Lod
 * select children; Separators, objects and geometries are culled by their
 * bounding spheres against the view volume in eye coordinates (the eye
 * looks along -z); lights switched on inside a Separator go off at its end.
 * At the end the lists are played back on the current render context. */
#include "render/traverse.h"

#include <string.h>

#include "scene/light_internal.h"
#include "core/messages.h"
#include "render/playback.h"
#include "scene/scene_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/object.h"
#include "vlx/render.h"

namespace {

/* The traversal's own end markers (never freed, never enabled-tested). */
const VLnodebase kEndSeparator = {VLNODE_ENDSEPARATOR, VLNODEFLAG_ENABLED};
const VLnodebase kEndXformsep = {VLNODE_ENDXFORMSEP, VLNODEFLAG_ENABLED};

VLnodebase *marker(const VLnodebase &m) { return const_cast<VLnodebase *>(&m); }

struct Walk {
  VLtraversal *t;
  VLwalkstack *s;
};

const VLxf &top(VLtraversal *t) { return t->matrices[t->depth - 1].xf; }

void push_matrix(VLtraversal *t, const VLxf &xf) {
  if (size_t(t->depth) == t->matrices.size()) t->matrices.resize(t->matrices.size() + 64);
  t->matrices[t->depth++] = VLmatrixlevel{xf, -1};
}

/* p . M for the current model-view matrix. */
void to_eye(VLtraversal *t, const float p[3], float out[3]) {
  VLp3 in = {p[0], p[1], p[2]}, o;
  VLm4_transformpoint(&in, &top(t).m, &o);
  out[0] = o.x;
  out[1] = o.y;
  out[2] = o.z;
}

/* Culled when the sphere lies nearer than the near distance, beyond the
 * far distance, or outside a side plane. */
bool culled(VLtraversal *t, const float centre[3], float r) {
  float c[3];
  to_eye(t, centre, c);
  if (r - c[2] < t->hither) return true;
  if (-c[2] - r > t->yon) return true;
  for (const float *p : t->planes)
    if (p[0] * c[0] + p[1] * c[1] + p[2] * c[2] + p[3] + r < 0.0f) return true;
  return false;
}

VLseplevel &level(VLtraversal *t) { return t->levels[t->level]; }

void open_level(VLtraversal *t, bool transformonly) {
  if (size_t(t->level + 1) == t->levels.size()) t->levels.resize(t->levels.size() + 64);
  VLseplevel &below = t->levels[t->level];
  VLseplevel &l = t->levels[++t->level];
  l = below;
  l.matrixdepth = t->depth;
  l.lightmask = 0;
  l.changed = 0;
  l.transformonly = transformonly;
}

int save_value(VLtraversal *t, uint32_t mask, const float *v, int n) {
  VLsavedvalue s = {};
  s.mask = mask;
  memcpy(s.v, v, sizeof(float) * size_t(n));
  t->values.push_back(s);
  return int(t->values.size() - 1);
}

/* The properties a table sets itself; ambient-and-diffuse counts as both. */
uint32_t own_properties(const VLgeometry *g) {
  uint32_t m = g->mtable ? VLmtable_getmask(g->mtable) : 0;
  if (m & VLAMBIENTDIFFUSE) m |= VLAMBIENT | VLDIFFUSE;
  return m & (VLAMBIENT | VLDIFFUSE | VLSPECULAR | VLSHININESS | VLEMISSION | VLOPACITY);
}

/* Restore entries for what earlier draws overrode and this one does not
 * set, then the draw entry itself, in every pass the geometry needs. */
void add_drawable(VLtraversal *t, VLgeometry *g, void *item, int kind, uint32_t matrix) {
  int passes = _VLrender_passes(g);
  uint32_t props = own_properties(g);
  for (int pass = 0; pass < 2; ++pass) {
    if (!(passes & (1 << pass))) continue;
    uint32_t restore = t->used[pass] & ~props;
    if (restore) {
      int v = save_value(t, restore, level(t).material, VLMS_COUNT);
      _VLtraversal_add(t, pass, reinterpret_cast<void *>(intptr_t(v)), VLDRAW_MATERIAL, matrix);
      t->used[pass] &= ~restore;
    }
    t->used[pass] |= props;
    _VLtraversal_add(t, pass, item, kind, matrix);
  }
  t->polys += g->npolys;
}

void add_box(VLtraversal *t, VLnode *n, const float centre[3], const float half[3]) {
  if (!(n->flags & VLNODEFLAG_SHOWBOX)) return;
  VLboxcell *c = _VLboxcell_take();
  memcpy(c->centre, centre, sizeof c->centre);
  memcpy(c->halfextents, half, sizeof c->halfextents);
  t->boxes.push_back(c);
  _VLtraversal_add(t, -1, c, VLDRAW_BBOX, _VLtraversal_savecurrent(t));
}

void add_groupbox(VLtraversal *t, VLnode *n) {
  if (!(n->flags & VLNODEFLAG_SHOWBOX)) return;
  _VLnode_updatebounds(n);
  VLgroupnode *g = _VLnode_group(n);
  if (n->flags & VLNODEFLAG_BOUNDSVALID) add_box(t, n, g->centre, g->halfextents);
}

void draw_geometry(VLtraversal *t, VLnode *n) {
  VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry;
  if (!g || g->npolys == 0) return;
  if (culled(t, g->centre, g->radius)) return;
  add_drawable(t, g, n, VLDRAW_GEOMETRY, _VLtraversal_savecurrent(t));
  add_box(t, n, g->centre, g->halfextents);
}

void visit_object(Walk &w, VLnode *n) {
  VLtraversal *t = w.t;
  VLobjectnode *on = static_cast<VLobjectnode *>(n);
  VLobject *o = on->object;
  if (!o || o->hidden) return;
  _VLnode_updatebounds(n);
  if ((n->flags & VLNODEFLAG_BOUNDSVALID) && culled(t, on->centre, on->radius)) return;
  if (o->geometry && o->geometry->npolys) {
    VLxf x = {on->matrix, VLTRANSFORM_GENERAL};
    VLxf acc = top(t);
    _VLxf_front(&acc, &x);
    t->saved.push_back(acc.m);
    add_drawable(t, o->geometry, o, VLDRAW_OBJECT, uint32_t(t->saved.size() - 1));
  }
  if (on->firstchild) _VLwalk_push(w.s, on->firstchild);
}

void visit_lod(Walk &w, VLnode *n) {
  VLlodnode *l = static_cast<VLlodnode *>(n);
  float c[3];
  to_eye(w.t, l->lodcentre, c);
  float d2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  int i = 0;
  while (i < l->nranges && !(l->ranges[i] >= d2)) ++i;
  VLnodelink *link = _VLnode_childlink(n, i);
  if (link) _VLwalk_push(w.s, link->child);
}

void visit_switch(Walk &w, VLnode *n) {
  VLswitchnode *s = static_cast<VLswitchnode *>(n);
  if (s->which == VLSWITCH_ALL) {
    if (s->firstchild) _VLwalk_push(w.s, s->firstchild);
  } else if (s->which >= 0) {
    if (VLnodelink *link = _VLnode_childlink(n, s->which)) _VLwalk_push(w.s, link->child);
  }
}

void visit_separator(Walk &w, VLnode *n) {
  VLsepnode *s = static_cast<VLsepnode *>(n);
  if (s->culling != VLCULL_NEVER) {
    _VLnode_updatebounds(n);
    if ((n->flags & VLNODEFLAG_BOUNDSVALID) && culled(w.t, s->centre, s->radius)) return;
  }
  if (!s->firstchild) return;
  open_level(w.t, false);
  _VLwalk_push(w.s, marker(kEndSeparator));
  _VLwalk_push(w.s, s->firstchild);
}

void visit_material(VLtraversal *t, VLnode *n) {
  VLmaterialnode *m = static_cast<VLmaterialnode *>(n);
  float *st = level(t).material;
  if (m->mask & VLDIFFUSE) memcpy(st + VLMS_DIFFUSE, m->diffuse, 3 * sizeof(float));
  if (m->mask & VLOPACITY) st[VLMS_OPACITY] = m->opacity;
  if (m->mask & VLAMBIENT) memcpy(st + VLMS_AMBIENT, m->ambient, 3 * sizeof(float));
  if (m->mask & VLSPECULAR) memcpy(st + VLMS_SPECULAR, m->specular, 3 * sizeof(float));
  if (m->mask & VLEMISSION) memcpy(st + VLMS_EMISSION, m->emission, 3 * sizeof(float));
  if (m->mask & VLSHININESS) st[VLMS_SHININESS] = m->shininess;
  level(t).changed |= m->mask;
  t->used[0] |= m->mask;
  t->used[1] |= m->mask;
}

void visit_fog(VLtraversal *t, VLnode *n) {
  VLfognode *f = static_cast<VLfognode *>(n);
  int index = 0;
  if (f->mode != 0) {
    float v[7] = {float(f->mode), f->end != 0.0f ? f->end : t->yon, f->start,
                  f->colour[0], f->colour[1], f->colour[2], f->colour[3]};
    index = save_value(t, 0, v, 7);
    level(t).fog = index;
  }
  _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(index)), VLDRAW_FOG, 0);
}

void visit_ambient(VLtraversal *t, VLnode *n) {
  VLambientnode *a = static_cast<VLambientnode *>(n);
  float v[4] = {a->colour[0] * a->intensity, a->colour[1] * a->intensity,
                a->colour[2] * a->intensity, 1.0f};
  int index = save_value(t, 1, v, 4);
  level(t).ambient = index;
  _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(index)), VLDRAW_AMBIENT, 0);
}

void visit_light(VLtraversal *t, VLnode *n) {
  VLlightnode *l = static_cast<VLlightnode *>(n);
  if (!l->on || !l->light) return;
  int number = _VLlight_number(l->light);
  if (number < 0 || number > 7) return;
  _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(number)), VLDRAW_LIGHTON, 0);
  level(t).lightmask |= uint8_t(1u << number);
}

/* End of a Separator: lights off, then material, fog and ambient entries
 * for what changed inside it, from the level below. */
void close_separator(VLtraversal *t) {
  VLseplevel &l = level(t);
  VLseplevel &below = t->levels[t->level - 1];
  t->depth = l.matrixdepth;
  for (int i = 0; i < 8; ++i)
    if (l.lightmask & (1u << i))
      _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(i)), VLDRAW_LIGHTOFF, 0);
  if (l.changed) {
    int v = save_value(t, l.changed, below.material, VLMS_COUNT);
    _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(v)), VLDRAW_MATERIAL, 0);
  }
  if (l.fog != below.fog)
    _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(below.fog)), VLDRAW_FOG, 0);
  if (l.ambient != below.ambient)
    _VLtraversal_add(t, -1, reinterpret_cast<void *>(intptr_t(below.ambient)), VLDRAW_AMBIENT,
                     0);
  t->level--;
}

void visit(Walk &w, VLnodebase *item) {
  VLtraversal *t = w.t;
  VLnode *n = static_cast<VLnode *>(item);
  switch (item->type) {
    case VLNODE_LINK: {
      VLnodelink *l = static_cast<VLnodelink *>(item);
      if (l->nextsibling) _VLwalk_push(w.s, l->nextsibling);
      _VLwalk_push(w.s, l->child);
      return;
    }
    case VLNODE_ENDSEPARATOR: close_separator(t); return;
    case VLNODE_ENDXFORMSEP:
      t->depth = level(t).matrixdepth;
      t->level--;
      return;
    default: break;
  }
  if (!(item->flags & VLNODEFLAG_ENABLED)) return;
  switch (item->type) {
    case VLNODE_XFORM: {
      VLxformnode *x = static_cast<VLxformnode *>(n);
      if (x->kind == 0) return;
      VLxf acc = top(t), xf = _VLxf_ofxform(x);
      _VLxf_front(&acc, &xf);
      push_matrix(t, acc);
      return;
    }
    case VLNODE_LOD: add_groupbox(t, n); visit_lod(w, n); return;
    case VLNODE_SWITCH: add_groupbox(t, n); visit_switch(w, n); return;
    case VLNODE_GEOMETRY: draw_geometry(t, n); return;
    case VLNODE_GROUP:
    case VLNODE_ANCHOR:
    case VLNODE_INLINE:
      add_groupbox(t, n);
      if (VLnodelink *first = _VLnode_group(n)->firstchild) _VLwalk_push(w.s, first);
      return;
    case VLNODE_SEPARATOR: add_groupbox(t, n); visit_separator(w, n); return;
    case VLNODE_OBJECT: visit_object(w, n); return;
    case VLNODE_LIGHT: visit_light(t, n); return;
    case VLNODE_XFORMSEP:
      add_groupbox(t, n);
      if (!_VLnode_group(n)->firstchild) return;
      open_level(t, true);
      _VLwalk_push(w.s, marker(kEndXformsep));
      _VLwalk_push(w.s, _VLnode_group(n)->firstchild);
      return;
    case VLNODE_MATERIAL: visit_material(t, n); return;
    case VLNODE_FOG: visit_fog(t, n); return;
    case VLNODE_AMBIENT: visit_ambient(t, n); return;
    default: VLMSG(UNKNOWN_NODE_TYPE, int(item->type));
  }
}

}  // namespace

void _VLtraversal_reset(VLtraversal *t, const VLm4 *view, float hither, float yon,
                        const float planes[4][4]) {
  if (t->matrices.empty()) t->matrices.resize(128);
  if (t->levels.empty()) t->levels.resize(128);
  t->depth = 1;
  t->matrices[0] = VLmatrixlevel{VLxf{*view, VLTRANSFORM_GENERAL}, 0};
  t->saved.clear();
  t->saved.push_back(*view);
  t->level = 0;
  VLseplevel &l = t->levels[0];
  l = VLseplevel();
  /* The default material: diffuse and ambient (0.2, 0.2, 0.8), opacity 1,
   * specular 0.5. */
  const float def[VLMS_COUNT] = {0.2f, 0.2f, 0.8f, 1.0f, 0.2f, 0.2f, 0.8f,
                                 0.5f, 0.5f, 0.5f, 0, 0, 0, 80.0f};
  memcpy(l.material, def, sizeof def);
  t->hither = hither;
  t->yon = yon;
  memcpy(t->planes, planes, sizeof t->planes);
  t->values.clear();
  t->values.push_back(VLsavedvalue());
  for (auto &list : t->lists) list.clear();
  t->used[0] = t->used[1] = 0;
  t->polys = 0;
  for (VLboxcell *c : t->boxes) _VLboxcell_give(c);
  t->boxes.clear();
}

void _VLtraversal_free(VLtraversal *t) {
  for (VLboxcell *c : t->boxes) _VLboxcell_give(c);
  delete t;
}

uint32_t _VLtraversal_savecurrent(VLtraversal *t) {
  VLmatrixlevel &l = t->matrices[t->depth - 1];
  if (l.saved < 0) {
    t->saved.push_back(l.xf.m);
    l.saved = int(t->saved.size() - 1);
  }
  return uint32_t(l.saved);
}

void _VLtraversal_add(VLtraversal *t, int list, void *item, int kind, uint32_t matrix) {
  VLdrawentry e{item, uint32_t(kind) | (matrix << 8)};
  if (list != 1) t->lists[0].push_back(e);
  if (list != 0) t->lists[1].push_back(e);
}

void VLscene_render(VLnode *root, VLtraversal *t) {
  if (!root || root->type != VLNODE_ROOT || !t) return;
  if (root->flags & VLNODEFLAG_CHANGED) _VLnode_updatebounds(root);
  Walk w{t, _VLwalk_take()};
  if (VLnodelink *first = _VLnode_group(root)->firstchild) _VLwalk_push(w.s, first);
  while (VLnodebase *item = _VLwalk_pop(w.s)) visit(w, item);
  _VLwalk_give(w.s);
  _VLrender_playback(t);
}
