/* Destruction: a node that loses its last parent is destroyed after its
 * children (always the first one, iteratively with a walk stack), so that
 * children still held by another parent survive and deep scenes cannot
 * overflow the call stack. Payload release hands geometries, lights and
 * objects back to their families after clearing their back pointers, and
 * cancels the motion links on Xforms and movable nodes. */
#include <stdlib.h>

#include "core/state.h"
#include "scene/light_internal.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "vlx/geometry.h"
#include "vlx/object.h"
#include "vlx/universe.h"

namespace {

/* A record owned by a node is deleted only while its back pointer still
 * names the node; a family that deletes the record itself clears the
 * pointer first and then deletes the node. */
void release_geometry(VLgeometrynode *n) {
  VLgeometry *g = n->geometry;
  n->geometry = nullptr;
  if (!g || g->node != n) return;
  g->node = nullptr;
  VLgeometry_delete(g);
}

void release_light(VLlightnode *n) {
  VLlight *light = n->light;
  n->light = nullptr;
  if (!light) return;
  VLnode **slot = reinterpret_cast<VLnode **>(light);  /* first field: the node */
  if (*slot != n) return;
  *slot = nullptr;
  _VLlight_delete(light);
}

void cancel_links(VLnode *n) {
  if (_VLscene().events.movablefreed) _VLscene().events.movablefreed(n);
}

void release_object(VLobjectnode *n) {
  VLobject *o = n->object;
  n->object = nullptr;
  if (!o) return;
  if (o->node != n) return;
  o->node = nullptr;
  if (_VLscene().events.objectfreed) _VLscene().events.objectfreed(o);
}

void release_payload(VLnode *n) {
  switch (n->type) {
    case VLNODE_XFORM: cancel_links(n); break;
    case VLNODE_LOD: free(static_cast<VLlodnode *>(n)->ranges); break;
    case VLNODE_GEOMETRY: release_geometry(static_cast<VLgeometrynode *>(n)); break;
    case VLNODE_OBJECT: release_object(static_cast<VLobjectnode *>(n)); break;
    case VLNODE_LIGHT: release_light(static_cast<VLlightnode *>(n)); break;
    case VLNODE_ANCHOR: free(static_cast<VLanchornode *>(n)->url); break;
    case VLNODE_INLINE: free(static_cast<VLinlinenode *>(n)->file); break;
    default: break;
  }
  if (n->flags & VLNODEFLAG_MOVABLE) cancel_links(n);
}

/* The last step for a node whose children are gone. */
void finish(VLnode *n) {
  release_payload(n);
  _VLowner_freed(n);
  if (_VLscene().events.nodefreed) _VLscene().events.nodefreed(n);
  _VLnames_remove(n);
  free(n);
}

/* Empties a Root or the orphan holder, destroying what has no parent left. */
void empty_children(VLnode *holder) {
  VLgroupnode *g = _VLnode_group(holder);
  while (VLnodelink *l = g->firstchild) {
    VLnode *child = l->child;
    if (holder == _VLscene_orphans()) {
      /* An orphan link is its child's only link and counts no parent. */
      _VLlink_unsibling(l);
      child->firstlink = nullptr;
      free(l);
      _VLnode_destroy(child);
    } else if (_VLlink_drop(l)) {
      _VLnode_destroy(child);
    }
  }
  holder->flags |= VLNODEFLAG_CHANGED;
}

}  // namespace

void _VLnode_destroy(VLnode *top) {
  VLwalkstack *s = _VLwalk_take();
  _VLwalk_push(s, top);
  while (s->count) {
    VLnode *n = static_cast<VLnode *>(s->items[s->count - 1]);
    VLnodelink *first = _VLnode_haschildren(n) ? _VLnode_group(n)->firstchild : nullptr;
    if (first) {
      VLnode *child = first->child;
      if (_VLlink_drop(first)) _VLwalk_push(s, child);
      continue;
    }
    s->count--;
    finish(n);
  }
  _VLwalk_give(s);
}

bool VLnode_delete(VLnode *node) {
  if (!node || node->type == VLNODE_ROOT || !node->firstlink) return false;
  VLnode_detach(node);
  _VLnames_remove(node);
  VLnodelink *l = node->firstlink;
  _VLlink_unsibling(l);
  free(l);
  node->firstlink = nullptr;
  node->nparents = 0;
  _VLnode_destroy(node);
  return true;
}

void VLscene_deleteall(int freeroots) {
  VLuniverse *u = VLuniverse_current();
  if (u)
    for (VLrootcell *c = u->roots; c; c = c->next) empty_children(c->node);
  empty_children(_VLscene_orphans());
  if (!freeroots) return;
  if (u) {
    while (VLrootcell *c = u->roots) {
      u->roots = c->next;
      finish(c->node);
      free(c);
    }
  }
  _VLscene_freecaches();
}
