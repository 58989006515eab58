/* VRML WWWInline: an Inline node holding the resolved URL, queued to be
 * loaded under that node once the file that names it is done; and the
 * pass that takes the temporary material-table nodes out of a loaded
 * subtree (iterative: the subtree may be deep and shared). */
#include <unordered_set>
#include <vector>

#include "readers/vrml/vrml_internal.h"
#include "vlx/mtable.h"
#include "vlx/node.h"

namespace {

bool is_group(int type) {
  switch (type) {
    case VLNODE_LOD: case VLNODE_SWITCH: case VLNODE_GROUP: case VLNODE_SEPARATOR:
    case VLNODE_ANCHOR: case VLNODE_INLINE: case VLNODE_XFORMSEP: case VLNODE_ROOT:
      return true;
    default: return false;
  }
}

}  // namespace

VLnode *_VLvrml_buildinline(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def) {
  VLnode *n = VLinlinenode_new(parent);
  if (!n) return nullptr;
  _VLvrml_made(c, parent, n);
  _VLvrml_name(c, n, def);
  const VLvrmlvalue &name = r.get(VLF_NAME);
  if (!name.present || name.s.empty()) return n;
  std::string url = _VLvrml_resolve(c, name.s);
  VLinlinenode_setfile(n, url.c_str());
  c.pending.push_back(VLvrmlpending{n, url, c.inlinedepth + 1});
  return n;
}

void _VLvrml_postpass(VLvrmlstate &, VLnode *top) {
  if (!top) return;
  std::vector<VLnode *> stack{top}, tables;
  std::unordered_set<VLnode *> seen;
  while (!stack.empty()) {
    VLnode *n = stack.back();
    stack.pop_back();
    if (!seen.insert(n).second) continue;
    if (n->type == VLNODE_MTABLE) {
      tables.push_back(n);
      continue;
    }
    if (!is_group(n->type)) continue;
    for (VLnodelink *l = static_cast<VLgroupnode *>(n)->firstchild; l; l = l->nextsibling)
      stack.push_back(l->child);
  }
  for (VLnode *n : tables) VLnode_delete(n);
}
