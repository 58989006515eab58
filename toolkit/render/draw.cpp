/* The drawing primitives over the batching layer: render-state codes, the
 * drawing colour, lines, points, bounding boxes, and material switches
 * from a geometry's material table. */
#include <string.h>

#include "render/execute_batch.h"
#include "display/device/device.h"
#include "render/render_state.h"
#include "render/draw_internal.h"
#include "render/state_buffer.h"
#include "vlx/mtable.h"
#include "vlx/render.h"
#include "vlx/renderer.h"

namespace {

uint32_t pack(const float c[4]) {
  auto b = [](float f) { return uint32_t(f <= 0 ? 0 : f >= 1 ? 255 : f * 255.0f + 0.5f); };
  return b(c[3]) << 24 | b(c[0]) << 16 | b(c[1]) << 8 | b(c[2]);
}

/* Switching a state that a block was opened with closes the block. */
void set_blockstate(bool &flag, bool on) {
  if (flag == on) return;
  _VLbatch_close();
  flag = on;
}

/* The unlit material takes the colour; later blocks use it. */
void set_unlitmaterial(const float c[4]) {
  VLrendercontext *ctx = _VLrender().current;
  VLdevice *dev = _VLdevice();
  if (!ctx || !dev) return;
  VLmaterialslot &m = ctx->materials[VLMAT_UNLIT];
  memcpy(m.diffuse, c, 4 * sizeof(float));
  memcpy(m.ambient, c, 4 * sizeof(float));
  VLmaterialdesc d = {};
  memcpy(d.diffuse, m.diffuse, sizeof d.diffuse);
  memcpy(d.ambient, m.ambient, sizeof d.ambient);
  d.power = m.power;
  d.rampsize = m.rampsize;
  dev->setmaterial(m.handle, &d);
}

}  // namespace

void VLrender_stateon(int code) { _VLrender_setstate(code, true); }
void VLrender_stateoff(int code) { _VLrender_setstate(code, false); }

void _VLrender_setstate(int code, bool on) {
  VLbatchstate &b = _VLbatch();
  switch (code) {
    case VLSTATE_LIGHTING: set_blockstate(b.lighting, on); break;
    case VLSTATE_COLORMATERIAL: b.colormaterial = on; break;
    case VLSTATE_TEXTURE: set_blockstate(b.texturing, on); break;
    case VLSTATE_BLEND: set_blockstate(b.blending, on); break;
    case VLSTATE_ZBUFFER:
      _VLbatch_close();
      _VLstate_execute(_VLrender().current, VLOP_RENDERSTATE, VLRS_ZENABLE, on ? 1 : 0);
      break;
    default: break;
  }
}

void VLrender_setcolor(const float rgba[4]) {
  VLbatchstate &b = _VLbatch();
  memcpy(b.colorf, rgba, sizeof b.colorf);
  b.color = pack(rgba);
  if (b.colormaterial) {
    if (b.lighting) {
      VLmatvalues m = b.current;
      memcpy(m.ambient, rgba, 3 * sizeof(float));
      memcpy(m.diffuse, rgba, 3 * sizeof(float));
      m.opacity = rgba[3];
      _VLbatch_setmaterial(m);
    }
    return;
  }
  int kind = b.kind;
  _VLbatch_close();
  set_unlitmaterial(rgba);
  if (kind != VLBLOCK_NONE) _VLbatch_open(kind);
}

void VLrender_line(const float a[3], const float b[3]) {
  if (!_VLbatch_ensure(_VLbatch(), VLBLOCK_LINES)) return;
  _VLbatch_reserve(2);
  uint32_t color = _VLbatch().color;
  uint32_t i = _VLbatch_unlitvertex(a, color, 0, 0);
  uint32_t k = _VLbatch_unlitvertex(b, color, 0, 0);
  _VLbatch_line(i, k);
}

void VLrender_point(const float p[3]) {
  if (!_VLbatch_ensure(_VLbatch(), VLBLOCK_POINTS)) return;
  _VLbatch_reserve(1);
  _VLbatch_point(_VLbatch_unlitvertex(p, _VLbatch().color, 0, 0));
}

void VLrender_bbox(const float c[3], const float h[3]) {
  float corner[8][3];
  for (int i = 0; i < 8; ++i)
    for (int a = 0; a < 3; ++a) corner[i][a] = c[a] + ((i >> a) & 1 ? h[a] : -h[a]);
  static const int edges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                   {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  bool lighting = _VLbatch().lighting, texturing = _VLbatch().texturing;
  _VLrender_setstate(VLSTATE_LIGHTING, false);
  _VLrender_setstate(VLSTATE_TEXTURE, false);
  for (const auto &e : edges) VLrender_line(corner[e[0]], corner[e[1]]);
  _VLbatch_close();
  _VLrender_setstate(VLSTATE_LIGHTING, lighting);
  _VLrender_setstate(VLSTATE_TEXTURE, texturing);
}

/* The colour of an entry: ambient-and-diffuse, else diffuse, else ambient
 * (white without any), with the entry's opacity. */
void _VLrender_entrycolour(const VLmtable *t, int index, float out[4]) {
  out[0] = out[1] = out[2] = out[3] = 1.0f;
  if (!t || t->nentries <= 0) return;
  const float *e = t->entries[index];
  int o = t->propoffset[VLMT_AMBIENTDIFFUSE];
  if (o < 0) o = t->propoffset[VLMT_DIFFUSE];
  if (o >= 0) {
    memcpy(out, e + o, 4 * sizeof(float));
    return;
  }
  o = t->propoffset[VLMT_AMBIENT];
  if (o >= 0) memcpy(out, e + o, 3 * sizeof(float));
}

/* Sets the present properties of an entry on the current material (lit),
 * or its colour as the drawing colour (unlit). */
void _VLrender_usematerial(const VLmtable *t, int index) {
  VLbatchstate &b = _VLbatch();
  if (!t || t->nentries <= 0) return;
  float colour[4];
  _VLrender_entrycolour(t, index, colour);
  if (!b.lighting || b.colormaterial) {
    if (b.colormaterial && !(t->mask & (VLAMBIENTDIFFUSE | VLDIFFUSE | VLOPACITY))) colour[3] = 1.0f;
    VLrender_setcolor(colour);
    return;
  }
  const float *e = t->entries[index];
  VLmatvalues m = b.current;
  auto take = [&](int prop, float *dst, int n) {
    if (t->propoffset[prop] >= 0) memcpy(dst, e + t->propoffset[prop], sizeof(float) * size_t(n));
  };
  take(VLMT_AMBIENT, m.ambient, 3);
  take(VLMT_DIFFUSE, m.diffuse, 3);
  take(VLMT_SPECULAR, m.specular, 3);
  take(VLMT_EMISSION, m.emission, 3);
  take(VLMT_SHININESS, &m.shininess, 1);
  if (t->propoffset[VLMT_AMBIENTDIFFUSE] >= 0) {
    take(VLMT_AMBIENTDIFFUSE, m.ambient, 3);
    take(VLMT_AMBIENTDIFFUSE, m.diffuse, 3);
  }
  m.opacity = colour[3];
  _VLbatch_setmaterial(m);
}
