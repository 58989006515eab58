/* Motion links: creation rules (one link per source and target, the
 * target kinds each entry accepts, movable and node-path targets checked),
 * the universe's doubly linked list (oldest first), deletion by link, by
 * target and by source, and the hooks the scene graph and the objects call
 * when a node or object goes. */
#include <stdlib.h>
#include <string.h>

#include "scene/events.h"
#include "core/messages.h"
#include "motion/loop.h"
#include "motion/motion_internal.h"
#include "vlx/diag.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

VLmotionstate g_motion;

bool exists(VLuniverse *u, void *source, void *target) {
  for (VLmotionlink *l = u->motionlinks; l; l = l->next)
    if (l->source == source && l->target == target) return true;
  return false;
}

/* The node a target kind moves, or null when the target does not fit. */
VLnode *moved_node(void *target, int kind) {
  if (kind == VLTARGET_XFORM) return static_cast<VLnode *>(target);
  if (kind == VLTARGET_MOVABLE) {
    VLnode *n = static_cast<VLnode *>(target);
    return VLnode_ismovable(n) ? n : nullptr;
  }
  const VLnodepath *p = static_cast<const VLnodepath *>(target);
  if (!p->links || p->count <= 0 || !p->links[p->count - 1]) return nullptr;
  VLnode *end = p->links[p->count - 1]->child;
  if (!end) return nullptr;
  return end->type == VLNODE_XFORM || VLnode_ismovable(end) ? end : nullptr;
}

void append(VLuniverse *u, VLmotionlink *link) {
  VLmotionlink **at = &u->motionlinks;
  VLmotionlink *prev = nullptr;
  while (*at) {
    prev = *at;
    at = &(*at)->next;
  }
  link->previous = prev;
  *at = link;
}

VLmotionlink *create(void *source, void *target, int sourcekind, int targetkind, int frame) {
  VLuniverse *u = VLuniverse_current();
  if (!u || exists(u, source, target)) return nullptr;
  VLnode *end = nullptr;
  if (targetkind >= VLTARGET_XFORM) {
    end = moved_node(target, targetkind);
    if (!end) return nullptr;
  }
  _VLmotion_registerevents();
  VLmotionlink *l = static_cast<VLmotionlink *>(VLmalloc(sizeof *l));
  memset(l, 0, sizeof *l);
  l->source = source;
  l->target = target;
  l->scale = 1.0f;
  l->sourcekind = sourcekind;
  l->targetkind = targetkind;
  l->frame = frame;
  l->pathflag = targetkind == VLTARGET_NODEPATH ? 1 : 0;
  l->enabled = 1;
  l->endnode = end;
  append(u, l);
  return l;
}

void unlink_link(VLuniverse *u, VLmotionlink *l) {
  if (l->previous) l->previous->next = l->next;
  else u->motionlinks = l->next;
  if (l->next) l->next->previous = l->previous;
  for (VLpath *p = u->paths; p; p = p->next)
    if (p->recordlink == l) p->recordlink = nullptr;
}

void destroy(VLuniverse *u, VLmotionlink *l) {
  unlink_link(u, l);
  free(l->constraints);
  free(l);
}


}  // namespace

VLmotionstate &_VLmotion(void) { return g_motion; }

void _VLmotion_reset(void) { g_motion = VLmotionstate(); }

/* ---------- creation ---------- */

VLmotionlink *VLmotionlink_new(void *source, void *target, int sourcekind, int targetkind) {
  if (!source || !target) return nullptr;
  if (targetkind != VLTARGET_VIEWPOINT && targetkind != VLTARGET_XFORM &&
      targetkind != VLTARGET_NODEPATH && targetkind != VLTARGET_MOVABLE) {
    VLMSG(LINK_ILLEGAL_TOTYPE);
    return nullptr;
  }
  if (sourcekind != VLSOURCE_SENSOR && sourcekind != VLSOURCE_PATH) return nullptr;
  int frame = targetkind == VLTARGET_NODEPATH ? VLLINKFRAME_REFERENCE : VLLINKFRAME_OWN;
  return create(source, target, sourcekind, targetkind, frame);
}

VLmotionlink *VLmotionlink_newany(void *source, void *target, int frame, int targetkind) {
  if (!source || !target || targetkind < VLTARGET_VIEWPOINT || targetkind > VLTARGET_MOVABLE)
    return nullptr;
  return create(source, target, VLSOURCE_SENSOR, targetkind, frame);
}

void VLmotionlink_enable(VLmotionlink *link, bool on) {
  if (link) link->enabled = on ? 1 : 0;
}

bool VLmotionlink_addconstraint(VLmotionlink *link, int kind, int axis, float min, float max) {
  if (!link || (kind != VLCONSTRAIN_POSITION && kind != VLCONSTRAIN_ANGLE)) return false;
  if (axis < 0 || axis > 2 || !(min <= max)) return false;
  size_t n = static_cast<size_t>(link->nconstraints) + 1;
  link->constraints =
      static_cast<VLconstraint *>(VLrealloc(link->constraints, n * sizeof(VLconstraint)));
  link->constraints[n - 1] = VLconstraint{kind, axis, min, max};
  link->nconstraints = static_cast<int32_t>(n);
  return true;
}

/* ---------- deletion ---------- */

void VLmotionlink_delete(VLmotionlink *link) {
  VLuniverse *u = VLuniverse_current();
  if (u && link && _VLlist_holds(u->motionlinks, link)) destroy(u, link);
}

void VLmotionlink_deletetarget(void *target) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !target) return;
  for (VLmotionlink *l = u->motionlinks, *next; l; l = next) {
    next = l->next;
    if (l->target == target || l->endnode == target) destroy(u, l);
  }
  /* An object that goes is no path's default target or marker any more. */
  _VLpaths_forgetobject(u, static_cast<VLobject *>(target));
}

void VLmotionlink_deletesource(void *source) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !source) return;
  for (VLmotionlink *l = u->motionlinks, *next; l; l = next) {
    next = l->next;
    if (l->source == source) destroy(u, l);
  }
}

void _VLmotionlinks_freeall(VLuniverse *u) {
  while (VLmotionlink *l = u->motionlinks) {
    u->motionlinks = l->next;
    free(l->constraints);
    free(l);
  }
}

/* ---------- what goes away elsewhere ---------- */

void _VLmotion_registerevents(void) { _VLscene_events().movablefreed = _VLmotionlinks_cancelnode; }

void _VLmotionlinks_cancelnode(VLnode *node) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !node) return;
  VLmotionlink_deletetarget(node);
  _VLpaths_forgetnode(u, node);
}
