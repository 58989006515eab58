/* The menu tree of rendertestw (Test, Render, Vertex, Texture, Models), the
 * command of each item, and the items whose text or gray state follows the
 * benchmark state. Each item runs its command and then a refresh; scene
 * builders, batch lines and measurements refresh through the same code, so
 * texts never disagree with the state, whoever changed it. */
#include "menus.h"

#include "core/messages.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "bench.h"
#include "widgets.h"

namespace {

/* An item that the refresh keeps up to date. Items with texts show "on" or
 * "off" text for a boolean of the state; "shown" is the value the current
 * text stands for (the texts at creation stand for the start-up values,
 * except Prebuild's, which the first scene corrects). */
struct Tracked {
  const char *key;
  Widget *item;
  bool shown;
  const char *ontext, *offtext;
};

enum {
  T_PREBUILD, T_TRIANGLES, T_QUADS, T_MEASURE, T_WIREFRAME, T_LIGHTING, T_SMOOTH,
  T_TEXTURING, T_PERSPECTIVE, T_NORMALS, T_COLORS, T_POINT, T_BILINEAR, T_MIPMAP,
  T_TERRAIN, T_COUNT
};

struct MenuState {
  Tracked tracked[T_COUNT] = {
      {"Prebuild", nullptr, true, "Turn Prebuild Off", "Turn Prebuild On"},
      {"Triangles", nullptr, false, nullptr, nullptr},
      {"Quads", nullptr, false, nullptr, nullptr},
      {"Measure", nullptr, false, "Stop Measure", "Measure"},
      {"Wireframe", nullptr, false, "Disable Wireframe", "Enable Wireframe Mode"},
      {"Lighting", nullptr, true, "Turn Lighting Off", "Turn Lighting On"},
      {"Smooth", nullptr, true, "Turn Smooth Shading Off", "Turn Smooth Shading On"},
      {"Texturing", nullptr, false, "Turn Texturing Off", "Turn Texturing On"},
      {"Perspective", nullptr, false, "Turn Perspective Texturing Off",
       "Turn Perspective Texturing On"},
      {"Normals", nullptr, true, "Turn Normals Off", "Turn Normals On"},
      {"Colors", nullptr, true, "Turn Colors Off", "Turn Colors On"},
      {"Point", nullptr, false, nullptr, nullptr},
      {"Bilinear", nullptr, false, nullptr, nullptr},
      {"Mipmap", nullptr, false, nullptr, nullptr},
      {"Terrain", nullptr, false, nullptr, nullptr},
  };
  bool worldloaded = true;
  bool trace = false;
  void (*exitfn)(void) = nullptr;
};

MenuState &menus(void) {
  static MenuState m;
  return m;
}

/* The value each tracked item's text stands for. */
bool value_of(int t) {
  const Bench &b = bench();
  switch (t) {
    case T_PREBUILD: return b.prebuild;
    case T_MEASURE: return b.measuring;
    case T_WIREFRAME: return b.wireframe;
    case T_LIGHTING: return b.rendering & 4;
    case T_SMOOTH: return b.rendering & 8;
    case T_TEXTURING: return b.rendering & 1;
    case T_PERSPECTIVE: return b.rendering & 32;
    case T_NORMALS: return b.vertexflags & 2;
    case T_COLORS: return b.vertexflags & 1;
    default: return false;
  }
}

/* Whether each tracked item can be chosen. The terrain and the ripple have
 * no face type or vertex variants; the ripple cannot be prebuilt. */
bool enabled_of(int t) {
  const Bench &b = bench();
  bool grid = !b.terrain && !b.ripple;
  switch (t) {
    case T_PREBUILD: return !b.ripple;
    case T_TRIANGLES: return grid && b.quads;
    case T_QUADS: return grid && !b.quads;
    case T_LIGHTING:
    case T_SMOOTH:
    case T_TEXTURING:
    case T_PERSPECTIVE: return !b.wireframe;
    case T_NORMALS:
    case T_COLORS: return grid;
    case T_POINT: return b.texturemode != 0;
    case T_BILINEAR: return b.texturemode != 1;
    case T_MIPMAP: return b.texturemode != 2;
    case T_TERRAIN: return menus().worldloaded;
    default: return true;
  }
}

/* --- commands (client data: the item's parameter) --- */

void cmd_prebuild(Widget *, uintptr_t) { bench_setprebuild(!bench().prebuild); }

void cmd_facetype(Widget *, uintptr_t quads) {
  bench().quads = quads != 0;
  bench_gridscene(bench().gridsize);
}

void cmd_measure(Widget *, uintptr_t) { bench_measure(); }

void cmd_exit(Widget *, uintptr_t) {
  if (menus().exitfn) menus().exitfn();
}

/* Keyed by the option's bit; 128 is wireframe. */
void cmd_render(Widget *, uintptr_t bit) {
  switch (bit) {
    case 1: bench_togglerendering(TOGGLE_TEXTURE); break;
    case 4: bench_togglerendering(TOGGLE_LIGHTING); break;
    case 8: bench_togglerendering(TOGGLE_SMOOTH); break;
    case 32: bench_togglerendering(TOGGLE_PERSPECTIVE); break;
    case 128: bench_togglerendering(TOGGLE_WIREFRAME); break;
    default: break;
  }
}

void cmd_vertex(Widget *, uintptr_t bit) {
  bench_setvertexflags(uint8_t(bench().vertexflags ^ bit));
}

void cmd_texture(Widget *, uintptr_t mode) { bench_settexturemode(int(mode)); }

void cmd_grid(Widget *, uintptr_t size) { bench_gridscene(int(size)); }

void cmd_multiplier(Widget *, uintptr_t m) {
  bench_setmultiplier(int(m));
}

void cmd_overwrite(Widget *, uintptr_t count) {
  bench_overwritescene(int(intptr_t(count)));
}

void cmd_terrain(Widget *, uintptr_t) { bench_terrainscene(); }

void cmd_ripple(Widget *, uintptr_t) { bench_ripplescene(); }

void cmd_nothing(Widget *, uintptr_t) {}

/* Run before and after every command of an item: the trace names the
 * item by the text it had when it was chosen. */
std::string &chosen_text(void) {
  static std::string text;
  return text;
}

void before_command(Widget *item, uintptr_t) { chosen_text() = wl_text(item); }

void after_command(Widget *, uintptr_t) { menus_refresh(chosen_text().c_str(), true); }

Widget *item(Widget *popup, const char *text, WidgetCallback fn, uintptr_t data,
             bool grayed = false) {
  Widget *w = wl_menuitem(popup, text, grayed);
  wl_addcallback(w, WL_EVENT_COMMAND, before_command, 0);
  wl_addcallback(w, WL_EVENT_COMMAND, fn, data);
  if (fn != cmd_exit) wl_addcallback(w, WL_EVENT_COMMAND, after_command, 0);
  return w;
}

void build_test(Widget *bar) {
  Tracked *t = menus().tracked;
  Widget *test = wl_popup(bar, "Test");
  t[T_PREBUILD].item = item(test, "Turn Prebuild Off", cmd_prebuild, 0);
  Widget *face = wl_popup(test, "Face Type");
  t[T_TRIANGLES].item = item(face, "Triangles", cmd_facetype, 0);
  t[T_QUADS].item = item(face, "Quads", cmd_facetype, 1, true);
  t[T_MEASURE].item = item(test, "Measure", cmd_measure, 0);
  item(test, "Exit", cmd_exit, 0);
}

void build_render(Widget *bar) {
  Tracked *t = menus().tracked;
  Widget *render = wl_popup(bar, "Render");
  t[T_WIREFRAME].item = item(render, "Enable Wireframe", cmd_render, 128);
  t[T_LIGHTING].item = item(render, "Turn Lighting Off", cmd_render, 4);
  t[T_SMOOTH].item = item(render, "Turn Smooth Shading Off", cmd_render, 8);
  t[T_TEXTURING].item = item(render, "Turn Texturing On", cmd_render, 1);
  t[T_PERSPECTIVE].item = item(render, "Turn Perspective Texturing On", cmd_render, 32);
}

void build_vertex_texture(Widget *bar) {
  Tracked *t = menus().tracked;
  Widget *vertex = wl_popup(bar, "Vertex");
  t[T_NORMALS].item = item(vertex, "Turn Normals Off ", cmd_vertex, 2);
  t[T_COLORS].item = item(vertex, "Turn Colors  Off", cmd_vertex, 1);
  Widget *texture = wl_popup(bar, "Texture");
  t[T_POINT].item = item(texture, "Point", cmd_texture, 0);
  t[T_BILINEAR].item = item(texture, "Bilinear", cmd_texture, 1);
  t[T_MIPMAP].item = item(texture, "Mipmap", cmd_texture, 2, true);
}

void build_models(Widget *bar) {
  static const char *const grids[] = {" 10x10  Grid", " 20x20  Grid", " 30x30  Grid",
                                      " 40x40  Grid", " 50x50  Grid", " 60x60  Grid",
                                      " 70x70  Grid", " 80x80  Grid", " 90x90  Grid"};
  static const char *const times[] = {"1X", "2X", "3X", "4X"};
  static const struct { const char *text; int count; } overwrites[] = {
      {"2 overwrites (Front->Back)", 2},   {"2 overwrites (Front<-Back)", -2},
      {"8 overwrites (Front->Back)", 8},   {"8 overwrites (Front<-Back)", -8},
      {"16 overwrites (Front->Back)", 16}, {"16 overwrites (Front<-Back)", -16}};
  Widget *models = wl_popup(bar, "Models");
  for (int i = 0; i < 9; ++i) item(models, grids[i], cmd_grid, uintptr_t(i + 1));
  item(models, " Other...", cmd_nothing, 0, true);
  for (int i = 0; i < 4; ++i) item(models, times[i], cmd_multiplier, uintptr_t(i + 1));
  for (const auto &o : overwrites)
    item(models, o.text, cmd_overwrite, uintptr_t(intptr_t(o.count)));
  menus().tracked[T_TERRAIN].item = item(models, "Terrain", cmd_terrain, 0);
  item(models, "Ripple", cmd_ripple, 0);
}

}  // namespace

void menus_build(Widget *frame) {
  const char *t = getenv("VLXW_TRACE");
  menus().trace = t && *t;
  Widget *bar = wl_menubar(frame);
  build_test(bar);
  build_render(bar);
  build_vertex_texture(bar);
  build_models(bar);
}

void menus_setworld(bool loaded) { menus().worldloaded = loaded; }

void menus_setexit(void (*fn)(void)) { menus().exitfn = fn; }

void menus_refresh(const char *event, bool command) {
  bool changed = false;
  for (int i = 0; i < T_COUNT; ++i) {
    Tracked &t = menus().tracked[i];
    if (!t.item) continue;
    bool v = value_of(i);
    if (t.ontext && v != t.shown) {
      wl_settext(t.item, v ? t.ontext : t.offtext);
      t.shown = v;
      changed = true;
    }
    bool e = enabled_of(i);
    if (wl_enabled(t.item) != e) {
      wl_enable(t.item, e);
      changed = true;
    }
  }
  if (command || changed) menus_trace(event);
}

void menus_trace(const char *event) {
  if (!menus().trace) return;
  std::string line = std::string("menus after \"") + event + "\":";
  for (const Tracked &t : menus().tracked) {
    if (!t.item) continue;
    line += std::string(" ") + t.key + "{" + wl_text(t.item) + "|" +
            (wl_enabled(t.item) ? "1" : "0") + "}";
  }
  VLMSG(WIN_MENU_TRACE, line.c_str());
}
