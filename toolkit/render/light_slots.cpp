/* Light slots of the current render context. The record keeps the values
 * as given (world space); the device receives them in view space. */
#include "render/light_slots.h"

#include "display/device/device.h"
#include "render/render_state.h"
#include "vlx/renderer.h"

namespace {

VLlightslot *slot_of(int slot) {
  VLrendercontext *c = _VLrender().current;
  return c && slot >= 0 && slot < 8 ? &c->lights[slot] : nullptr;
}

/* p . M for a row vector (x, y, z, w) and the 4x4 view matrix. */
void transform(const float v[3], float w, const float m[16], float out[3]) {
  for (int c = 0; c < 3; ++c)
    out[c] = v[0] * m[c] + v[1] * m[4 + c] + v[2] * m[8 + c] + w * m[12 + c];
}

}  // namespace

void _VLrenderer_lighttype(int slot, int type) {
  if (VLlightslot *l = slot_of(slot)) l->type = type;
}

void _VLrenderer_lightintensity(int slot, float intensity) {
  if (VLlightslot *l = slot_of(slot)) {
    l->color[0] = l->color[1] = l->color[2] = intensity;
    l->color[3] = 1.0f;
  }
}

void _VLrenderer_lightattenuation(int slot, float a0, float a1, float a2) {
  if (VLlightslot *l = slot_of(slot)) {
    l->attenuation[0] = a0;
    l->attenuation[1] = a1;
    l->attenuation[2] = a2;
  }
}

void _VLrenderer_lightfalloff(int slot, float falloff) {
  if (VLlightslot *l = slot_of(slot)) l->falloff = falloff;
}

void _VLrenderer_lightangle(int slot, float theta, float phi) {
  if (VLlightslot *l = slot_of(slot)) {
    l->theta = theta;
    l->phi = phi;
  }
}

void _VLrenderer_lightposition(int slot, const float pos[3]) {
  if (VLlightslot *l = slot_of(slot))
    for (int i = 0; i < 3; ++i) l->position[i] = pos[i];
}

void _VLrenderer_lightdirection(int slot, const float dir[3]) {
  if (VLlightslot *l = slot_of(slot))
    for (int i = 0; i < 3; ++i) l->direction[i] = dir[i];
}

void _VLrenderer_lighton(int slot) {
  VLlightslot *l = slot_of(slot);
  VLdevice *dev = _VLdevice();
  if (!l || !dev) return;
  const float *view = _VLrender().current->view;
  VLlightdesc d = {};
  d.type = l->type;
  for (int i = 0; i < 4; ++i) d.color[i] = l->color[i];
  transform(l->position, 1.0f, view, d.position);
  transform(l->direction, 0.0f, view, d.direction);
  d.range = l->range;
  d.falloff = l->falloff;
  for (int i = 0; i < 3; ++i) d.attenuation[i] = l->attenuation[i];
  d.theta = l->theta;
  d.phi = l->phi;
  dev->setlight(slot, &d);
  dev->lighton(slot, true);
  l->on = 1;
}

void _VLrenderer_lightoff(int slot) {
  VLlightslot *l = slot_of(slot);
  VLdevice *dev = _VLdevice();
  if (!l || !dev) return;
  dev->lighton(slot, false);
  l->on = 0;
}
