/* The window-system layer's common part and its off-screen backend. The
 * backend is chosen once: on screen when a display is named (DISPLAY or
 * WAYLAND_DISPLAY), VLXOFFSCREEN is unset and SDL's video starts; off
 * screen otherwise. Posted messages wait in a queue until the next pump. */
#include <stdlib.h>

#include <deque>
#include <vector>
#include <mutex>

#include "core/diag_internal.h"
#include "core/state.h"
#include "platform/platform_internal.h"

namespace {

struct Posted {
  VLsyswindow *w;
  int msg;
  long a, b;
};

struct PlatformState {
  bool initialised = false;
  bool onscreen = false;
  VLwndproc proc = nullptr;
  std::deque<Posted> queue;
  bool quit = false;
  /* Notices posted from other threads (sound completion), taken in by the pump. */
  std::mutex noticelock;
  std::vector<Posted> notices;
  std::vector<Posted> delivering;   /* the notices being delivered (kept for its storage) */
};
PlatformState g_plat;

bool display_named(void) {
  const char *x = getenv("DISPLAY");
  const char *w = getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}

/* Cursor calls: without a display the wait cursor is null and setting a
 * cursor returns null. */
void *wait_cursor(void) { return g_plat.onscreen ? _VLsdl_waitcursor() : nullptr; }
void *set_cursor(void *cursor) { return g_plat.onscreen ? _VLsdl_setcursor(cursor) : nullptr; }
}  // namespace

bool _VLplatform_init(void) {
  if (g_plat.initialised) return g_plat.onscreen;
  g_plat.initialised = true;
  _VLcursor_setcalls(wait_cursor, set_cursor);
  const char *off = getenv("VLXOFFSCREEN");
  g_plat.onscreen = !(off && *off) && display_named() && _VLsdl_init();
  return g_plat.onscreen;
}

bool _VLplatform_onscreen(void) { return g_plat.onscreen; }

void _VLplatform_shutdown(void) {
  if (g_plat.onscreen) _VLsdl_shutdown();
  g_plat.initialised = false;
  g_plat.onscreen = false;
  g_plat.queue.clear();
  g_plat.quit = false;
  std::lock_guard<std::mutex> hold(g_plat.noticelock);
  g_plat.notices.clear();
}

void _VLplatform_setproc(VLwndproc proc) { g_plat.proc = proc; }

void _VLplatform_displaysize(int *width, int *height) {
  *width = 1024;
  *height = 768;
  if (g_plat.onscreen) _VLsdl_displaysize(width, height);
}

void _VLplatform_deliver(VLsyswindow *w, int msg, long a, long b) {
  if (g_plat.proc && w) g_plat.proc(w->owner, w, msg, a, b);
}

VLsyswindow *_VLplatform_newwindow(void *owner, int x, int y, int width, int height,
                                   bool border) {
  VLsyswindow *w = new VLsyswindow{owner, nullptr, false, x, y, width, height};
  if (g_plat.onscreen && !_VLsdl_newwindow(w, x, y, width, height, border)) {
    delete w;
    return nullptr;
  }
  return w;
}

VLsyswindow *_VLplatform_attach(void *owner, uintptr_t native) {
  VLsyswindow *w = new VLsyswindow{owner, nullptr, true, 0, 0, 64, 64};
  if (g_plat.onscreen && native && !_VLsdl_attach(w, native)) {
    delete w;
    return nullptr;
  }
  return w;
}

void _VLplatform_destroywindow(VLsyswindow *w) {
  if (!w) return;
  for (auto it = g_plat.queue.begin(); it != g_plat.queue.end();)
    it = it->w == w ? g_plat.queue.erase(it) : it + 1;
  _VLplatform_deliver(w, VLWM_DESTROY, 0, 0);
  if (w->sdl) _VLsdl_destroywindow(w);
  delete w;
}

void _VLplatform_resized(VLsyswindow *w, int width, int height) {
  if (!w || width < 1 || height < 1) return;
  w->width = width;
  w->height = height;
  _VLplatform_deliver(w, VLWM_SIZE, width, height);
}

void _VLplatform_input(VLsyswindow *w, int msg, long a, long b) { _VLplatform_deliver(w, msg, a, b); }

void _VLplatform_clientrect(VLsyswindow *w, int *x, int *y, int *width, int *height) {
  *x = w->x;
  *y = w->y;
  *width = w->width;
  *height = w->height;
}

void _VLplatform_present(VLsyswindow *w, const uint8_t *rgba, int width, int height) {
  if (w && w->sdl) _VLsdl_present(w, rgba, width, height);
}

void _VLplatform_capture(VLsyswindow *w, bool on) {
  if (w && w->sdl) _VLsdl_capture(on);
}

void _VLplatform_post(VLsyswindow *w, int msg, long a, long b) {
  if (w) g_plat.queue.push_back(Posted{w, msg, a, b});
}

void _VLplatform_postnotice(int msg, long a, long b) {
  std::lock_guard<std::mutex> hold(g_plat.noticelock);
  g_plat.notices.push_back(Posted{nullptr, msg, a, b});
}

void _VLplatform_postquit(void) { g_plat.quit = true; }

namespace {
/* Notices that arrived so far go to the window procedure without a window. */
/* The two vectors trade places, so a pump without notices allocates
 * nothing and one with notices reuses their storage. */
void deliver_notices(void) {
  std::vector<Posted> &taken = g_plat.delivering;
  taken.clear();
  {
    std::lock_guard<std::mutex> hold(g_plat.noticelock);
    if (g_plat.notices.empty()) return;
    taken.swap(g_plat.notices);
  }
  for (const Posted &p : taken)
    if (g_plat.proc) g_plat.proc(nullptr, nullptr, p.msg, p.a, p.b);
}
}  // namespace

bool _VLplatform_pump(void) {
  if (g_plat.onscreen && _VLsdl_poll()) g_plat.quit = true;
  deliver_notices();
  /* Messages posted while delivering wait for the next pump. */
  size_t n = g_plat.queue.size();
  for (size_t i = 0; i < n && !g_plat.queue.empty(); ++i) {
    Posted p = g_plat.queue.front();
    g_plat.queue.pop_front();
    _VLplatform_deliver(p.w, p.msg, p.a, p.b);
  }
  bool quit = g_plat.quit;
  g_plat.quit = false;
  return quit;
}
