/* Movable nodes: a Separator with the movable flag whose first child is its
 * own Xform and whose last child is the content. Instances share the
 * content and each has its own Xform, so one content stands at several
 * places. A content node with the deep-content flag carries the real
 * content as its first child and the movable node's children after it. */
#include <stdint.h>

#include "scene/scene_internal.h"
#include "vlx/geometry.h"

namespace {

/* A new movable Separator with its Xform under an unchecked parent. */
VLnode *new_wrapper(VLnode *parent) {
  VLnode *sep = _VLnode_new(VLNODE_SEPARATOR, parent);
  sep->flags |= VLNODEFLAG_MOVABLE;
  _VLnode_new(VLNODE_XFORM, sep);
  return sep;
}

/* The content node in the last-child position, or null. */
VLnode *content_slot(VLnode *movable) {
  if (!movable || !(movable->flags & VLNODEFLAG_MOVABLE) || !_VLnode_haschildren(movable))
    return nullptr;
  VLnodelink *last = _VLnode_group(movable)->lastchild;
  return last ? last->child : nullptr;
}

/* The content when it carries the movable node's children, or null. */
VLnode *deep_content(VLnode *movable) {
  VLnode *c = content_slot(movable);
  return c && (c->flags & VLNODEFLAG_DEEPCONTENT) && _VLnode_haschildren(c) ? c : nullptr;
}

}  // namespace

VLnode *VLmovablegeometrynode_new(VLnode *parent, VLgeometry *geometry) {
  if (!geometry || geometry->node || !_VLnode_resolveparent(&parent)) return nullptr;
  VLnode *sep = new_wrapper(parent);
  _VLgeometrynode_make(sep, geometry);
  return sep;
}

VLnode *VLmovablenode_instance(VLnode *parent, VLnode *movable) {
  int type = VLnode_gettype(movable);
  if (type != VLNODE_MLOD && type != VLNODE_MSWITCH && type != VLNODE_MGEOMETRY &&
      type != VLNODE_MSEPARATOR)
    return nullptr;
  VLnode *content = content_slot(movable);
  if (!content || content->nparents == UINT16_MAX || !_VLnode_resolveparent(&parent))
    return nullptr;
  /* The shared content must not end up above its own new parent. */
  if (parent && _VLnode_haschildren(content) && VLnode_isdescendant(parent, content))
    return nullptr;
  VLnode *sep = new_wrapper(parent);
  _VLnode_link(sep, content, nullptr);
  return sep;
}

int VLmovablenode_numchildren(VLnode *movable) {
  VLnode *c = deep_content(movable);
  int n = c ? _VLnode_countchildren(c) - 1 : 0;
  return n > 0 ? n : 0;
}

VLnode *VLmovablenode_getchild(VLnode *movable, int index) {
  VLnode *c = deep_content(movable);
  if (!c || index < 0) return nullptr;
  VLnodelink *l = _VLnode_childlink(c, index + 1);
  return l ? l->child : nullptr;
}

bool VLmovablenode_settranslation(VLnode *movable, const float t[3]) {
  return VLxformnode_settranslation(movable, t);
}
