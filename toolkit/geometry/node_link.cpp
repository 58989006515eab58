/* Where a geometry meets its Geometry node: shape changes mark the node
 * changed, and deleting the geometry deletes the node (which must not
 * delete the geometry again, so its pointer is cleared first). */
#include "geometry/internal.h"
#include "vlx/geometry.h"
#include "vlx/node.h"

void _VLgeometry_markchanged(VLgeometry *g) {
  if (g->node) VLnode_markchanged(g->node);
}

void _VLgeometry_deletenode(VLgeometry *g) {
  VLnode *node = g->node;
  if (!node) return;
  g->node = nullptr;
  if (node->type == VLNODE_GEOMETRY) {
    VLgeometrynode *gn = static_cast<VLgeometrynode *>(node);
    if (gn->geometry == g) gn->geometry = nullptr;
  }
  VLnode_delete(node);
}
