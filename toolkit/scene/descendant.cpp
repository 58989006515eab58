/* The descendant test: does a node lie in a candidate's subtree? Two
 * iterative searches run in turns, one down the candidate's child lists and
 * one up the node's parent links, each visiting a node once; the first to
 * meet the other end, or to run out, answers. So the cost is bounded by the
 * smaller of the two searches: cheap both for adding a fresh group under a
 * deep scene and for adding a large model under a shallow one. */
#include <unordered_set>

#include "scene/scene_internal.h"
#include "scene/state.h"

namespace {

struct Search {
  VLwalkstack *stack;
  std::unordered_set<const VLnode *> seen;
};

/* One step down: expands the children of one node. 1 found, 0 go on,
 * -1 exhausted. */
int step_down(Search &s, const VLnode *target) {
  VLnodebase *item = _VLwalk_pop(s.stack);
  if (!item) return -1;
  VLnode *n = static_cast<VLnode *>(item);
  for (VLnodelink *l = _VLnode_group(n)->firstchild; l; l = l->nextsibling) {
    VLnode *c = l->child;
    if (c == target) return 1;
    if (_VLnode_haschildren(c) && s.seen.insert(c).second) _VLwalk_push(s.stack, c);
  }
  return 0;
}

/* One step up: expands the real parents of one node. */
int step_up(Search &s, const VLnode *target) {
  VLnodebase *item = _VLwalk_pop(s.stack);
  if (!item) return -1;
  VLnode *n = static_cast<VLnode *>(item);
  VLnode *orphans = _VLscene_orphans();
  for (VLnodelink *l = n->firstlink; l; l = l->nextinstance) {
    VLnode *p = l->parent;
    if (p == orphans) continue;
    if (p == target) return 1;
    if (s.seen.insert(p).second) _VLwalk_push(s.stack, p);
  }
  return 0;
}

}  // namespace

bool VLnode_isdescendant(VLnode *node, VLnode *candidate) {
  if (!node || !candidate) return false;
  if (node == candidate) return true;
  if (!_VLnode_haschildren(candidate) || !node->firstlink) return false;
  Search down{_VLwalk_take(), {}};
  Search up{_VLwalk_take(), {}};
  _VLwalk_push(down.stack, candidate);
  _VLwalk_push(up.stack, node);
  int r = 0;
  while (r == 0) {
    r = step_down(down, node);
    if (r == 0) r = step_up(up, candidate);
  }
  _VLwalk_give(down.stack);
  _VLwalk_give(up.stack);
  return r == 1;
}
