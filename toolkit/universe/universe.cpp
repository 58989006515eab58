/* The universe record: creation in its fixed order, teardown, the settings
 * operations, universe files (read by their type: the neutral file
 * formats give objects and portals, 3D Studio and SLP files objects) and
 * the clearing of the universe content. The loop itself is in loop.cpp. */
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "devices/loop.h"
#include "display/loop.h"
#include "geometry/loop.h"
#include "motion/loop.h"
#include "object/loop.h"
#include "render/loop.h"
#include "scene/loop.h"
#include "texture/loop.h"
#include "core/messages.h"
#include "core/state.h"
#include "universe/universe_state.h"
#include "universe/tasks.h"
#include "universe/universe_internal.h"
#include "vlx/3ds.h"
#include "vlx/diag.h"
#include "vlx/dxf.h"
#include "vlx/file.h"
#include "vlx/geometry.h"
#include "vlx/nff.h"
#include "vlx/obj.h"
#include "vlx/object.h"
#include "vlx/node.h"
#include "vlx/renderer.h"
#include "vlx/slp.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

void do_nothing(void) {}

const char *build_date(void) {
  return VLtoolkit_program() == VLPROGRAM_WINDOWED ? "Sep 11 1996" : "Sep  3 1996";
}

void print_banner(void) {
  VLMSG(BANNER, "6", build_date());
  VLMSG(BANNER_NOTICE);
  if (VLtoolkit_program() == VLPROGRAM_CONSOLE) VLMSG(BANNER_CONSOLE);
}

/* Creation step 3: lists cleared (zero fill), clock ring, counters, options. */
void init_record(VLuniverse *u) {
  VLcorestate &core = _VLcore();
  int64_t now = _VLclock_ms();
  for (int i = 0; i < VLCLOCK_RING; ++i) core.ring[i] = now;
  core.ringindex = 0;
  u->framerate = 0.0f;
  u->framecount = 0;
  u->action = do_nothing;
  u->scale[0] = u->scale[1] = u->scale[2] = 1.0f;
  u->contentscale = 1.0f;
  u->two = 2;
  u->rendering = 13;
  u->portalsenabled = 1;
  u->running = 0;
  u->nevents = 4;
  for (int i = 0; i < 4; ++i) u->events[i] = static_cast<uint16_t>(i + 1);
}

/* Creation step 4: what the universe takes from the settings. */
void take_settings(VLuniverse *u) {
  const VLsettings *s = u->settings;
  u->ambientrgb[0] = static_cast<uint8_t>(s->ambientrgb >> 16);
  u->ambientrgb[1] = static_cast<uint8_t>(s->ambientrgb >> 8);
  u->ambientrgb[2] = static_cast<uint8_t>(s->ambientrgb);
  u->ambient = s->ambient;
  u->bgcolor = s->bgcolor;
  u->scale[0] = u->scale[1] = u->scale[2] = 1.0f;
}

void free_record(VLuniverse *u) {
  free(u->name);
  free(u->settings);
  free(u);
  _VLuniverses().universe = nullptr;
  _VLmsg_setteardown(nullptr);
}

void free_entries(VLunloadentry *&head) {
  while (head) {
    VLunloadentry *next = head->next;
    free(head->name);
    free(head);
    head = next;
  }
}

void add_entry(VLunloadentry *&head, const char *name, void (*fn)(void)) {
  VLunloadentry *e = static_cast<VLunloadentry *>(VLmalloc(sizeof(VLunloadentry)));
  e->name = VLstrdup(name);
  e->fn = fn;
  e->next = head;
  head = e;
}

}  // namespace

VLuniverse *VLuniverse_current(void) { return _VLuniverses().universe; }

void VLuniverse_new(int configuration, int flags) {
  /* The families above scene and geometry answer their events from now on,
   * whatever made the data they hang on nodes, geometries and polygons. */
  _VLrender_registerevents();
  _VLtexture_registerevents();
  _VLobjects_registerevents();
  _VLmotion_registerevents();
  print_banner();
  VLuniverse *u = static_cast<VLuniverse *>(VLmalloc(sizeof(VLuniverse)));
  memset(u, 0, sizeof *u);
  _VLuniverses().universe = u;
  _VLmsg_setteardown(VLuniverse_delete);
  u->name = VLstrdup("untitled");
  u->settings = static_cast<VLsettings *>(VLmalloc(sizeof(VLsettings)));
  VLsettings_setdefaults(u->settings);
  init_record(u);
  VLini_read();
  take_settings(u);
  _VLviewpoint_newcurrent(u);
  /* The default scene: the Root that the first windows draw and that
   * VLuniverse_getrootnode returns. */
  VLrootnode_new();
  u->ready = 0;
  VLrenderer_init(configuration, flags);
  if (u->ready != VLRENDERER_READY) {
    free_record(u);
    return;
  }
  _VLviewpoint_applysettings(u);
}

void VLuniverse_delete(void) {
  VLuniverse *u = _VLuniverses().universe;
  if (!u) return;
  _VLsensors_deleteall(u);
  _VLpaths_deleteall(u);
  _VLlights_deletelist(u, 2);
  u->lights[2] = nullptr;
  u->paths = nullptr;
  VLuniverse_clear();
  free(u->name);
  u->name = nullptr;
  _VLlights_deletelist(u, 0);
  _VLlights_deletelist(u, 1);
  _VLtasks_clear();
  _VLviewpoints_deleteall(u);
  free_entries(_VLuniverses().loadedmodels);
  free_entries(_VLuniverses().unloads);
  _VLwindows_deleteall(u);
  VLscene_deleteall(1);
  _VLgeometry_releasetables();
  _VLtexture_releasetables();
  VLrenderer_close();
  free_record(u);
}

void VLuniverse_clear(void) {
  VLuniverse *u = _VLuniverses().universe;
  if (!u) return;
  if (u->name) {
    for (VLunloadentry *e = _VLuniverses().unloads; e; e = e->next)
      if (strcasecmp(e->name, u->name) == 0) {
        e->fn();
        break;
      }
  }
  if (_VLuniverses().globalunload) _VLuniverses().globalunload();
  free(u->name);
  u->name = VLstrdup("untitled");
  _VLuniverse_deletecontent(u);
  u->sequences = nullptr;
  u->objects = nullptr;
  u->portals = nullptr;
  u->holders = nullptr;
  u->holder = nullptr;
  _VLtasks_clear();
  free(u->world);
  u->world = nullptr;
  u->contentscale = 1.0f;
}

void VLuniverse_setbgcolor(uint8_t r, uint8_t g, uint8_t b) {
  VLuniverse *u = _VLuniverses().universe;
  uint32_t packed = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
  _VLwindows_setbgcolor(u, packed);
  u->bgcolor = packed;
}

void VLuniverse_setrendering(uint8_t v) {
  VLuniverse *u = _VLuniverses().universe;
  bool wire_now = u->rendering >= VLRENDER_WIREFRAME;
  bool wire_new = v >= VLRENDER_WIREFRAME;
  if (wire_now != wire_new) u->renderchanged = 1;
  u->rendering = wire_new ? uint8_t(VLRENDER_WIREFRAME) : v;
  u->unchanged = 0;
}

void VLuniverse_setactions(VLaction fn) { _VLuniverses().universe->action = fn ? fn : do_nothing; }

VLviewpoint *VLuniverse_getviewpoint(void) { return _VLuniverses().universe->viewpoint; }

void VLuniverse_setviewpoint(VLviewpoint *vp) {
  VLuniverse *u = _VLuniverses().universe;
  if (!vp || !_VLviewpoint_inlist(u, vp)) return;
  u->viewpoint = vp;
  _VLwindows_takeviewpoint(u, vp);
  u->unchanged = 0;
}

VLviewpoint *VLuniverse_getviewpoints(void) { return _VLuniverses().universe->viewpoints; }
VLwindow *VLuniverse_getwindows(void) { return _VLuniverses().universe->windows; }

VLnode *VLuniverse_getrootnode(void) {
  VLrootcell *cell = _VLuniverses().universe->roots;
  return cell ? cell->node : nullptr;
}

namespace {

/* Objects (and their holders) for the nodes a universe file gave. */
void install_objects(VLnodecell *nodes) {
  while (nodes) {
    VLnodecell *next = nodes->next;
    VLobject *o = VLobject_newfromnode(nodes->node, 0);
    if (o) VLobjectholder_new(o);
    free(nodes);
    nodes = next;
  }
}

/* Holders for the objects an SLP file gave; false when none. */
bool install_slp(VLobjectcell *objects) {
  bool any = objects != nullptr;
  while (objects) {
    VLobjectcell *next = objects->next;
    VLobjectholder_new(objects->object);
    free(objects);
    objects = next;
  }
  return any;
}

/* A one-geometry reader's result as one Geometry node (under the orphan
 * holder, named after the geometry) in a list of one cell; null for none. */
VLnodecell *one_node(VLgeometry *g) {
  if (!g) return nullptr;
  VLnode *n = VLgeometrynode_new(nullptr, g);
  if (!n) {
    VLgeometry_delete(g);
    return nullptr;
  }
  VLnode_setname(n, g->name);
  VLnodecell *c = static_cast<VLnodecell *>(VLmalloc(sizeof(VLnodecell)));
  c->node = n;
  c->next = nullptr;
  return c;
}

/* The content of an open universe file by its type; false when none. */
bool read_universe(FILE *stream, const char *path, int type, float scale) {
  VLview view;
  VLportal *portals = nullptr;
  VLnodecell *nodes = nullptr;
  switch (type) {
    case VLFILE_NFF:
      nodes = VLnff_load(stream, path, &view, scale, true, &portals, 0);
      break;
    case VLFILE_BNFF:
      nodes = VLbnff_load(stream, path, &view, scale, true, &portals, 0);
      break;
    case VLFILE_DXF:
      nodes = VLdxf_load(stream, path, &view, scale, true, 0);
      break;
    case VLFILE_3DS:
      nodes = VL3ds_load(stream, path, scale, false, 0);
      break;
    case VLFILE_SLP:
      return install_slp(VLslp_read_objects(stream, path, scale, 0, 0));
    case VLFILE_OBJ:
      nodes = one_node(VLobj_read(stream, path, scale));
      break;
    case VLFILE_3DG1:
      nodes = one_node(VL3dg1_read(stream, path, scale));
      break;
    case VLFILE_OLDBIN1: case VLFILE_OLDBIN2:
      VLMSG(OLD_BINARY);
      return false;
    default:
      VLMSG(UNKNOWN_FILETYPE, path);
      return false;
  }
  if (!nodes) return false;
  install_objects(nodes);
  return true;
}

}  // namespace

bool VLuniverse_load(const char *name, VLbounds *bounds, float scale) {
  VLuniverse *u = _VLuniverses().universe;
  if (!name || !u) return false;
  if (!(scale >= 1e-20f)) {
    VLMSG(BAD_SCALE);
    return false;
  }
  if (bounds) {
    memset(bounds, 0, sizeof *bounds);
    bounds->scale = 1.0f;
  }
  const char *found = VLfile_findmodel(name);
  if (!found) return false;
  std::string path(found);
  int type = VLfile_type(path.c_str());
  FILE *stream = fopen(path.c_str(), "rb");
  if (!stream) return false;
  VLuniverse_clear();
  bool loaded = read_universe(stream, path.c_str(), type, scale);
  fclose(stream);
  return loaded;
}

void _VLuniverse_registerunload(const char *name, void (*fn)(void)) {
  if (name && fn) add_entry(_VLuniverses().unloads, name, fn);
}

void _VLuniverse_setglobalunload(void (*fn)(void)) { _VLuniverses().globalunload = fn; }

void _VLuniverse_registermodel(const char *name) {
  if (name) add_entry(_VLuniverses().loadedmodels, name, nullptr);
}
