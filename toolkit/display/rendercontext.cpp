/* Render contexts: one per window, each a render target of the device
 * (colour + 16-bit depth, at least 100 x 100), its three matrices, eight
 * light slots, five materials and the two execute buffers. A resize keeps
 * the buffers when the new size fits them. */
#include <stdlib.h>
#include <string.h>

#include "display/device/device.h"
#include "display/device/execute.h"
#include "display/display_state.h"
#include "render/render_state.h"
#include "render/state_buffer.h"
#include "vlx/diag.h"
#include "vlx/renderer.h"
#include "vlx/window.h"

namespace {

void set4(float *d, float r, float g, float b, float a) {
  d[0] = r;
  d[1] = g;
  d[2] = b;
  d[3] = a;
}

void identity(float m[16]) {
  memset(m, 0, 16 * sizeof(float));
  m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void to_desc(const VLmaterialslot &m, VLmaterialdesc *d) {
  memcpy(d->diffuse, m.diffuse, sizeof d->diffuse);
  memcpy(d->ambient, m.ambient, sizeof d->ambient);
  memcpy(d->specular, m.specular, sizeof d->specular);
  memcpy(d->emissive, m.emissive, sizeof d->emissive);
  d->power = m.power;
  d->texture = m.texture;
  d->rampsize = m.rampsize;
}

/* The five materials: default lit, background, textured lit, textured
 * unlit, unlit; all with power 80 and no texture. */
void make_materials(VLrendercontext *c, VLdevice *dev) {
  const VLdisplaystate &ds = _VLdisplay();
  for (int i = 0; i < VLMAT_COUNT; ++i) {
    VLmaterialslot &m = c->materials[i];
    memset(&m, 0, sizeof m);
    m.power = 80.0f;
    m.rampsize = 1;
    if (i != VLMAT_BACKGROUND) {
      set4(m.diffuse, 1, 1, 1, 1);
      set4(m.ambient, 1, 1, 1, 1);
    }
  }
  VLmaterialslot &def = c->materials[VLMAT_DEFAULT];
  set4(def.diffuse, 0.2f, 0.2f, 0.8f, 1.0f);
  set4(def.ambient, 0.2f, 0.2f, 0.8f, 1.0f);
  set4(def.specular, 0.5f, 0.5f, 0.5f, 0.0f);
  def.rampsize = _VLrender().materialramp;
  c->materials[VLMAT_TEXTURED].rampsize = ds.textureramp;
  for (VLmaterialslot &m : c->materials) {
    m.handle = dev->newmaterial();
    VLmaterialdesc d;
    to_desc(m, &d);
    dev->setmaterial(m.handle, &d);
  }
}

void make_lights(VLrendercontext *c) {
  for (VLlightslot &l : c->lights) {
    memset(&l, 0, sizeof l);
    l.type = VLLIGHT_DIRECTIONAL;
    set4(l.color, 1, 1, 1, 1);
    l.direction[2] = 1.0f;
    l.range = 16000000.0f;
  }
}

/* Projection rows (2,0,0,0), (0,2,0,0), (0,0,1,1), (0,0,-1,0); view with z 10. */
void make_matrices(VLrendercontext *c) {
  identity(c->world);
  identity(c->view);
  c->view[14] = 10.0f;
  memset(c->projection, 0, sizeof c->projection);
  c->projection[0] = 2.0f;
  c->projection[5] = 2.0f;
  c->projection[10] = 1.0f;
  c->projection[11] = 1.0f;
  c->projection[14] = -1.0f;
}

bool make_buffers(VLrendercontext *c, VLdevice *dev) {
  c->target = dev->newtarget(c->bufwidth, c->bufheight);
  if (!c->target) return false;
  c->execbuffer = static_cast<uint8_t *>(VLmalloc(VLEXEC_BUFFERSIZE));
  c->statebuffer = static_cast<uint8_t *>(VLmalloc(VLEXEC_STATEBUFFERSIZE));
  c->pixels = static_cast<uint8_t *>(VLmalloc(size_t(c->bufwidth) * c->bufheight * 4));
  memset(c->execbuffer, 0, VLEXEC_BUFFERSIZE);
  return true;
}

void release(VLrendercontext *c, VLdevice *dev) {
  if (dev) {
    for (VLmaterialslot &m : c->materials)
      if (m.handle) dev->deletematerial(m.handle);
    if (c->target) dev->deletetarget(c->target);
  }
  free(c->execbuffer);
  free(c->statebuffer);
  free(c->pixels);
  c->execbuffer = c->statebuffer = c->pixels = nullptr;
  c->target = 0;
}

}  // namespace

VLrendercontext *VLrendercontext_new(VLwindow *window, int width, int height, int x, int y) {
  VLdevice *dev = _VLdevice();
  if (!dev) return nullptr;
  VLrendercontext *c = static_cast<VLrendercontext *>(VLmalloc(sizeof(VLrendercontext)));
  memset(c, 0, sizeof *c);
  c->x = x;
  c->y = y;
  c->width = c->bufwidth = width < 100 ? 100 : width;
  c->height = c->bufheight = height < 100 ? 100 : height;
  c->window = window;
  if (!make_buffers(c, dev)) {
    release(c, dev);
    free(c);
    return nullptr;
  }
  make_matrices(c);
  make_materials(c, dev);
  make_lights(c);
  VLrendercontext_select(c);
  _VLstate_initial(c);
  return c;
}

void VLrendercontext_delete(VLrendercontext *c) {
  if (!c) return;
  if (_VLrender().current == c) _VLrender().current = nullptr;
  release(c, _VLdevice());
  free(c);
}

void VLrendercontext_resize(VLrendercontext *c, int width, int height) {
  if (!c) return;
  if (width < 100) width = 100;
  if (height < 100) height = 100;
  if (width <= c->bufwidth && height <= c->bufheight) {
    c->width = width;
    c->height = height;
    return;
  }
  VLdevice *dev = _VLdevice();
  if (!dev) return;
  release(c, dev);
  c->width = c->bufwidth = width;
  c->height = c->bufheight = height;
  if (!make_buffers(c, dev)) return;
  make_materials(c, dev);
  VLrendercontext_select(c);
  _VLstate_initial(c);
}

void VLrendercontext_select(VLrendercontext *c) {
  VLdevice *dev = _VLdevice();
  if (!c || !dev || !c->target) return;
  _VLrender().current = c;
  dev->selecttarget(c->target);
}
