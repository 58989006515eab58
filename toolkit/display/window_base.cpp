/* The base windows made by the renderer start-up, by display configuration:
 * 1 (or any other value) one window at the options' geometry, 2 a stereo
 * pair, 4 one full-screen window, 8 one window with flag 0x100, 512 none. */
#include <limits.h>
#include <stdint.h>

#include "core/messages.h"
#include "display/display_state.h"
#include "platform/platform.h"
#include "vlx/diag.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* A position computed in 64 bits, brought back into the int range. */
int clamp_int(int64_t v) {
  if (v < INT_MIN) return INT_MIN;
  if (v > INT_MAX) return INT_MAX;
  return static_cast<int>(v);
}

/* Geometry flags 16 and 32 count x and y from the right and bottom edges,
 * with room for the frame when bordered. The options hold any 32-bit
 * offsets and sizes, so the sums are taken in 64 bits (they cannot
 * overflow there) and a position beyond the int range is kept at its end. */
void place(const VLsettings *s, const VLdisplay &d, int flags, int *x, int *y) {
  int64_t px = s->x, py = s->y;
  bool border = !(flags & VLWINDOW_NOBORDER);
  if (s->geomflags & VLGEOM_XNEGATIVE) px = px - s->width + d.width - (border ? 10 : 0);
  if (s->geomflags & VLGEOM_YNEGATIVE) py = py - s->height + d.height - (border ? 30 : 0);
  *x = clamp_int(px);
  *y = clamp_int(py);
}

bool stereo_pair(const VLdisplay &d, int flags) {
  int W = d.width, H = d.height, w, h;
  bool stacked = H > W;
  if (2 * H < W) {
    w = W / 2;
    h = H;
  } else if (H <= W) {
    w = W / 2;
    h = int(float(W / 2) * 0.75f);
  } else {
    w = W;
    h = H / 2;
  }
  VLwindow *first = VLwindow_new(0, 0, w, h, flags);
  VLwindow *second = first ? VLwindow_new(stacked ? 0 : W / 2, stacked ? H / 2 : 0, w, h, flags)
                           : nullptr;
  if (!second) return false;
  second->viewpoint = VLuniverse_current()->viewpoint;
  second->eye = 1;
  return true;
}

}  // namespace

bool _VLwindow_makebase(int configuration, int flags) {
  VLuniverse *u = VLuniverse_current();
  VLdisplaystate &ds = _VLdisplay();
  VLdisplay &d = ds.displays[0];
  int w = 0, h = 0;
  _VLplatform_displaysize(&w, &h);
  d = VLdisplay{w, h, 1, 0, -1};
  ds.ndisplays = 1;
  if (VLtoolkit_program() == VLPROGRAM_WINDOWED) u->settings->yon = 8192.0f;
  const VLsettings *s = u->settings;
  int x, y;
  place(s, d, flags, &x, &y);
  switch (configuration) {
    case 2: return stereo_pair(d, flags);
    case 4: return VLwindow_new(0, 0, d.width, d.height, flags | 1 | 4) != nullptr;
    case 8: return VLwindow_new(x, y, s->width, s->height, flags | 0x100) != nullptr;
    case 512: return true;
    default: return VLwindow_new(x, y, s->width, s->height, flags) != nullptr;
  }
}
