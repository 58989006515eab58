/* DXF drawing interchange files (text form): the 3D entities of the
 * ENTITIES section and of the BLOCK definitions they insert become
 * toolkit geometries. Layers that are frozen or off hide their entities;
 * entity colour numbers index a 256-entry colour table. Drawing
 * coordinates (x, y, z) become toolkit coordinates (x, -z, y). The reader
 * has a core over bytes already read (no file system) and file entry
 * points that only fetch the bytes. One file is read at a time. */
#ifndef VLX_DXF_H
#define VLX_DXF_H

#include <stddef.h>
#include <stdio.h>

struct VLgeomcell;
struct VLnodecell;
struct VLview;

/* Reader arguments. */
struct VLdxfoptions {
  VLview *view;        /* filled when not null (defaults first) */
  float scale;         /* vertex coordinates are multiplied by it */
  bool merge;          /* merge every geometry into the first */
  /* Most polygons that the drawing may make, INSERT copies included;
   * 0 means the default (VLDXF_MAXPOLYGONS). */
  long maxpolygons;
};

/* The default polygon limit of one drawing. */
#define VLDXF_MAXPOLYGONS (16L << 20)

/* --- readers: a list of geometries (VLgeomcell, release the cells with
 *     free()), or null after warnings --- */
/* The drawing in size bytes; path names the file in messages. */
VLgeomcell *VLdxf_readbytes(const char *path, const char *data, size_t size,
                            const VLdxfoptions *options);
/* The rest of stream (left open), or the file at path when stream is
 * null; view (may be null) receives the drawing's view. */
VLgeomcell *VLdxf_read(FILE *stream, const char *path, VLview *view, float scale, bool merge);

/* --- loader: one Geometry node per geometry (under the orphan holder;
 *     movable when flag is non-zero), named after it; the nodes in reverse
 *     order of the geometries (release the cells with free()) --- */
VLnodecell *VLdxf_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       int flag);

#endif
