/* VRML 1.0 worlds, local files or "http://" URLs, turned into a subtree of
 * the scene graph while they are parsed: Separators, Groups, Switches,
 * LODs, transforms, lights, cameras (viewpoints), anchors, inlines
 * (fetched after the file that names them), indexed face sets and the
 * primitive shapes with their materials (material tables) and textures.
 * A syntax error abandons the file: everything built from it is removed.
 * One file is read at a time. */
#ifndef VLX_VRML_H
#define VLX_VRML_H

#include <stddef.h>

struct VLnode;

/* Serves the bytes of a file or URL that a world names (its inlines) from
 * the caller instead of the file system or the network: true with a
 * VLmalloc'd buffer (released by the reader with free()) in *data and its
 * size in *size, false when there is no such file. */
typedef bool (*VLvrml_fetchfn)(const char *url, char **data, size_t *size, void *user);

struct VLvrmloptions {
  VLvrml_fetchfn fetch;   /* null: files and URLs are opened directly */
  void *user;             /* handed to fetch */
  bool noinlines;         /* true: Inline nodes are made but not loaded */
  long maxcopies;         /* most nodes, vertices and polygons that USE copies
                             may make in one file; 0: VLVRML_MAXCOPIES */
};

/* Most nodes, vertices and polygons that one file's USE copies (made
 * under another material) may add up to: about a second of copying and
 * 150 MB at worst; a file that needs more is refused. */
enum { VLVRML_MAXCOPIES = 1 << 20 };
/* Largest nesting of nodes in one file; a deeper file is refused. */
enum { VLVRML_MAXDEPTH = 1000 };
/* Deepest chain of inline files, and most inline files of one load. */
enum { VLVRML_MAXINLINEDEPTH = 16, VLVRML_MAXINLINES = 4096 };

/* Loads the VRML 1.0 file at path (or the "http://" URL) under parent
 * (null: the orphan holder). base is the path that relative names in the
 * file are resolved against (normally path itself); material is the
 * material-table node current at the start (null: none). The top node
 * built, or null after a warning ("Could not open %s", "Invalid VRML
 * File (%s)", a syntax error). */
VLnode *VLvrml_load(VLnode *parent, const char *path, const char *base, VLnode *material);

/* The same over a file already in memory; name labels the messages and is
 * the base of relative names. options may be null. */
VLnode *VLvrml_readbytes(VLnode *parent, const char *name, const char *data, size_t size,
                         const VLvrmloptions *options);

#endif
