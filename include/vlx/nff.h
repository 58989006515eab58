/* The neutral file format, the toolkit's own model format, in its text
 * form (magic word "nff" or "vy") and its binary form (magic "bnff",
 * big-endian numbers). A file holds an optional view and named geometries
 * with vertices (normal, texture coordinates, colour or material index)
 * and polygons (material, two-sidedness, texture and its placement, portal
 * and identifier tags). Each reader has a core over bytes already read (no
 * file system) and file entry points that only fetch the bytes. Every
 * problem is a warning; a bad geometry ends the reading and the geometries
 * before it are kept. One file is read at a time. */
#ifndef VLX_NFF_H
#define VLX_NFF_H

#include <stddef.h>
#include <stdio.h>

struct VLgeomcell;
struct VLnodecell;
struct VLportal;

/* The view a file names: position (not scaled) and orientation
 * quaternion (x, y, z, w). */
struct VLview {
  float position[3];
  float orientation[4];
};

/* Reader arguments shared by both forms. */
struct VLnffoptions {
  VLview *view;        /* filled when not null (defaults first) */
  float scale;         /* every vertex coordinate is multiplied by it */
  bool merge;          /* merge the geometries into one (unless "distinct") */
  /* Not null: portal polygons ("-name") become portal records of the
   * universe, and *portals is set to the first one made (null if none). */
  VLportal **portals;
};

/* --- readers: a list of geometries (VLgeomcell, release the cells with
 *     free()), or null after warnings --- */
/* Text form over size bytes; path names the file in messages. */
VLgeomcell *VLnff_readbytes(const char *path, const char *data, size_t size,
                            const VLnffoptions *options);
/* Binary form over size bytes, starting at the magic. */
VLgeomcell *VLbnff_readbytes(const char *path, const unsigned char *data, size_t size,
                             const VLnffoptions *options);
/* The text form from stream (from its position; left open), or from the
 * file at path when stream is null. */
VLgeomcell *VLnff_read(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       VLportal **portals);
/* The binary form from stream (required, positioned at the magic). */
VLgeomcell *VLbnff_read(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                        VLportal **portals);

/* --- loaders: one Geometry node per geometry (under the orphan holder;
 *     movable when flag is non-zero), named after it; the list of nodes in
 *     reverse order of the geometries (release the cells with free()) --- */
VLnodecell *VLnff_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       VLportal **portals, int flag);
VLnodecell *VLbnff_load(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                        VLportal **portals, int flag);

#endif
