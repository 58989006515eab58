/* The neutral-file loaders: each geometry a file yields becomes a Geometry
 * node (movable on request) under the orphan holder, named after the
 * geometry; the nodes come back in reverse order of the geometries. The
 * portal records stay with their polygons' geometries, which the nodes
 * own. */
#include <stdlib.h>

#include "readers/nff/nff_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/node.h"

namespace {

VLnodecell *make_nodes(VLgeomcell *list, int flag) {
  VLnodecell *nodes = nullptr;
  while (list) {
    VLgeomcell *next = list->next;
    VLgeometry *g = list->geometry;
    VLnode *n = flag ? VLmovablegeometrynode_new(nullptr, g) : VLgeometrynode_new(nullptr, g);
    if (n) {
      VLnode_setname(n, g->name);
      VLnodecell *c = static_cast<VLnodecell *>(VLmalloc(sizeof(VLnodecell)));
      c->node = n;
      c->next = nodes;
      nodes = c;
    } else {
      VLgeometry_delete(g);
    }
    free(list);
    list = next;
  }
  return nodes;
}

}  // namespace

VLnodecell *VLnff_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       VLportal **portals, int flag) {
  return make_nodes(VLnff_read(stream, path, view, scale, merge, portals), flag);
}

VLnodecell *VLbnff_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                        VLportal **portals, int flag) {
  return make_nodes(VLbnff_read(stream, path, view, scale, merge, portals), flag);
}
