/* Draw-list playback: the first list, then the second (the translucent
 * pass), entry by entry. Each saved matrix becomes a device world matrix
 * (the saved matrices are model-view matrices, so the device's view matrix
 * is the identity meanwhile); geometry and object entries draw through
 * their compiled state groups, with the back-face choice made against the
 * eye position in the entry's own coordinates. */
#include <string.h>

#include "render/execute_batch.h"
#include "display/device/device.h"
#include "render/render_state.h"
#include "render/draw_internal.h"
#include "render/light_slots.h"
#include "render/playback.h"
#include "render/traverse.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/render.h"
#include "vlx/renderer.h"
#include "vlx/window.h"
#include "vlx/universe.h"

namespace {

struct Player {
  VLtraversal *t;
  VLrenderstate *rs;
  VLdevice *dev;
  uint32_t matrix = ~0u;
};

/* The eye (and the direction towards it) in the entry's coordinates: the
 * eye-space origin and +z carried back through the model-view inverse. */
void load_matrix(Player &p, uint32_t index) {
  if (index == p.matrix || index >= p.t->saved.size()) return;
  p.matrix = index;
  const VLm4 &m = p.t->saved[index];
  p.dev->setworldmatrix(index + 1, m.m);
  _VLbatch_setworld(index + 1);
  VLm4 inv;
  if (!VLm4_invert(&m, &inv)) return;
  for (int i = 0; i < 3; ++i) {
    p.rs->eye[i] = inv.m[12 + i];
    p.rs->viewdir[i] = inv.m[8 + i];
  }
}

void restore_material(const VLsavedvalue &v) {
  VLbatchstate &b = _VLbatch();
  VLmatvalues m = b.current;
  if (v.mask & 1) memcpy(m.ambient, v.v + VLMS_AMBIENT, 3 * sizeof(float));
  if (v.mask & 2) memcpy(m.diffuse, v.v + VLMS_DIFFUSE, 3 * sizeof(float));
  if (v.mask & 4) memcpy(m.specular, v.v + VLMS_SPECULAR, 3 * sizeof(float));
  if (v.mask & 16) memcpy(m.emission, v.v + VLMS_EMISSION, 3 * sizeof(float));
  if (v.mask & 8) m.shininess = v.v[VLMS_SHININESS];
  if (v.mask & 64) m.opacity = v.v[VLMS_OPACITY];
  if (b.colormaterial) _VLrender_setstate(VLSTATE_COLORMATERIAL, false);
  _VLbatch_setmaterial(m);
}

/* Ambient light: the saved colour, or the settings' when there is none. */
void set_ambient(const VLtraversal *t, intptr_t index) {
  float c[4];
  if (index > 0 && size_t(index) < t->values.size()) {
    memcpy(c, t->values[size_t(index)].v, sizeof c);
  } else {
    const VLrenderersettings *s = VLrenderer_settings();
    for (int i = 0; i < 3; ++i) c[i] = s ? s->ambient[i] : 0.4f;
  }
  auto b = [](float f) { return uint32_t(f <= 0 ? 0 : f >= 1 ? 255 : f * 255.0f); };
  uint32_t packed = b((c[0] + c[1] + c[2]) / 3.0f) << 24 | b(c[0]) << 16 | b(c[1]) << 8 | b(c[2]);
  if (packed == _VLbatch().ambient) return;
  _VLbatch_close();
  _VLbatch().ambient = packed;
}

/* Wireframe leaves lighting and texturing off: the next solid geometry
 * sets its own states, so outlines of consecutive geometries share blocks. */
void draw_drawable(Player &p, VLgeometry *g, bool wire) {
  if (wire) _VLrender_wireframe(g);
  else VLrender_geometry(g, p.rs);
}

void play_entry(Player &p, const VLdrawentry &e) {
  int kind = int(e.word & 255);
  uint32_t matrix = e.word >> 8;
  VLuniverse *u = VLuniverse_current();
  bool wireframe = u && u->rendering >= VLRENDER_WIREFRAME;
  intptr_t item = reinterpret_cast<intptr_t>(e.item);
  switch (kind) {
    case VLDRAW_GEOMETRY: {
      load_matrix(p, matrix);
      VLgeometry *g = static_cast<VLgeometrynode *>(e.item)->geometry;
      if (g) draw_drawable(p, g, wireframe);
      break;
    }
    case VLDRAW_OBJECT: {
      load_matrix(p, matrix);
      VLobject *o = static_cast<VLobject *>(e.item);
      bool wire = (wireframe && o->renderflags == 64) || o->renderflags >= 128;
      if (o->draw && !wire) o->draw(o);
      else if (o->geometry) draw_drawable(p, o->geometry, wire);
      break;
    }
    case VLDRAW_BBOX: {
      load_matrix(p, matrix);
      const VLboxcell *c = static_cast<const VLboxcell *>(e.item);
      VLrender_bbox(c->centre, c->halfextents);
      break;
    }
    case VLDRAW_LIGHTON:
      _VLbatch_close();
      _VLrenderer_lighton(int(item));
      break;
    case VLDRAW_LIGHTOFF:
      _VLbatch_close();
      _VLrenderer_lightoff(int(item));
      break;
    case VLDRAW_MATERIAL:
      if (item > 0 && size_t(item) < p.t->values.size()) restore_material(p.t->values[size_t(item)]);
      break;
    case VLDRAW_AMBIENT: set_ambient(p.t, item); break;
    default: break;   /* fog: no effect in this renderer */
  }
}

}  // namespace

void _VLrender_playback(VLtraversal *t) {
  VLrendercontext *c = _VLrender().current;
  VLdevice *dev = _VLdevice();
  if (!c || !dev || !c->window || !c->window->renderstate) return;
  VLrenderstate *rs = c->window->renderstate;
  static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  dev->setmatrix(VLMATRIX_VIEW, identity);
  Player p{t, rs, dev};
  for (const VLdrawentry &e : t->lists[0]) play_entry(p, e);
  if (!t->lists[1].empty()) {
    _VLbatch_close();
    rs->flags |= 16u;
    _VLrender_setstate(VLSTATE_COLORMATERIAL, false);
    VLmatvalues m = _VLbatch().current;
    for (float *v : {m.ambient, m.diffuse, m.specular, m.emission}) v[0] = v[1] = v[2] = 0.0f;
    m.shininess = 0.0f;
    _VLbatch_setmaterial(m);
    for (const VLdrawentry &e : t->lists[1]) play_entry(p, e);
    rs->flags &= ~16u;
  }
  _VLbatch_close();
  _VLbatch_setworld(0);
  dev->setmatrix(VLMATRIX_VIEW, c->view);
  rs->polys += int32_t(_VLbatch().polys);
  _VLbatch().polys = 0;
}
