/* 3D Studio mesh files (binary chunks, top chunk M3DMAGIC "MM"). Read in
 * two stages: the chunk tree becomes an in-memory database of mesh objects,
 * materials, lights, cameras and scene settings; then every mesh object
 * becomes one geometry, all of them sharing one material table per file
 * (entry 0 the default material, then the file's materials in file order),
 * with textures applied from the materials' texture maps. Lights, cameras,
 * scene settings and keyframe data are read or skipped, never converted.
 * Each stage has a core over bytes already read; the stream entry points
 * only fetch the bytes. One file is read at a time. */
#ifndef VLX_3DS_H
#define VLX_3DS_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

struct VLgeomcell;
struct VLnodecell;
struct VL3dsdb;

/* Results of _VL3ds_read. */
enum {
  VL3DS_OK = 0,
  VL3DS_NOMEMORY = 2,     /* kept for callers; allocation failure is fatal here */
  VL3DS_BADCHUNK = 33     /* a chunk does not read, or no M3DMAGIC */
};

/* --- the database --- */
/* Parses size bytes (path names the file in messages) into *db (release
 * with _VL3ds_free). VL3DS_BADCHUNK after "_VL3ds_read: could not
 * interpret Chunk\n" or "I found no M3DMAGIC in 3DS file\n"; *db is null
 * then. */
int _VL3ds_readbytes(const char *path, const uint8_t *data, size_t size, VL3dsdb **db);
/* The same over the rest of stream (left open). */
int _VL3ds_read(FILE *stream, VL3dsdb **db);
/* Frees a database; null is ignored. */
void _VL3ds_free(VL3dsdb *db);

/* --- geometries: a list in file order (release the cells with free()),
 *     or null after warnings --- */
/* Every vertex coordinate is multiplied by scale; merge joins every
 * geometry into the first. */
VLgeomcell *VL3ds_readbytes(const char *path, const uint8_t *data, size_t size, float scale,
                            bool merge);
/* From stream (its position onwards; left open). Null stream: "Null file
 * pointer into _VL3ds_read_geometries !!\n". A file that does not parse:
 * "Unable to parse 3D Studio file '%s'\n". */
VLgeomcell *_VL3ds_read_geometries(FILE *stream, const char *path, float scale, bool merge);

/* --- loader: one Geometry node per geometry (under the orphan holder;
 *     movable when flag is non-zero), named after it; the nodes in reverse
 *     order of the geometries (release the cells with free()) --- */
VLnodecell *VL3ds_load(FILE *stream, const char *path, float scale, bool merge, int flag);

#endif
