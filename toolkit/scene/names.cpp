/* Node names: an owned copy in the node and a cell (next, node) in one of
 * 64 buckets, new cells in front. Several nodes may carry the same name.
 * A name that cannot be found in its bucket (set behind the table's back)
 * gives a warning when it is replaced, and is replaced all the same.
 * An index from node to cell (cells are doubly linked) makes removal take
 * constant time: a file of many nodes of one name, deleted first-made
 * first, walked the whole bucket for each. */
#include <stdlib.h>
#include <string.h>

#include <unordered_map>

#include "core/messages.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "vlx/diag.h"

int _VLnames_bucket(const char *name) {
  int n = static_cast<int>(strlen(name));
  if (n == 0) return 0;
  const signed char *s = reinterpret_cast<const signed char *>(name);
  int sum = s[0] + s[n - 1] + s[n / 2] + n;
  /* Signed bytes can make the sum negative: reduce into 0..63. */
  return ((sum % VLNAME_BUCKETS) + VLNAME_BUCKETS) % VLNAME_BUCKETS;
}

namespace {

/* The cell of every named node. Never destroyed: nodes may be deleted
 * while the program exits. */
std::unordered_map<const VLnode *, VLnamecell *> &cells(void) {
  static auto *index = new std::unordered_map<const VLnode *, VLnamecell *>();
  return *index;
}

}  // namespace

void _VLnames_forgetall(void) { cells().clear(); }

void _VLnames_remove(VLnode *n) {
  if (!n->name) return;
  auto it = cells().find(n);
  if (it != cells().end()) {
    VLnamecell *cell = it->second;
    cells().erase(it);
    if (cell->prev) cell->prev->next = cell->next;
    else _VLscene().names[cell->bucket] = cell->next;
    if (cell->next) cell->next->prev = cell->prev;
    free(cell);
  } else {
    VLMSG(NODE_NAME_NOT_FOUND, n->name);
  }
  free(n->name);
  n->name = nullptr;
}

VLnode *_VLnames_find(const char *name) {
  if (!name) return nullptr;
  for (VLnamecell *c = _VLscene().names[_VLnames_bucket(name)]; c; c = c->next)
    if (c->node->name && strcmp(c->node->name, name) == 0) return c->node;
  return nullptr;
}

bool VLnode_setname(VLnode *node, const char *name) {
  if (!node) return false;
  /* Copy first: the node's own name may be passed back in. */
  char *copy = VLstrdup(name);
  _VLnames_remove(node);
  if (!copy) return true;
  node->name = copy;
  VLnamecell *cell = static_cast<VLnamecell *>(VLmalloc(sizeof *cell));
  cell->bucket = _VLnames_bucket(copy);
  VLnamecell *&bucket = _VLscene().names[cell->bucket];
  cell->node = node;
  cell->prev = nullptr;
  cell->next = bucket;
  if (bucket) bucket->prev = cell;
  bucket = cell;
  cells()[node] = cell;
  return true;
}

const char *VLnode_getname(VLnode *node) { return node ? node->name : nullptr; }
