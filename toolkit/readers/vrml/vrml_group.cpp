/* VRML grouping nodes: Separator (a property level of its own, then the
 * end rules: an Info " glom " Separator around one shape gives way to the
 * shape, "Moveable" and "Attachment" mark movable nodes, a Separator whose
 * only child is a Separator gives way to it), Group (one child and no
 * name: replaced by the child), Switch, LOD and LevelOfDetail, Transform-
 * Separator and WWWAnchor. */
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "readers/vrml/vrml_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/node.h"

namespace {

VLnode *make(VLvrmlstate &c, const VLvrmlrecord &r, VLnode *parent) {
  switch (r.node) {
    case VLN_SEPARATOR: {
      VLnode *n = VLsepnode_new(parent);
      if (n) static_cast<VLsepnode *>(n)->culling =
                 r.get(VLF_RENDERCULLING).i == 0 ? VLCULL_NEVER : VLCULL_DEFAULT;
      return n;
    }
    case VLN_SWITCH: {
      VLnode *n = VLswitchnode_new(parent);
      VLswitchnode_setwhich(n, r.get(VLF_WHICHCHILD).i);
      return n;
    }
    case VLN_LOD: case VLN_LEVELOFDETAIL: {
      VLnode *n = VLlodnode_new(parent);
      const VLvrmlvalue &v = r.get(r.node == VLN_LOD ? VLF_RANGE : VLF_SCREENAREA);
      std::vector<float> d(size_t(v.count));
      for (int32_t i = 0; i < v.count; ++i) d[size_t(i)] = _VLvrml_poolf(c, v.offset + uint32_t(i));
      VLlodnode_setranges(n, d.data(), v.count);
      if (r.node == VLN_LOD) VLlodnode_setcenter(n, r.get(VLF_CENTER).f);
      return n;
    }
    case VLN_TRANSFORMSEPARATOR: return VLxformsepnode_new(parent);
    case VLN_WWWANCHOR: {
      VLnode *n = VLanchornode_new(parent);
      const VLvrmlvalue &name = r.get(VLF_NAME);
      if (name.present) VLanchornode_seturl(n, _VLvrml_resolve(c, name.s).c_str());
      return n;
    }
    default: return VLgroupnode_new(parent);
  }
}

/* Children, and the only one that is not a material-table node. */
int real_children(VLnode *n, VLnode **only) {
  int count = 0;
  for (VLnodelink *l = static_cast<VLgroupnode *>(n)->firstchild; l; l = l->nextsibling)
    if (l->child->type != VLNODE_MTABLE) {
      *only = l->child;
      ++count;
    }
  return count;
}

/* Puts child under parent in place of n, which is deleted. */
VLnode *replace(VLvrmlstate &c, VLnode *n, VLnode *child, VLnode *parent) {
  if (parent) {
    if (!VLnode_addchild(parent, child)) return n;
  } else {
    /* Under the orphan holder: the child leaves n and becomes an orphan. */
    int index = 0;
    VLnodelink *l = static_cast<VLgroupnode *>(n)->firstchild;
    for (; l && l->child != child; l = l->nextsibling) ++index;
    if (!l || !VLnode_removechild(n, index)) return n;
  }
  auto it = std::find(c.topnodes.begin(), c.topnodes.end(), n);
  if (it != c.topnodes.end()) c.topnodes.erase(it);
  VLnode_delete(n);
  _VLvrml_made(c, parent, child);
  return child;
}

VLnode *end_separator(VLvrmlstate &c, VLnode *n, VLnode *parent, VLvrmldef *def) {
  const VLvrmllevel &level = c.levels.back();
  const VLvrmllevel &outer = c.levels[c.levels.size() - 2];
  VLnode *only = nullptr;
  int count = real_children(n, &only);
  if (!def && (level.infomode & 1) && count == 1 && only->type == VLNODE_GEOMETRY) {
    if (!level.glom.empty()) {
      VLnode_setname(only, level.glom.c_str());
      VLgeometry *g = static_cast<VLgeometrynode *>(only)->geometry;
      free(g->name);
      g->name = VLstrdup(level.glom.c_str());
    }
    return replace(c, n, only, parent);
  }
  VLgroupnode *gn = static_cast<VLgroupnode *>(n);
  if ((level.infomode & 2) && VLnode_numchildren(n) == 2 &&
      gn->firstchild->child->type == VLNODE_XFORM &&
      gn->firstchild->nextsibling->child->type != VLNODE_XFORM)
    n->flags |= VLNODEFLAG_MOVABLE;
  if ((level.infomode & 4) && (outer.infomode & 2)) n->flags |= VLNODEFLAG_DEEPCONTENT;
  if (!def && count == 1 && only->type == VLNODE_SEPARATOR) return replace(c, n, only, parent);
  return n;
}

}  // namespace

VLnode *_VLvrml_buildgroup(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def) {
  VLnode *n = make(c, r, parent);
  if (!n) throw VLvrmlabort();  /* the parent holds no children */
  _VLvrml_made(c, parent, n);
  _VLvrml_name(c, n, def);
  bool separator = r.node == VLN_SEPARATOR;
  if (separator) _VLvrml_push(c);
  if (r.children) _VLvrml_children(c, n);
  VLnode *result = n;
  if (separator) {
    result = end_separator(c, n, parent, def);
    _VLvrml_pop(c);
  } else if (r.node == VLN_GROUP && !def && VLnode_numchildren(n) == 1 &&
             VLnode_numparents(n) == 1) {
    result = replace(c, n, VLnode_getchild(n, 0), parent);
  }
  return result;
}
