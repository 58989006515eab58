/* Node names: an owned copy in the node and a cell (next, node) in one of
 * 64 buckets, new cells in front. Several nodes may carry the same name.
 * A name that cannot be found in its bucket (set behind the table's back)
 * gives a warning when it is replaced, and is replaced all the same. */
#include <stdlib.h>
#include <string.h>

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

void _VLnames_remove(VLnode *n) {
  if (!n->name) return;
  VLnamecell **at = &_VLscene().names[_VLnames_bucket(n->name)];
  while (*at && (*at)->node != n) at = &(*at)->next;
  if (*at) {
    VLnamecell *cell = *at;
    *at = cell->next;
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
  VLnamecell *&bucket = _VLscene().names[_VLnames_bucket(copy)];
  cell->node = node;
  cell->next = bucket;
  bucket = cell;
  return true;
}

const char *VLnode_getname(VLnode *node) { return node ? node->name : nullptr; }
