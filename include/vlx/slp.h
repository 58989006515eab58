/* SLP files: ASCII polygon soups of named solids ("solid" name ...
 * "endsolid"), each facet listing its vertices with per-vertex normals,
 * and "color r g b" lines that colour the facets after them. Each solid
 * becomes one geometry. Read through the text tokenizer ("//" comments);
 * the core reads bytes already read, the stream entry points only fetch
 * them. Reading stops at the first unknown keyword or bad colour; the
 * geometries completed before it are kept. */
#ifndef VLX_SLP_H
#define VLX_SLP_H

#include <stddef.h>
#include <stdio.h>

struct VLgeomcell;
struct VLobject;

/* One cell of a list of objects (what universe loading installs). */
struct VLobjectcell {
  VLobject *object;
  VLobjectcell *next;
};

/* Most vertices and most normals a facet keeps; further ones are ignored
 * (with a warning). */
enum { VLSLP_MAXFACETVERTICES = 10 };

/* The geometries of size bytes, one per solid, in file order (release the
 * cells with free()); null when none was completed. Every coordinate is
 * multiplied by scale unless it is exactly 1. */
VLgeomcell *VLslp_readbytes(const char *path, const char *data, size_t size, float scale);
/* The same from stream (its position onwards; left open); arg is unused. */
VLgeomcell *VLslp_read_geometries(FILE *stream, const char *path, float scale, int arg);
/* Each geometry made an object of the universe (align: flag, as for
 * VLobject_newfromnode); the objects in reverse file order (release the
 * cells with free()), or null. */
VLobjectcell *VLslp_read_objects(FILE *stream, const char *path, float scale, int arg, int flag);

#endif
