/* vlview FILE [FILE...]: the model viewer. Loads every file with
 * VLnode_load into one scene, places the viewpoint to see the whole
 * bounding sphere and shows it in an on-screen window (off screen when
 * there is no display). The mouse flies the viewpoint through the
 * window-mouse sensor; keys: w wireframe, l lighting, s smooth shading,
 * t texturing, b bounding boxes, r reset the view, p start/stop recording
 * a path (saved with VLpath_save to VLXVIEWPATH, default "vlview.pth"),
 * P play it back, i frame rate and scene totals, q or Escape quit.
 * For scripts and tests: VLXVIEWKEYS feeds its characters as keys, one per
 * frame; VLXVIEWFRAMES=N quits after N frames, first saving the window's
 * last frame as a PNG to VLXVIEWSAVE when that is set. Exit status 0 when
 * anything loaded, 1 when nothing did. */
#include <stdlib.h>
#include <string.h>

#include <math.h>

#include <string>

#include "core/messages.h"
#include "platform/platform.h"
#include "vlx/vlx.h"

namespace {

#define VIEW_MAXFRAMES 1000000

struct Viewer {
  VLnode *models = nullptr;        /* the loaded files, one group */
  VLviewpoint *viewpoint = nullptr;
  VLwindow *window = nullptr;
  VLsensor *sensor = nullptr;
  VLpath *path = nullptr;          /* the recorded or loaded path */
  VLp3 home = {0, 0, 0};           /* the start position (reset) */
  uint8_t options = VLRENDER_TEXTURE | VLRENDER_LIGHTING | VLRENDER_SMOOTH | VLRENDER_PERSPECTIVE;
  bool wireframe = false, boxes = false;
  std::string pathfile = "vlview.pth";
  /* scripted runs */
  std::string keys;                /* VLXVIEWKEYS */
  long maxframes = 0;              /* VLXVIEWFRAMES; 0: until quit */
  const char *savefile = nullptr;  /* VLXVIEWSAVE */
  bool savefailed = false;
  /* frame rate */
  long frames = 0;                 /* action calls so far */
  long ratefrom = 0;               /* frame count at the last rate report */
  double ratetime = 0.0;           /* clock at the last rate report */
};

Viewer &viewer(void) {
  static Viewer v;
  return v;
}

const char *onoff(bool on) { return on ? "On" : "Off"; }

/* ---------- scene totals ---------- */

struct Totals {
  int nodes = 0, geometries = 0;
  long vertices = 0, polygons = 0;
};

void count(Totals &t, VLnode *n) {
  ++t.nodes;
  if (n->type == VLNODE_GEOMETRY) {
    if (VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry) {
      ++t.geometries;
      for (VLvertex *v = g->vertices; v; v = v->next) ++t.vertices;
      for (VLpoly *p = g->polys; p; p = p->next) ++t.polygons;
    }
  }
  for (int i = 0; i < VLnode_numchildren(n); ++i) count(t, VLnode_getchild(n, i));
}

void print_stats(void) {
  Viewer &v = viewer();
  double now = VLclock_seconds(), dt = now - v.ratetime;
  double rate = dt > 0.0 ? double(v.frames - v.ratefrom) / dt : 0.0;
  v.ratefrom = v.frames;
  v.ratetime = now;
  Totals t;
  for (int i = 0; i < VLnode_numchildren(v.models); ++i) count(t, VLnode_getchild(v.models, i));
  VLMSG(VIEW_STATS, rate, t.nodes, t.geometries, t.vertices, t.polygons,
        VLwindow_numpolys(v.window));
}

/* ---------- view ---------- */

/* Looking along +z from in front of the bounding sphere, far enough back
 * for the sphere to fit the narrower (vertical) view angle. */
void place_view(void) {
  Viewer &v = viewer();
  float mid[3] = {0, 0, 0};
  float r = VLnode_getradius(v.models);
  if (!VLnode_getmidpoint(v.models, mid) || !(r > 0.0f)) r = 1.0f;
  const float half = 0.6981317f;   /* 40 degrees across the width */
  int w = 640, h = 480;
  VLwindow_getposition(v.window, nullptr, nullptr, &w, &h);
  float tv = tanf(half) * (w > 0 ? float(h) / float(w) : 1.0f);
  float narrow = atanf(tv < tanf(half) ? tv : tanf(half));
  float dist = r / sinf(narrow) * 1.05f;
  v.home = VLp3{mid[0], mid[1], mid[2] - dist};
  VLviewpoint_setangle(v.viewpoint, half);
  VLviewpoint_sethither(v.viewpoint, r * 0.001f);
  VLviewpoint_setyon(v.viewpoint, (dist + r) * 100.0f);
  if (v.sensor) VLsensor_setsensitivity(v.sensor, r * 0.04f);
}

void reset_view(void) {
  Viewer &v = viewer();
  if (v.path && VLpath_isplaying(v.path)) VLpath_stop(v.path);
  VLviewpoint_setposition(v.viewpoint, &v.home);
  VLq identity = {0, 0, 0, 1};
  VLviewpoint_setorientation(v.viewpoint, &identity);
}

void apply_rendering(void) {
  Viewer &v = viewer();
  VLuniverse_setrendering(v.wireframe ? uint8_t(VLRENDER_WIREFRAME) : v.options);
}

void toggle_option(uint8_t bit, const char *name) {
  Viewer &v = viewer();
  v.options ^= bit;
  apply_rendering();
  VLMSG(VIEW_TOGGLE, name, onoff(v.options & bit));
}

void set_boxes(VLnode *n, bool on) {
  if (on) n->flags |= VLNODEFLAG_SHOWBOX;
  else n->flags &= uint8_t(~VLNODEFLAG_SHOWBOX);
  for (int i = 0; i < VLnode_numchildren(n); ++i) set_boxes(VLnode_getchild(n, i), on);
}

/* ---------- paths ---------- */

void toggle_recording(void) {
  Viewer &v = viewer();
  if (v.path && v.path->state == VLPATH_RECORDING) {
    VLpath_stop(v.path);
    if (VLpath_save(v.path, v.pathfile.c_str()))
      VLMSG(VIEW_PATH_SAVED, v.path->count, v.pathfile.c_str());
    else
      VLMSG(VIEW_PATH_NOT_SAVED, v.pathfile.c_str());
    return;
  }
  if (v.path) VLpath_delete(v.path);
  v.path = VLpath_new(nullptr);
  if (!v.path) return;
  VLpath_record(v.path, nullptr);   /* samples the current viewpoint */
  VLMSG(VIEW_RECORDING);
}

void play_path(void) {
  Viewer &v = viewer();
  if (v.path && v.path->state == VLPATH_RECORDING) toggle_recording();
  if (!v.path || v.path->count == 0) {
    if (v.path) VLpath_delete(v.path);
    v.path = VLpath_load(v.pathfile.c_str(), nullptr);
  }
  if (!v.path || v.path->count == 0) {
    VLMSG(VIEW_NO_PATH);
    return;
  }
  VLpath_stop(v.path);
  VLpath_rewind(v.path);
  VLpath_play(v.path);
  VLMSG(VIEW_PLAYING, v.path->count);
}

/* ---------- keys and frames ---------- */

void handle_key(int key) {
  Viewer &v = viewer();
  switch (key) {
    case 'w':
      v.wireframe = !v.wireframe;
      apply_rendering();
      VLMSG(VIEW_TOGGLE, "Wireframe", onoff(v.wireframe));
      break;
    case 'l': toggle_option(VLRENDER_LIGHTING, "Lighting"); break;
    case 's': toggle_option(VLRENDER_SMOOTH, "Smooth Shading"); break;
    case 't': toggle_option(VLRENDER_TEXTURE, "Texturing"); break;
    case 'b':
      v.boxes = !v.boxes;
      set_boxes(v.models, v.boxes);
      VLMSG(VIEW_TOGGLE, "Bounding boxes", onoff(v.boxes));
      break;
    case 'r':
      reset_view();
      VLMSG(VIEW_RESET);
      break;
    case 'p': toggle_recording(); break;
    case 'P': play_path(); break;
    case 'i': print_stats(); break;
    case 'q':
    case 'Q':
    case 27: VLuniverse_stop(); break;
    default: break;
  }
}

/* The action function: keys typed (and scripted), then the frame limit. */
void view_action(void) {
  Viewer &v = viewer();
  ++v.frames;
  if (v.maxframes > 0 && v.frames > v.maxframes) {
    if (v.savefile && !VLrenderer_savepng(v.window, v.savefile)) {
      VLMSG(VIEW_CANNOT_SAVE, v.savefile);
      v.savefailed = true;
    }
    VLuniverse_stop();
    return;
  }
  if (size_t(v.frames) <= v.keys.size()) handle_key(static_cast<unsigned char>(v.keys[size_t(v.frames - 1)]));
  for (int k = VLkey_get(); k; k = VLkey_get()) handle_key(k);
}

/* ---------- start-up ---------- */

bool read_environment(void) {
  Viewer &v = viewer();
  if (const char *p = getenv("VLXVIEWPATH"); p && *p) v.pathfile = p;
  if (const char *k = getenv("VLXVIEWKEYS")) v.keys = k;
  if (const char *s = getenv("VLXVIEWSAVE"); s && *s) v.savefile = s;
  if (const char *f = getenv("VLXVIEWFRAMES"); f && *f) {
    char *end = nullptr;
    long n = strtol(f, &end, 10);
    if (*end || n < 1 || n > VIEW_MAXFRAMES) {
      VLMSG(VIEW_BAD_FRAMES, f, VIEW_MAXFRAMES);
      return false;
    }
    v.maxframes = n;
  }
  return true;
}

/* Loads every file under the models group; the number that loaded. */
int load_files(int argc, char **argv) {
  int loaded = 0;
  for (int i = 1; i < argc; ++i) {
    if (VLnode_load(viewer().models, argv[i], 1.0f))
      ++loaded;
    else
      VLMSG(VIEW_NOT_LOADED, argv[i]);
  }
  return loaded;
}

void setup_scene(void) {
  Viewer &v = viewer();
  v.viewpoint = VLuniverse_getviewpoints();
  v.window = VLuniverse_getwindows();
  VLdirlightnode_new(VLuniverse_getrootnode());
  v.sensor = VLsensor_new(VLmouse_open, VLmouse_close, VLmouse_update, nullptr, 1, 0);
  if (v.sensor) VLviewpoint_addsensor(v.viewpoint, v.sensor);
  place_view();
  reset_view();
  apply_rendering();
  VLuniverse_setbgcolor(40, 40, 56);
  v.ratetime = VLclock_seconds();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    VLMSG(VIEW_USAGE);
    return 1;
  }
  if (!read_environment()) return 1;
  VLtoolkit_setprogram(VLPROGRAM_CONSOLE);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) {
    VLMSG(VIEW_NO_UNIVERSE);
    return 1;
  }
  if (!_VLplatform_onscreen()) VLMSG(VIEW_OFFSCREEN);
  Viewer &v = viewer();
  v.models = VLgroupnode_new(VLuniverse_getrootnode());
  if (load_files(argc, argv) == 0) {
    VLMSG(VIEW_NOTHING_LOADED);
    VLuniverse_delete();
    return 1;
  }
  setup_scene();
  VLuniverse_setactions(view_action);
  VLuniverse_ready();
  VLuniverse_go();
  VLuniverse_delete();
  return v.savefailed ? 1 : 0;
}
