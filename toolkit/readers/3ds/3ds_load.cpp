/* The 3D Studio entry points: bytes to geometries (parse, convert, free
 * the database), a stream fetched whole and read the same way, and the
 * loader that wraps each geometry in a Geometry node. */
#include <stdlib.h>

#include "core/messages.h"
#include "readers/3ds/3ds_internal.h"
#include "vlx/diag.h"
#include "readers/bytes/fetch.h"
#include "vlx/geometry.h"
#include "vlx/node.h"

VLgeomcell *VL3ds_readbytes(const char *path, const uint8_t *data, size_t size, float scale,
                            bool merge) {
  if (!path) path = "";
  VL3dsdb *db = nullptr;
  if (_VL3ds_readbytes(path, data, size, &db) != VL3DS_OK) {
    VLMSG(TDS_CANT_PARSE, path);
    return nullptr;
  }
  VLgeomcell *list = _VL3ds_geometries(*db, path, scale, merge);
  _VL3ds_free(db);
  return list;
}

VLgeomcell *_VL3ds_read_geometries(FILE *stream, const char *path, float scale, bool merge) {
  if (!stream) {
    VLMSG(TDS_NULL_STREAM);
    return nullptr;
  }
  char *bytes = nullptr;
  size_t size = 0;
  if (!_VLfetch_warned(path, stream, &bytes, &size)) return nullptr;
  VLgeomcell *list =
      VL3ds_readbytes(path, reinterpret_cast<const uint8_t *>(bytes), size, scale, merge);
  free(bytes);
  return list;
}

VLnodecell *VL3ds_load(FILE *stream, const char *path, float scale, bool merge, int flag) {
  return _VLnode_fromgeometries(_VL3ds_read_geometries(stream, path, scale, merge), flag);
}
