/* The preparation walk: before the first frame, every geometry that a
 * window's Root can reach (through every child, without transforms,
 * culling or selection) is compiled by the renderer, so the first frame
 * does not pay for it. */
#include "core/messages.h"
#include "render/playback.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "vlx/diag.h"
#include "vlx/object.h"
#include "vlx/render.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

void prepare_item(VLwalkstack *s, VLnodebase *item) {
  VLnode *n = static_cast<VLnode *>(item);
  switch (item->type) {
    case VLNODE_LINK: {
      VLnodelink *l = static_cast<VLnodelink *>(item);
      if (l->nextsibling) _VLwalk_push(s, l->nextsibling);
      _VLwalk_push(s, l->child);
      return;
    }
    case VLNODE_LOD:
    case VLNODE_SWITCH:
    case VLNODE_GROUP:
    case VLNODE_ANCHOR:
    case VLNODE_INLINE:
    case VLNODE_XFORMSEP:
    case VLNODE_SEPARATOR:
      if (VLnodelink *first = _VLnode_group(n)->firstchild) _VLwalk_push(s, first);
      return;
    case VLNODE_GEOMETRY:
      if (VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry) _VLrender_compile(g);
      return;
    case VLNODE_OBJECT: {
      VLobjectnode *o = static_cast<VLobjectnode *>(n);
      if (o->object && o->object->geometry) _VLrender_compile(o->object->geometry);
      if (o->firstchild) _VLwalk_push(s, o->firstchild);
      return;
    }
    case VLNODE_XFORM:
    case VLNODE_LIGHT:
    case VLNODE_MATERIAL:
    case VLNODE_FOG:
    case VLNODE_AMBIENT: return;
    default: VLMSG(UNKNOWN_NODE_TYPE, int(item->type));
  }
}

void prepare_root(VLnode *root) {
  VLgroupnode *r = _VLnode_group(root);
  if (!r->firstchild) return;
  VLwalkstack *s = _VLwalk_take();
  _VLwalk_push(s, r->firstchild);
  while (VLnodebase *item = _VLwalk_pop(s)) prepare_item(s, item);
  _VLwalk_give(s);
}

}  // namespace

void VLscene_prepare(void) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return;
  VLnode *previous = nullptr;
  for (VLwindow *w = u->windows; w; w = w->next) {
    if (!w->root || w->root == previous || w->root->type != VLNODE_ROOT) continue;
    previous = w->root;
    prepare_root(w->root);
  }
}
