/* VRML USE: a material or texture becomes the current one again; a node
 * gains the current parent as a further parent, unless a material is
 * current whose table differs from its geometries' tables: then a copy of
 * the subtree (shared parts shared once within the copy) is added with
 * the current table on its geometries. Lights and other nodes that have
 * no copy are shared by the copy. What the copies of one file make
 * (nodes, and the vertices and polygons of copied geometries) is limited,
 * so that nested USEs cannot multiply a small file into an unbounded
 * scene or an endless load. */
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"

namespace {

bool is_group(int type) {
  switch (type) {
    case VLNODE_LOD: case VLNODE_SWITCH: case VLNODE_GROUP: case VLNODE_SEPARATOR:
    case VLNODE_ANCHOR: case VLNODE_INLINE: case VLNODE_XFORMSEP: return true;
    default: return false;
  }
}

/* Whether a geometry under node uses a table other than t. */
bool other_table(VLnode *node, VLmtable *t) {
  std::vector<VLnode *> stack{node};
  std::unordered_map<VLnode *, bool> seen;
  while (!stack.empty()) {
    VLnode *n = stack.back();
    stack.pop_back();
    if (!seen.emplace(n, true).second) continue;
    if (n->type == VLNODE_GEOMETRY && static_cast<VLgeometrynode *>(n)->geometry->mtable != t)
      return true;
    if (is_group(n->type))
      for (VLnodelink *l = static_cast<VLgroupnode *>(n)->firstchild; l; l = l->nextsibling)
        stack.push_back(l->child);
  }
  return false;
}

/* What copying n makes: the node, and a geometry's vertices and polygons. */
long copy_cost(VLnode *n) {
  long cost = 1;
  if (n->type != VLNODE_GEOMETRY) return cost;
  const VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry;
  if (!g) return cost;
  cost += g->npolys;
  for (const VLvertex *v = g->vertices; v; v = v->next) ++cost;
  return cost;
}

/* A new node like n (without children) under parent, or null when n has
 * no copy. */
VLnode *copy_one(VLnode *n, VLnode *parent, VLmtable *t) {
  switch (n->type) {
    case VLNODE_GEOMETRY: {
      VLgeometry *g = VLgeometry_copy(static_cast<VLgeometrynode *>(n)->geometry);
      if (!g) return nullptr;
      VLgeometry_setmtable(g, t);
      VLnode *c = VLgeometrynode_new(parent, g);
      if (!c) VLgeometry_delete(g);
      return c;
    }
    case VLNODE_XFORM: {
      VLnode *c = VLxformnode_new(parent);
      VLxformnode_setmatrix(c, &static_cast<VLxformnode *>(n)->matrix);
      return c;
    }
    case VLNODE_SEPARATOR: {
      VLnode *c = VLsepnode_new(parent);
      if (c) static_cast<VLsepnode *>(c)->culling = static_cast<VLsepnode *>(n)->culling;
      return c;
    }
    case VLNODE_GROUP: return VLgroupnode_new(parent);
    case VLNODE_XFORMSEP: return VLxformsepnode_new(parent);
    case VLNODE_SWITCH: {
      VLnode *c = VLswitchnode_new(parent);
      VLswitchnode_setwhich(c, static_cast<VLswitchnode *>(n)->which);
      return c;
    }
    case VLNODE_LOD: {
      VLnode *c = VLlodnode_new(parent);
      const VLlodnode *l = static_cast<VLlodnode *>(n);
      std::vector<float> d(size_t(l->nranges > 0 ? l->nranges : 0));
      if (!d.empty() && VLlodnode_getranges(n, d.data(), l->nranges))
        VLlodnode_setranges(c, d.data(), l->nranges);
      VLlodnode_setcenter(c, l->lodcentre);
      return c;
    }
    case VLNODE_ANCHOR: {
      VLnode *c = VLanchornode_new(parent);
      VLanchornode_seturl(c, static_cast<VLanchornode *>(n)->url);
      return c;
    }
    case VLNODE_INLINE: {
      VLnode *c = VLinlinenode_new(parent);
      VLinlinenode_setfile(c, static_cast<VLinlinenode *>(n)->file);
      return c;
    }
    default: return nullptr;
  }
}

void copy_subtree(VLvrmlstate &c, VLnode *root, VLnode *parent, VLmtable *t) {
  std::unordered_map<VLnode *, VLnode *> made;
  std::vector<std::pair<VLnode *, VLnode *>> stack{{root, parent}};
  while (!stack.empty()) {
    auto [n, under] = stack.back();
    stack.pop_back();
    auto it = made.find(n);
    if (it != made.end()) {
      VLnode_addchild(under, it->second);
      continue;
    }
    c.copied += copy_cost(n);
    if (c.copied > c.maxcopies) {
      VLMSG(VRML_COPY_LIMIT, int(c.maxcopies), c.lex.tokline);
      throw VLvrmlabort();
    }
    VLnode *copy = copy_one(n, under, t);
    if (!copy) {
      VLnode_addchild(under, n);  /* no copy of this kind: shared */
      continue;
    }
    made.emplace(n, copy);
    if (copy->name == nullptr && n->name) VLnode_setname(copy, n->name);
    if (!is_group(n->type)) continue;
    std::vector<VLnode *> children;
    for (VLnodelink *l = static_cast<VLgroupnode *>(n)->firstchild; l; l = l->nextsibling)
      children.push_back(l->child);
    for (auto k = children.rbegin(); k != children.rend(); ++k) stack.push_back({*k, copy});
  }
}

}  // namespace

void _VLvrml_use(VLvrmlstate &c, VLvrmldef *d, VLnode *parent) {
  VLvrmllevel &level = _VLvrml_top(c);
  if (d->kind == VLDEF_MATERIAL) {
    level.material = d->node;
    level.mtable = d->mtable;
    return;
  }
  if (d->kind == VLDEF_TEXTURE) {
    level.texture = d->texture;
    return;
  }
  if (d->kind != VLDEF_NODE || !d->node) return;
  if (level.mtable && other_table(d->node, level.mtable)) {
    VLMSG(VRML_COPYING);
    copy_subtree(c, d->node, parent, level.mtable);
    return;
  }
  VLnode_addchild(parent, d->node);
}
