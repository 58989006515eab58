/* The DXF reader's entry points: the core over bytes (parse, the counts
 * of ignored polylines, the view of the active viewport, the geometries),
 * the file entry that only fetches the bytes, and the loader that wraps
 * each geometry in a Geometry node. */
#include <math.h>
#include <stdlib.h>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/dxf/dxf_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/math.h"
#include "vlx/nff.h"
#include "vlx/node.h"

namespace {

void reset_view(VLview *view) {
  if (!view) return;
  for (float &x : view->position) x = 0.0f;
  view->orientation[0] = view->orientation[1] = view->orientation[2] = 0.0f;
  view->orientation[3] = 1.0f;
}

/* The active viewport looks from target + direction towards the target;
 * both in toolkit axes. */
void set_view(const VLdxfreader &r, VLview *view) {
  if (!view || !r.hasview) return;
  const VLdxfp3 &t = r.viewtarget, &d = r.viewdir;
  if (d.x == 0.0 && d.y == 0.0 && d.z == 0.0) return;
  view->position[0] = float(t.x + d.x);
  view->position[1] = float(-(t.z + d.z));
  view->position[2] = float(t.y + d.y);
  VLp3 look = {float(-d.x), float(d.z), float(-d.y)};
  if (!VLp3_normalise(&look)) return;
  VLq q;
  VLq_fromdirection(&look, &q);
  view->orientation[0] = q.x;
  view->orientation[1] = q.y;
  view->orientation[2] = q.z;
  view->orientation[3] = q.w;
}

}  // namespace

VLgeomcell *VLdxf_readbytes(const char *path, const char *data, size_t size,
                            const VLdxfoptions *options) {
  if (!options || (!data && size > 0)) return nullptr;
  reset_view(options->view);
  VLdxfreader r(path ? path : "", options, data, size);
  r.blocks.emplace_back(new VLdxfblock);
  r.blocks[0]->name = "world";
  r.block = r.blocks[0].get();
  if (!_VLdxf_parse(r)) return nullptr;
  if (r.openignored) VLMSG(DXF_OPEN_POLYLINES, r.openignored);
  if (r.ignored3d) VLMSG(DXF_POLYLINES_3D, r.ignored3d);
  set_view(r, options->view);
  return _VLdxf_build(r);
}

VLgeomcell *VLdxf_read(FILE *stream, const char *path, VLview *view, float scale, bool merge) {
  char *bytes = nullptr;
  size_t size = 0;
  if (!_VLfetch_warned(path, stream, &bytes, &size)) return nullptr;
  VLdxfoptions options{view, scale, merge, 0};
  VLgeomcell *list = VLdxf_readbytes(path, bytes, size, &options);
  free(bytes);
  return list;
}

VLnodecell *VLdxf_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       int flag) {
  return _VLnode_fromgeometries(VLdxf_read(stream, path, view, scale, merge), flag);
}
