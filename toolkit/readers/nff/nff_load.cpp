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

VLnodecell *VLnff_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       VLportal **portals, int flag) {
  return _VLnode_fromgeometries(VLnff_read(stream, path, view, scale, merge, portals), flag);
}

VLnodecell *VLbnff_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                        VLportal **portals, int flag) {
  return _VLnode_fromgeometries(VLbnff_read(stream, path, view, scale, merge, portals), flag);
}
