/* OpenFlight databases (record format 14.x): a tree of big-endian records
 * (header, groups, levels of detail, objects with their faces, instances,
 * external references, replication, switches) with colour, material,
 * texture and vertex palettes, converted into a subtree: groups become
 * Separators, levels of detail Lods, matrices Xforms, objects Geometry
 * nodes. Coordinates follow the header's units, in metres; the root's first
 * child is an Xform that turns the file's z-up axes into y-up.
 * The reader works over bytes already read; the files that external
 * references and texture attribute files name are read through a callback
 * (the file system by default). A reference back to a file being read and
 * an instance placed inside its own definition are refused with a warning.
 * Every problem is a warning; one file is read at a time. */
#ifndef VLX_FLT_H
#define VLX_FLT_H

#include <stddef.h>

struct VLnode;

/* Reads a whole file that a database names (an external reference): the
 * bytes in *data (allocated with malloc; the reader frees them) and their
 * number in *size; false when the file cannot be read. */
typedef bool (*VLflt_fetchfn)(void *user, const char *path, char **data, size_t *size);

struct VLfltoptions {
  VLflt_fetchfn fetch;  /* null: the file system (and the model search path) */
  void *user;           /* handed to fetch */
  bool longids;         /* name groups by their long ID records when present */
};

/* The subtree of the database in size bytes (a Separator under the orphan
 * holder), or null after warnings. path names the file in messages and is
 * the base of relative external references; options may be null. */
VLnode *VLflt_readbytes(const char *path, const unsigned char *data, size_t size,
                        const VLfltoptions *options);
/* The database at path (searched by its last name along VLMODELS when it
 * does not open as given); null after "Couldn't load Multigen file". */
VLnode *VLflt_load(const char *path);

#endif
