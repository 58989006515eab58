/* Edges: adding, inserting, removing and detaching parent-child links,
 * the instance chains, ancestor marking and the child queries. A child list
 * is doubly linked with a last-child pointer, so appending is O(1). A node's
 * parent links form its instance chain; the first link's tailorprev names
 * the chain's last link. Ancestor marking is iterative and stops on links
 * that are already marked. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "vlx/diag.h"

namespace {

/* Corrupt link structure: the message on standard output, exit status 1. */
[[noreturn]] void links_corrupt(VLmsgid id) {
  if (id == VLM_PARENT_LINKS)
    VLMSG(PARENT_LINKS);
  else
    VLMSG(NODE_ROOT_TYPE);
  exit(1);
}

inline void check_link(const VLnodelink *l) {
  if (l->type != VLNODE_LINK) links_corrupt(VLM_PARENT_LINKS);
}

VLnodelink *new_link(void) {
  VLnodelink *l = static_cast<VLnodelink *>(VLmalloc(sizeof *l));
  memset(static_cast<void *>(l), 0, sizeof *l);
  l->type = VLNODE_LINK;
  l->flags = VLLINKFLAG_CREATED;
  return l;
}

bool is_orphans(const VLnode *n) { return n == _VLscene_orphans(); }

/* Puts l into parent's child list before `before` (null: at the end). */
void sibling_insert(VLnode *parent, VLnodelink *l, VLnodelink *before) {
  VLgroupnode *g = _VLnode_group(parent);
  l->parent = parent;
  l->nextsibling = before;
  l->prevsibling = before ? before->prevsibling : g->lastchild;
  if (l->prevsibling) l->prevsibling->nextsibling = l;
  else g->firstchild = l;
  if (before) before->prevsibling = l;
  else g->lastchild = l;
}

/* Appends a link that is not the child's first to its instance chain. */
void chain_append(VLnode *child, VLnodelink *l) {
  VLnodelink *first = child->firstlink;
  VLnodelink *last = first->tailorprev ? first->tailorprev : first;
  last->nextinstance = l;
  l->tailorprev = last;
  l->nextinstance = nullptr;
  first->tailorprev = l;
}

/* Marks every link of child's chain from `from` on; a newly marked link
 * passes the marking to its parent. Iterative over a walk stack of links. */
void mark_chain(VLwalkstack *s, VLnodelink *from) {
  for (VLnodelink *k = from; k; k = k->nextinstance) {
    check_link(k);
    k->child->flags |= VLNODEFLAG_CHANGED;
    if (k->flags & VLLINKFLAG_CHANGED) continue;
    k->flags |= VLLINKFLAG_CHANGED;
    VLnode *p = k->parent;
    if (!p->firstlink) {
      if (p->type != VLNODE_ROOT) links_corrupt(VLM_NODE_ROOT_TYPE);
      p->flags |= VLNODEFLAG_CHANGED;
    } else {
      _VLwalk_push(s, p->firstlink);
    }
  }
}

}  // namespace

/* ---------- ancestor marking ---------- */

void _VLlink_mark(VLnodelink *l) {
  VLwalkstack *s = _VLwalk_take();
  _VLwalk_push(s, l);
  while (VLnodebase *item = _VLwalk_pop(s)) {
    VLnodelink *k = static_cast<VLnodelink *>(item);
    check_link(k);
    mark_chain(s, k);
  }
  _VLwalk_give(s);
}

void _VLnode_markancestors(VLnode *n) {
  if (n->firstlink) _VLlink_mark(n->firstlink);
  else n->flags |= VLNODEFLAG_CHANGED;
}

void VLnode_markchanged(VLnode *node) {
  if (!node || (node->type != VLNODE_GEOMETRY && node->type != VLNODE_OBJECT)) return;
  if (node->flags & VLNODEFLAG_CHANGED) return;
  node->flags |= VLNODEFLAG_CHANGED;
  _VLnode_markancestors(node);
}

/* ---------- the core of the edge operations ---------- */

void _VLnode_link(VLnode *parent, VLnode *child, VLnodelink *before) {
  _VLnode_markancestors(parent);
  VLnodelink *l = child->firstlink;
  if (l && is_orphans(l->parent)) {
    _VLlink_unsibling(l);
    child->nparents = 0;
  } else {
    l = new_link();
  }
  sibling_insert(parent, l, before);
  l->child = child;
  if (!is_orphans(parent)) child->nparents++;
  if (!child->firstlink) child->firstlink = l;
  else if (child->firstlink != l) chain_append(child, l);
}

void _VLlink_unsibling(VLnodelink *l) {
  VLgroupnode *g = _VLnode_group(l->parent);
  if (l->prevsibling) l->prevsibling->nextsibling = l->nextsibling;
  else g->firstchild = l->nextsibling;
  if (l->nextsibling) l->nextsibling->prevsibling = l->prevsibling;
  else g->lastchild = l->prevsibling;
  l->nextsibling = l->prevsibling = nullptr;
}

void _VLlink_unchain(VLnodelink *l) {
  VLnode *child = l->child;
  VLnodelink *first = child->firstlink;
  if (l == first) {
    VLnodelink *next = l->nextinstance;
    next->tailorprev = first->tailorprev == next ? nullptr : first->tailorprev;
    child->firstlink = next;
  } else {
    VLnodelink *prev = l->tailorprev;
    prev->nextinstance = l->nextinstance;
    if (l->nextinstance) l->nextinstance->tailorprev = prev;
    else first->tailorprev = prev == first ? nullptr : prev;
  }
  l->nextinstance = l->tailorprev = nullptr;
}

VLnodelink *_VLnode_childlink(VLnode *parent, int index) {
  if (index < 0 || !_VLnode_haschildren(parent)) return nullptr;
  VLnodelink *l = _VLnode_group(parent)->firstchild;
  while (l && index--) l = l->nextsibling;
  return l;
}

int _VLnode_countchildren(VLnode *parent) {
  if (!_VLnode_haschildren(parent)) return 0;
  int n = 0;
  for (VLnodelink *l = _VLnode_group(parent)->firstchild; l; l = l->nextsibling) ++n;
  return n;
}

bool _VLlink_drop(VLnodelink *l) {
  VLnode *child = l->child;
  _VLlink_unsibling(l);
  child->nparents--;
  if (child->nparents > 0) {
    _VLlink_unchain(l);
  } else {
    child->firstlink = nullptr;
  }
  free(l);
  return !child->firstlink;
}

/* Moves a child's only link to the orphan holder. */
static void to_orphans(VLnodelink *l) {
  l->nextinstance = l->tailorprev = nullptr;
  sibling_insert(_VLscene_orphans(), l, nullptr);
}

/* ---------- public edge operations ---------- */

/* The checks shared by addchild and insertchild; resolves the parent. */
static bool can_add(VLnode *&parent, VLnode *child) {
  if (!parent || !child || child->type == VLNODE_ROOT) return false;
  parent = _VLnode_content(parent);
  if (!_VLnode_isgrouping(parent) || child == parent) return false;
  if (child->nparents == UINT16_MAX) return false;
  return !(_VLnode_haschildren(child) && VLnode_isdescendant(parent, child));
}

bool VLnode_addchild(VLnode *parent, VLnode *child) {
  if (!can_add(parent, child)) return false;
  _VLnode_link(parent, child, nullptr);
  return true;
}

bool VLnode_insertchild(VLnode *parent, VLnode *child, int index) {
  if (index < 0 || !can_add(parent, child)) return false;
  VLnodelink *before = _VLnode_group(parent)->firstchild;
  for (int i = 0; i < index; ++i) {
    if (!before) return false;
    before = before->nextsibling;
  }
  _VLnode_link(parent, child, before);
  return true;
}

/* Finds the edge at index of the resolved parent and takes it out of the
 * child list (marking the parent's ancestors); null when there is none. */
static VLnodelink *take_edge(VLnode *parent, int index) {
  if (!parent) return nullptr;
  parent = _VLnode_content(parent);
  if (!_VLnode_isgrouping(parent)) return nullptr;
  VLnodelink *l = _VLnode_childlink(parent, index);
  if (!l) return nullptr;
  _VLnode_markancestors(parent);
  _VLlink_unsibling(l);
  l->child->nparents--;
  return l;
}

bool VLnode_removechild(VLnode *parent, int index) {
  VLnodelink *l = take_edge(parent, index);
  if (!l) return false;
  if (l->child->nparents > 0) {
    _VLlink_unchain(l);
    free(l);
  } else {
    to_orphans(l);
  }
  return true;
}

bool VLnode_deletechild(VLnode *parent, int index) {
  if (!parent) return false;
  parent = _VLnode_content(parent);
  if (!_VLnode_isgrouping(parent)) return false;
  VLnodelink *l = _VLnode_childlink(parent, index);
  if (!l) return false;
  _VLnode_markancestors(parent);
  VLnode *child = l->child;
  if (_VLlink_drop(l)) _VLnode_destroy(child);
  return true;
}

bool VLnode_detach(VLnode *node) {
  if (!node || !node->firstlink) return false;
  VLnodelink *first = node->firstlink;
  if (is_orphans(first->parent)) return true;
  _VLlink_mark(first);
  while (VLnodelink *l = first->nextinstance) {
    _VLlink_unsibling(l);
    _VLlink_unchain(l);
    free(l);
  }
  _VLlink_unsibling(first);
  node->nparents = 0;
  to_orphans(first);
  return true;
}

/* ---------- child queries ---------- */

int VLnode_numchildren(VLnode *node) {
  return node ? _VLnode_countchildren(_VLnode_content(node)) : 0;
}

VLnode *VLnode_getchild(VLnode *node, int index) {
  if (!node) return nullptr;
  VLnodelink *l = _VLnode_childlink(_VLnode_content(node), index);
  return l ? l->child : nullptr;
}

int VLnode_numparents(VLnode *node) { return node ? node->nparents : 0; }
