/* vlxinfo FILE...: loads each model file with VLnode_load (on the null
 * device: nothing is drawn and no window is shown) and prints its detected
 * type, the node tree (type and name, indented) and totals: nodes,
 * geometries, vertices, polygons, triangles after fan splitting, material
 * tables and entries, textures (name, size) and the bounding box of the
 * vertices. The report goes to standard output, the toolkit's warnings and
 * messages to standard error. Exit status 0 when every file loaded. */
#include <stdio.h>
#include <stdlib.h>

#include <set>
#include <string>

#include "core/diag_internal.h"
#include "core/messages.h"
#include "display/device/device.h"
#include "vlx/file.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/texture.h"
#include "vlx/universe.h"

namespace {

struct Totals {
  int nodes = 0, geometries = 0;
  long vertices = 0, polygons = 0, triangles = 0;
  std::set<VLmtable *> tables;
  std::set<VLtexture *> textures;
  bool hasbounds = false;
  float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
};

const char *type_name(int type) {
  static const char *const names[] = {
      "?",         "Xform",     "Lod",        "MLod",     "Switch",  "MSwitch", "Geometry",
      "MGeometry", "Group",     "Separator",  "MSeparator", "Object", "Light",  "MLight",
      "Anchor",    "Inline",    "Xformsep",   "Material", "Fog",     "Ambient", "Rendering",
      "Root"};
  return type >= 0 && type < int(sizeof names / sizeof names[0]) ? names[type] : "?";
}

void add_vertex(Totals &t, const float *p) {
  for (int i = 0; i < 3; ++i) {
    if (!t.hasbounds || p[i] < t.lo[i]) t.lo[i] = p[i];
    if (!t.hasbounds || p[i] > t.hi[i]) t.hi[i] = p[i];
  }
  t.hasbounds = true;
}

void add_geometry(Totals &t, VLgeometry *g) {
  ++t.geometries;
  if (g->mtable) t.tables.insert(g->mtable);
  for (VLvertex *v = g->vertices; v; v = v->next, ++t.vertices) add_vertex(t, v->position);
  for (VLpoly *p = g->polys; p; p = p->next) {
    ++t.polygons;
    if (p->ncorners >= 3) t.triangles += p->ncorners - 2;
    VLpolytexture *pt = static_cast<VLpolytexture *>(p->attributes);
    if (pt && pt->texture) t.textures.insert(pt->texture);
  }
}

/* The node and its subtree, depth first, indented by depth. */
void walk(Totals &t, VLnode *n, int depth) {
  ++t.nodes;
  const char *name = VLnode_getname(n);
  VLMSG(INFO_NODE, depth * 2, "", type_name(VLnode_gettype(n)), name ? name : "");
  if (n->type == VLNODE_GEOMETRY && static_cast<VLgeometrynode *>(n)->geometry)
    add_geometry(t, static_cast<VLgeometrynode *>(n)->geometry);
  for (int i = 0; i < VLnode_numchildren(n); ++i) walk(t, VLnode_getchild(n, i), depth + 1);
}

void print_totals(const Totals &t) {
  VLMSG(INFO_NODES, t.nodes);
  VLMSG(INFO_GEOMETRIES, t.geometries);
  VLMSG(INFO_VERTICES, t.vertices);
  VLMSG(INFO_POLYGONS, t.polygons);
  VLMSG(INFO_TRIANGLES, t.triangles);
  int entries = 0;
  for (VLmtable *m : t.tables) entries += m->nentries;
  VLMSG(INFO_MTABLES, int(t.tables.size()), entries);
  VLMSG(INFO_TEXTURES, int(t.textures.size()));
  for (VLtexture *x : t.textures) VLMSG(INFO_TEXTURE, x->name, x->width, x->height);
  if (t.hasbounds)
    VLMSG(INFO_BOUNDS, t.lo[0], t.lo[1], t.lo[2], t.hi[0], t.hi[1], t.hi[2]);
  else
    VLMSG(INFO_NO_BOUNDS);
}

/* Loads one file under a group of its own and reports it; false when
 * nothing loaded. */
bool report(const char *name) {
  const char *found = VLfile_findmodel(name);
  int type = found ? VLfile_type(found) : VLFILE_NONE;
  VLnode *group = VLgroupnode_new(nullptr);
  VLnode *first = VLnode_load(group, name, 1.0f);
  _VLmsg_setstream(VLMSG_INFO, stdout);
  VLMSG(INFO_FILE, name, VLfile_typename(type));
  Totals t;
  for (int i = 0; i < VLnode_numchildren(group); ++i) walk(t, VLnode_getchild(group, i), 1);
  if (first)
    print_totals(t);
  else
    VLMSG(INFO_NOT_LOADED);
  _VLmsg_setstream(VLMSG_INFO, stderr);
  VLnode_delete(group);
  return first != nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    VLMSG(INFO_USAGE);
    return 1;
  }
  /* The toolkit's own output (banner, warnings, position reports) goes to
   * standard error; only the report goes to standard output. */
  _VLmsg_setstream(VLMSG_WARNING, stderr);
  _VLmsg_setstream(VLMSG_INFO, stderr);
  setenv("VLXOFFSCREEN", "1", 1);
  _VLdevice_usenull(true);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) {
    VLMSG(INFO_NO_UNIVERSE);
    return 1;
  }
  bool all = true;
  for (int i = 1; i < argc; ++i) all = report(argv[i]) && all;
  VLuniverse_delete();
  return all ? 0 : 1;
}
