/* Wavefront OBJ files with their material ("mtllib") and map ("maplib")
 * libraries, and 3DG1 polygon lists. Each reader has a core over bytes
 * already read and a file entry point that only fetches the bytes; each
 * returns one geometry (with its own material table) or null after
 * warnings. Libraries are found as given, along VLMODELS, then in the OBJ
 * file's own folder. One file is read at a time. */
#ifndef VLX_OBJ_H
#define VLX_OBJ_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

struct VLgeometry;

/* --- Wavefront OBJ --- */
/* An OBJ text of size bytes; path names the file in messages and gives
 * the folder searched for its libraries. Positions are multiplied by
 * scale. */
VLgeometry *VLobj_readbytes(const char *path, const char *data, size_t size, float scale);
/* The rest of stream (left open), or the file at path when stream is null. */
VLgeometry *VLobj_read(FILE *stream, const char *path, float scale);
/* First pass over a material library: the number of "newmtl" entries, and
 * in *mask (when not null) the material-table properties its colour,
 * shininess and translucency statements use. -1 when the file does not
 * open. */
int VLmtl_read(const char *path, uint32_t *mask);

/* --- 3DG1 --- */
/* A 3DG1 polygon list of size bytes, starting at its magic; the second
 * coordinate of every vertex is negated, then all are multiplied by
 * scale. */
VLgeometry *VL3dg1_readbytes(const char *path, const char *data, size_t size, float scale);
/* The rest of stream (left open), or the file at path when stream is null. */
VLgeometry *VL3dg1_read(FILE *stream, const char *path, float scale);

#endif
