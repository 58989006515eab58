/* The VRML traversal state: a stack of property levels (a Separator
 * pushes a copy of the current level and pops it at its end; every other
 * property node changes the top level), and the helpers the build
 * routines share: recording the nodes made under the file's parent (so
 * that an abandoned file can be removed), DEF names, the material table of
 * a shape, and relative names. */
#include <stdlib.h>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"

VLvrmlstate &_VLvrml(void) {
  static VLvrmlstate *s = nullptr;
  if (!s) s = new VLvrmlstate;
  return *s;
}

bool _VLvrml_count(VLvrmlstate &c, int kind) {
  static const int kLimit[3] = {1024, 256, 256};
  static const char *const kWhat[3] = {"inline images", "cameras", "lights"};
  int n = ++c.made[kind];
  if (n <= kLimit[kind]) return true;
  if (n == kLimit[kind] + 1) VLMSG(VRML_TOO_MANY, kLimit[kind], kWhat[kind], c.path);
  return false;
}

VLvrmllevel &_VLvrml_top(VLvrmlstate &c) { return c.levels.back(); }

void _VLvrml_push(VLvrmlstate &c) {
  VLvrmllevel copy = c.levels.back();
  copy.glom.clear();
  copy.infomode = 0;
  c.levels.push_back(std::move(copy));
}

void _VLvrml_pop(VLvrmlstate &c) {
  if (c.levels.size() > 1) c.levels.pop_back();
}

void _VLvrml_made(VLvrmlstate &c, VLnode *parent, VLnode *node) {
  if (node && parent == c.fileparent) c.topnodes.push_back(node);
}

void _VLvrml_name(VLvrmlstate &, VLnode *node, VLvrmldef *def) {
  if (!node || !def) return;
  VLnode_setname(node, def->name.c_str());
  if (node->type == VLNODE_GEOMETRY) {
    VLgeometry *g = static_cast<VLgeometrynode *>(node)->geometry;
    free(g->name);
    g->name = VLstrdup(def->name.c_str());
  }
  if (!def->kind) {
    def->kind = VLDEF_NODE;
    def->node = node;
  }
}

VLnode *_VLvrml_shapenode(VLvrmlstate &c, VLnode *parent, VLgeometry *g, VLvrmldef *def) {
  if (!g) return nullptr;
  VLmtable *t = _VLvrml_top(c).mtable;
  if (t && g->mtable != t) {
    VLmtable *own = g->mtable;
    VLgeometry_setmtable(g, t);
    if (own && !own->users) VLmtable_delete(own);
  }
  VLnode *n = VLgeometrynode_new(parent, g);
  if (!n) {
    VLgeometry_delete(g);
    return nullptr;
  }
  _VLvrml_made(c, parent, n);
  _VLvrml_name(c, n, def);
  return n;
}

std::string _VLvrml_resolve(const VLvrmlstate &c, const std::string &name) {
  if (name.compare(0, 7, "http://") == 0 || (!name.empty() && name[0] == '/')) return name;
  size_t slash = c.base.rfind('/');
  if (slash == std::string::npos) return name;
  return c.base.substr(0, slash + 1) + name;
}
