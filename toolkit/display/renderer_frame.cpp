/* One frame of every window: polygon counters cleared, background cleared
 * with depth, lights uploaded, the view set up and the scene drawn (when
 * the window has a viewpoint), the draw callbacks, then the frame finished
 * on the device and, on screen, copied to the window. */
#include <string.h>

#include "display/loop.h"
#include "render/light_slots.h"
#include "texture/loop.h"
#include "render/execute_batch.h"
#include "display/device/device.h"
#include "display/display_state.h"
#include "render/render_state.h"
#include "render/state_buffer.h"
#include "platform/platform.h"
#include "render/traverse.h"
#include "vlx/render.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* Ambient: the packed ARGB colour from the settings' ambient colour, the
 * average of the three components as alpha. */
void upload_ambient(VLrendercontext *c) {
  VLdisplaystate &ds = _VLdisplay();
  VLrenderersettings *s = ds.settings;
  if (!s || s->ambientuploaded) return;
  const float *a = s->ambient;
  auto byte = [](float f) { return uint32_t(f <= 0 ? 0 : f >= 1 ? 255 : f * 255.0f); };
  _VLrender().packedambient = byte((a[0] + a[1] + a[2]) / 3.0f) << 24 | byte(a[0]) << 16 |
                     byte(a[1]) << 8 | byte(a[2]);
  _VLstate_execute(c, VLOP_LIGHTSTATE, VLLS_AMBIENT, _VLrender().packedambient);
}

void upload_lights(VLrendercontext *c) {
  VLdisplaystate &ds = _VLdisplay();
  _VLlights_upload(c);
  upload_ambient(c);
  _VLtextures_upload(true);
  if (ds.settings) {
    for (int i = 0; i < 8; ++i)
      if (ds.settings->lights[i]) ds.settings->uploaded[i] = 1;
    ds.settings->ambientuploaded = 1;
  }
}

void draw_3dcallback(VLwindow *w, VLdevice *dev) {
  if (!w->draw3d) return;
  VLm4 id;
  VLm4_identity(&id);
  dev->setmatrix(VLMATRIX_WORLD, id.m);
  w->in3d = 1;
  w->draw3d(w);
  w->in3d = 0;
}

/* World and view identity; x' = 2x - 1, y' = 2y - 1; no depth test. */
void draw_2dcallback(VLwindow *w, VLdevice *dev) {
  if (!w->draw2d) return;
  VLm4 id, p;
  VLm4_identity(&id);
  VLm4_identity(&p);
  p.m[0] = p.m[5] = 2.0f;
  p.m[12] = p.m[13] = -1.0f;
  dev->setmatrix(VLMATRIX_WORLD, id.m);
  dev->setmatrix(VLMATRIX_VIEW, id.m);
  dev->setmatrix(VLMATRIX_PROJECTION, p.m);
  _VLstate_execute(w->context, VLOP_RENDERSTATE, VLRS_ZENABLE, 0);
  w->in2d = 1;
  w->draw2d(w);
  w->in2d = 0;
  _VLstate_execute(w->context, VLOP_RENDERSTATE, VLRS_ZENABLE, 1);
}

/* Step i: the frame is finished on the device; on screen it is copied. */
void end_frame(VLwindow *w, VLdevice *dev) {
  VLrendercontext *c = w->context;
  if (_VLplatform_onscreen() && w->syswindow) {
    dev->readpixels(c->width, c->height, c->width, c->pixels);
    _VLplatform_present(w->syswindow, c->pixels, c->width, c->height);
  } else {
    dev->finish();
  }
}

/* The traversal of the window's Root into draw lists and their playback. */
void render_scene(VLwindow *w) {
  VLrenderstate *rs = w->renderstate;
  if (!w->root) return;
  if (!rs->traversal) rs->traversal = new VLtraversal();
  VLm4 view;
  memcpy(view.m, w->context->view, sizeof view.m);
  _VLtraversal_reset(rs->traversal, &view, rs->hither, rs->yon, rs->planes);
  VLscene_render(w->root, rs->traversal);
}

void render_window(VLwindow *w, VLdevice *dev) {
  VLrendercontext *c = w->context;
  VLrendercontext_select(c);
  float bg[4] = {((w->bgcolor >> 16) & 255) * 0.003921569f, ((w->bgcolor >> 8) & 255) * 0.003921569f,
                 (w->bgcolor & 255) * 0.003921569f, 1.0f};
  upload_lights(c);
  dev->viewport(0, 0, c->width, c->height);
  memcpy(c->materials[VLMAT_BACKGROUND].diffuse, bg, sizeof bg);
  dev->clear(bg);
  _VLbatch_beginframe(_VLrender().packedambient);
  if (w->mode == 1 && w->viewpoint) {
    _VLrenderer_setupview(w, w->eye);
    render_scene(w);
    draw_3dcallback(w, dev);
    draw_2dcallback(w, dev);
    w->numpolys = w->renderstate->polys;
  } else if (w->mode == 1) {
    draw_2dcallback(w, dev);
  }
  end_frame(w, dev);
}

}  // namespace

void VLrenderer_frame(void) {
  VLuniverse *u = VLuniverse_current();
  VLdevice *dev = _VLdevice();
  if (!u || !dev) return;
  /* A change of the rendering options needs nothing here: each geometry's
   * cache records the options it was compiled for and is remade when next
   * drawn under others. */
  dev->stats = VLdevstats();
  for (VLwindow *w = u->windows; w; w = w->next) {
    w->numpolys = 0;
    if (w->renderstate) w->renderstate->polys = 0;
    if (!(w->state & 1) || !w->drawing || !w->context) continue;
    render_window(w, dev);
  }
}

/* Told once when the scene stood still for a frame, and again when it
 * moves: this renderer has nothing to do then. */
void _VLrenderer_frameready(int) {}

/* The overlap of the frame and the buffer is read with the buffer's row
 * length; the rest of the buffer is cleared, so every pixel is defined. */
bool VLrenderer_readpixels(VLwindow *w, uint8_t *rgba, int width, int height) {
  VLdevice *dev = _VLdevice();
  if (!w || !w->context || !dev || !rgba || width < 1 || height < 1) return false;
  const VLrendercontext *c = w->context;
  int rw = c->width < width ? c->width : width, rh = c->height < height ? c->height : height;
  if (rw < width || rh < height) memset(rgba, 0, size_t(width) * size_t(height) * 4);
  VLrendercontext_select(w->context);
  dev->readpixels(rw, rh, width, rgba);
  return true;
}
