/* Window records: creation (at most 8), attachment to an existing native
 * window, deletion, the per-window settings, and the base windows that the
 * renderer start-up makes by display configuration. Each window has a
 * system window of the platform layer and a render context. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "display/loop.h"
#include "core/messages.h"
#include "display/display_state.h"
#include "platform/platform.h"
#include "render/traverse.h"
#include "vlx/diag.h"
#include "vlx/math.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

bool _VLwindow_known(VLwindow *w) {
  if (!w) return false;
  for (VLwindow *s : _VLdisplay().slots)
    if (s == w) return true;
  return false;
}

namespace {

int free_slot(void) {
  for (int i = 0; i < VLWINDOW_MAX; ++i)
    if (!_VLdisplay().slots[i]) return i;
  return -1;
}

/* Fields 1-22 with their defaults. */
VLwindow *new_record(VLuniverse *u, int slot) {
  VLwindow *w = static_cast<VLwindow *>(VLmalloc(sizeof(VLwindow)));
  memset(w, 0, sizeof *w);
  w->mode = 1;
  w->viewpoint = _VLdisplay().nwindows == 0 ? u->viewpoint : nullptr;
  w->root = VLuniverse_getrootnode();
  w->bgcolor = u->bgcolor;
  w->drawing = 1;
  w->projection = VLPROJ_PERSPECTIVE;
  w->number = slot;
  _VLwindow_defaultfrusta(w);
  return w;
}

void append(VLuniverse *u, VLwindow *w) {
  VLwindow **at = &u->windows;
  while (*at) at = &(*at)->next;
  *at = w;
  _VLdisplay().slots[w->number] = w;
  _VLdisplay().nwindows++;
}

/* Steps 6-7 of creation: the render context comes with the user message;
 * then aspect, render state, list. */
VLwindow *finish(VLuniverse *u, VLwindow *w) {
  append(u, w);
  /* The toolkit's user message: the window procedure takes the client
   * rectangle and creates the render context. */
  _VLwindow_proc(w, w->syswindow, VLWM_USER, 0, 0);
  if (!w->context) {
    VLwindow_delete(w);
    return nullptr;
  }
  w->aspect = w->height ? float(w->width) / float(w->height) : 1.0f;
  w->renderstate = static_cast<VLrenderstate *>(VLmalloc(sizeof(VLrenderstate)));
  memset(w->renderstate, 0, sizeof(VLrenderstate));
  w->renderstate->windowbit = 1u << w->number;
  return w;
}

}  // namespace

/* Through the setters, so that an options hither below 0.004 becomes 0.004
 * here as it does for every other caller; the frusta are built from the
 * near distance the window keeps. */
void _VLwindow_defaultfrusta(VLwindow *w) {
  const VLsettings *s = VLuniverse_current()->settings;
  float f = s->yon, t = tanf(s->halffov);
  float a = s->width ? float(s->height) / float(s->width) : 0.75f;
  if (w->width && w->height) a = float(w->height) / float(w->width);
  VLwindow_sethither(w, s->hither);
  float n = w->hither;
  for (int eye = 0; eye < 2; ++eye)
    VLwindow_setfrustum(w, eye, -n * t, n * t, -n * t * a, n * t * a, n, f);
  w->yon = f;
  w->t = t;
  w->ta = t * a;
}

VLwindow *VLwindow_new(int x, int y, int width, int height, int flags) {
  VLuniverse *u = VLuniverse_current();
  VLdisplaystate &ds = _VLdisplay();
  if (!u) return nullptr;
  int slot = free_slot();
  if (slot < 0) {
    VLMSG(TOO_MANY_WINDOWS, VLWINDOW_MAX);
    return nullptr;
  }
  int display = (flags & VLWINDOW_DISPLAYINDEX) ? (flags >> 4) & 15 : 0;
  if (display >= ds.ndisplays || !ds.displays[display].active) return nullptr;
  VLwindow *w = new_record(u, slot);
  w->flags = uint32_t(flags);
  w->display = display;
  w->width = width < ds.displays[display].width ? width : ds.displays[display].width;
  w->height = height < ds.displays[display].height ? height : ds.displays[display].height;
  w->x = x;
  w->y = y;
  w->state = 1;
  _VLwindow_defaultfrusta(w);
  w->syswindow = _VLplatform_newwindow(w, x, y, w->width, w->height,
                                       !(flags & VLWINDOW_NOBORDER));
  if (!w->syswindow) {
    free(w);
    return nullptr;
  }
  return finish(u, w);
}

VLwindow *VLwindow_attach(uintptr_t native, int flags) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return nullptr;
  int slot = free_slot();
  if (slot < 0) {
    VLMSG(TOO_MANY_WINDOWS, VLWINDOW_MAX);
    return nullptr;
  }
  VLwindow *w = new_record(u, slot);
  w->flags = uint32_t(flags);
  w->attached = true;
  w->state = 1;
  w->syswindow = _VLplatform_attach(w, native);
  if (!w->syswindow) {
    free(w);
    return nullptr;
  }
  return finish(u, w);
}

void VLwindow_delete(VLwindow *w) {
  VLuniverse *u = VLuniverse_current();
  VLdisplaystate &ds = _VLdisplay();
  if (!_VLwindow_known(w)) return;
  for (VLwindow **at = u ? &u->windows : nullptr; at && *at; at = &(*at)->next)
    if (*at == w) {
      *at = w->next;
      break;
    }
  ds.slots[w->number] = nullptr;
  ds.nwindows--;
  if (ds.focus == w) ds.focus = nullptr;
  if (ds.mouse.window == w) ds.mouse.window = nullptr;
  VLrendercontext_delete(w->context);
  w->context = nullptr;
  _VLplatform_destroywindow(w->syswindow);
  if (w->renderstate && w->renderstate->traversal) _VLtraversal_free(w->renderstate->traversal);
  free(w->renderstate);
  free(w);
}

void _VLwindows_deleteall(VLuniverse *u) {
  while (u->windows) VLwindow_delete(u->windows);
}

void VLwindow_setprojection(VLwindow *w, int mode) {
  if (!w || mode < VLPROJ_PERSPECTIVE || mode > VLPROJ_PARALLEL) return;
  w->projection = mode;
}

void VLwindow_setfrustum(VLwindow *w, int eye, float left, float right, float bottom, float top,
                         float hither, float yon) {
  if (!w || (eye != 0 && eye != 1)) return;
  if (hither < VLEPSILON) hither = VLEPSILON;
  w->frustum[eye] = VLfrustum{left, right, top, bottom, hither, yon};
}

void VLwindow_sethither(VLwindow *w, float hither) {
  if (!w) return;
  w->hither = hither < VLEPSILON ? VLEPSILON : hither;
}

void VLwindow_getposition(VLwindow *w, int *x, int *y, int *width, int *height) {
  if (!w) return;
  if (x) *x = w->x;
  if (y) *y = w->y;
  if (width) *width = w->width;
  if (height) *height = w->height;
}

void VLwindow_setsize(VLwindow *w, int width, int height) {
  if (!_VLwindow_known(w) || width < 1 || height < 1) return;
  _VLplatform_resized(w->syswindow, width, height);
}

void VLwindow_mouse(VLwindow *w, int event, int button, int x, int y) {
  static const int messages[] = {0, VLWM_BUTTONDOWN, VLWM_BUTTONUP, VLWM_BUTTONDBL};
  if (!_VLwindow_known(w) || event < VLMOUSE_MOVE || event > VLMOUSE_DOUBLE) return;
  if (event != VLMOUSE_MOVE && (button < 0 || button > 2)) return;
  _VLplatform_input(w->syswindow, VLWM_MOUSEMOVE, x, y);
  if (event != VLMOUSE_MOVE) _VLplatform_input(w->syswindow, messages[event], button, 0);
}

void VLwindow_setbgcolor(VLwindow *w, uint32_t rgb) {
  if (w) w->bgcolor = rgb & 0xFFFFFF;
}

void VLwindow_setviewpoint(VLwindow *w, VLviewpoint *vp) {
  if (w) w->viewpoint = vp;
}

void VLwindow_seteye(VLwindow *w, int eye) {
  if (w && (eye == 0 || eye == 1)) w->eye = eye;
}

int VLwindow_numpolys(VLwindow *w) { return w ? w->numpolys : 0; }

void VLwindow_setcallbacks(VLwindow *w, VLdrawcallback draw3d, VLdrawcallback draw2d) {
  if (!w) return;
  w->draw3d = draw3d;
  w->draw2d = draw2d;
}

void _VLwindows_setbgcolor(VLuniverse *u, unsigned packed) {
  for (VLwindow *w = u ? u->windows : nullptr; w; w = w->next) w->bgcolor = packed;
}
