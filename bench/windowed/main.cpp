/* rendertestw: the windowed rendering benchmark. A frame with a menu bar
 * drives the benchmark of rendertest; the toolkit renders off screen and
 * each finished frame is shown in the frame's child window "Vylmar". One
 * simulation frame runs per idle call while the idle switch is set.
 * Usage: rendertestw [width height] [-b<file>]; a batch file runs as in
 * rendertest, and the menus follow every line.
 * For tests, VLXW_SCRIPT holds menu texts separated by "|" that are chosen
 * one per frame once no measurement runs (also "@wait=N" frames,
 * "@snap=FILE" the child window's image, "@shot=FILE" the whole frame,
 * "@menu=TITLE" opens a popup of the menu bar, "@resize=WxH" gives the
 * frame a new outer size as a drag of its border would, "@close" closes
 * the frame);
 * VLXW_TRACE prints the menu states after every change. */
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "bench.h"
#include "menus.h"
#include "core/messages.h"
#include "vlx/vlx.h"
#include "widgets.h"

namespace {

struct Program {
  int width = 640, height = 480;     /* the render area */
  Widget *app = nullptr, *frame = nullptr, *view = nullptr;
  bool idle = false;                 /* the idle switch: run simulation frames */
  bool exiting = false;
  std::vector<uint8_t> pixels;       /* the last frame, for the child window */
  std::vector<std::string> script;   /* test script: menu texts and @-steps */
  size_t next = 0;
  int wait = 0;
};

Program &program(void) {
  static Program p;
  return p;
}

/* One edge of the render area from a plain argument: an argument that is
 * no number keeps the default; a number from 1 to BENCH_MAXAREA is taken,
 * raised to the render context's minimum of BENCH_MINAREA; any other
 * number (the range is wide enough that none overflows) is refused. */
bool area_edge(const char *arg, const char *which, int *edge) {
  char *end = nullptr;
  long long v = strtoll(arg, &end, 10);
  if (end == arg) return true;
  if (v < 1 || v > BENCH_MAXAREA) {
    VLMSG(AREA_RANGE, which, arg, BENCH_MAXAREA);
    return false;
  }
  *edge = v < BENCH_MINAREA ? BENCH_MINAREA : int(v);
  return true;
}

/* "-b<file>" (either case) opens a batch file; the first two plain
 * arguments are the width and the height. False, after the message, when
 * the batch file cannot be opened or a size is out of range. */
bool parse_arguments(int argc, char **argv) {
  Program &p = program();
  int plain = 0;
  for (int i = 1; i < argc; ++i) {
    const char *a = argv[i];
    if (a[0] == '-') {
      if (bench_batchoption(a) >= 0) continue;
      VLMSG(BAD_BATCH);
      return false;
    }
    if (plain == 0 && !area_edge(a, "width", &p.width)) return false;
    if (plain == 1 && !area_edge(a, "height", &p.height)) return false;
    ++plain;
  }
  return true;
}

/* Child 1 of the model switch is the world model, or an empty Separator
 * put in its place when "final.wrl" could not be loaded. */
bool world_loaded(void) {
  VLnode *c = VLnode_getchild(bench().modelswitch, 1);
  return c && !(VLnode_gettype(c) == VLNODE_SEPARATOR && VLnode_numchildren(c) == 0);
}

/* "Exit" and closing the frame: the frame goes, then the universe; the
 * message loop returns 0. */
void quit_program(void) {
  Program &p = program();
  if (p.exiting) return;
  p.exiting = true;
  p.idle = false;
  wl_setidle(nullptr);
  wl_destroy(p.frame);
  VLuniverse_delete();
  wl_quit(0);
}

void on_close(Widget *, uintptr_t) { quit_program(); }

void on_scene(void) { menus_refresh("scene", false); }

void on_measured(void) { menus_refresh("measurement", false); }

/* Copies the toolkit window's last frame into the child window: the
 * buffer has the window's size and the read-back fills no more of it. */
void show_frame(void) {
  Program &p = program();
  VLwindow *w = VLuniverse_getwindows();
  int W = 0, H = 0;
  VLwindow_getposition(w, nullptr, nullptr, &W, &H);
  if (!w || W <= 0 || H <= 0) return;
  p.pixels.resize(size_t(W) * size_t(H) * 4);
  if (VLrenderer_readpixels(w, p.pixels.data(), W, H))
    wl_view_setframe(p.view, p.pixels.data(), W, H);
}

/* The child window changed size (the frame was resized): the toolkit
 * window follows through the window layer's size message, so the frame
 * it renders fills the child and the reports give the real size. */
void on_view_size(Widget *view, uintptr_t) {
  VLwindow *w = VLuniverse_current() ? VLuniverse_getwindows() : nullptr;
  int W = 0, H = 0;
  wl_view_size(view, &W, &H);
  if (w) VLwindow_setsize(w, W, H);
}

/* Mouse events over the child window go to the toolkit window it shows,
 * so the terrain scene's mouse sensor flies the viewpoint. */
void on_view_mouse(Widget *view, uintptr_t) {
  static const int events[] = {VLMOUSE_MOVE, VLMOUSE_DOWN, VLMOUSE_UP, VLMOUSE_DOUBLE};
  VLwindow *w = VLuniverse_current() ? VLuniverse_getwindows() : nullptr;
  WidgetMouse m = wl_view_mouse(view);
  if (w && m.event >= 0 && m.event <= 3) VLwindow_mouse(w, events[m.event], m.button, m.x, m.y);
}

void load_script(void) {
  const char *s = getenv("VLXW_SCRIPT");
  if (!s || !*s) return;
  std::string all = s;
  size_t at = 0;
  while (at <= all.size()) {
    size_t bar = all.find('|', at);
    if (bar == std::string::npos) bar = all.size();
    if (bar > at) program().script.push_back(all.substr(at, bar - at));
    at = bar + 1;
  }
}

/* One step of the test script, run after a frame while no measurement runs. */
void script_step(void) {
  Program &p = program();
  if (p.next >= p.script.size() || bench().measuring) return;
  if (p.wait > 0) {
    --p.wait;
    return;
  }
  const std::string s = p.script[p.next++];
  if (s.compare(0, 6, "@wait=") == 0) {
    p.wait = atoi(s.c_str() + 6);
  } else if (s.compare(0, 6, "@snap=") == 0) {
    if (!wl_view_save(p.view, s.c_str() + 6)) VLMSG(WIN_CANNOT_SAVE, s.c_str() + 6);
  } else if (s.compare(0, 6, "@shot=") == 0) {
    if (!wl_frame_save(p.frame, s.c_str() + 6)) VLMSG(WIN_CANNOT_SAVE, s.c_str() + 6);
  } else if (s.compare(0, 8, "@resize=") == 0) {
    int W = 0, H = 0;
    if (sscanf(s.c_str() + 8, "%dx%d", &W, &H) == 2) wl_resize(p.frame, W, H);
  } else if (s == "@close") {
    wl_close(p.frame);
  } else if (s.compare(0, 6, "@menu=") == 0) {
    wl_popup_open(wl_findpopup(s.c_str() + 6));
  } else if (Widget *item = wl_finditem(s.c_str())) {
    if (!wl_enabled(item)) menus_trace((wl_text(item) + " (grayed)").c_str());
    wl_choose(item->command);
  } else {
    VLMSG(WIN_NO_MENU_ITEM, s.c_str());
  }
}

/* The idle function: one simulation frame, its picture, the menus. */
void idle_frame(void) {
  Program &p = program();
  if (!p.idle || !VLuniverse_current()) return;
  VLuniverse_go1();
  show_frame();
  menus_refresh("frame", false);
  script_step();
}

void init_state(void) {
  bench_initstate();
  Bench &b = bench();
  b.windowed = true;
  b.onscene = on_scene;
  b.onmeasured = on_measured;
}

/* Qt needs a display server; without one it draws off screen. */
void choose_qt_platform(void) {
  const char *x = getenv("DISPLAY"), *w = getenv("WAYLAND_DISPLAY");
  if ((x && *x) || (w && *w) || getenv("QT_QPA_PLATFORM")) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace

int main(int argc, char **argv) {
  Program &p = program();
  choose_qt_platform();
  p.app = wl_application(argc, argv, "TopLevel");
  if (!parse_arguments(argc, argv)) return 1;
  init_state();
  /* The frame is sized from its child below, once the menu bar exists. */
  p.frame = wl_frame(p.app, "VLX Rendering Test", 0, 0, p.width, p.height);
  menus_build(p.frame);
  menus_setexit(quit_program);
  /* The toolkit draws off screen; the child window shows its frames. */
  setenv("VLXOFFSCREEN", "1", 1);
  VLtoolkit_setprogram(VLPROGRAM_WINDOWED);
  VLuniverse_new(512, 0);
  if (!VLuniverse_current()) return 1;
  p.view = wl_view(p.frame, "Vylmar", BENCH_MINAREA, BENCH_MAXAREA);
  wl_view_fit(p.view, p.width, p.height);
  VLwindow *window = VLwindow_new(0, 0, p.width, p.height, VLWINDOW_NOBORDER);
  if (!window) {
    VLuniverse_delete();
    return 1;
  }
  /* The off-screen display limits a new window to its size: the child's
   * size is the one to render. */
  on_view_size(p.view, 0);
  wl_addcallback(p.view, WL_EVENT_SIZE, on_view_size, 0);
  wl_addcallback(p.view, WL_EVENT_MOUSE, on_view_mouse, 0);
  bench_startup();
  menus_setworld(world_loaded());
  menus_refresh("start-up", true);
  VLuniverse_setbgcolor(0, 0, 0);
  VLuniverse_setactions(bench_idle);
  VLuniverse_ready();
  wl_addcallback(p.frame, WL_EVENT_CLOSE, on_close, 0);
  wl_show(p.frame);
  load_script();
  p.idle = true;
  wl_setidle(idle_frame);
  return wl_run(p.app);
}
