/* The OpenFlight reader's shared parts. Reading runs in two passes over a
 * file held in memory: the scan (flt_scan.cpp) walks the records with a
 * bounds-checked cursor, reads the header and the palettes, and turns the
 * push/pop nesting into a tree of beads (one per record that makes
 * something) with their ancillary records; the conversion
 * (flt_convert.cpp) walks that tree with an explicit stack and makes the
 * nodes, objects becoming geometries (flt_geometry.cpp). A file's context
 * lives as long as its conversion; external references get their own, in
 * one session that remembers the files being read. */
#ifndef VLX_READERS_FLT_FLT_INTERNAL_H
#define VLX_READERS_FLT_FLT_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "readers/bytes/byte_cursor.h"
#include "vlx/flt.h"
#include "vlx/math.h"

struct VLmtable;
struct VLnode;

/* Opcodes the reader uses. */
enum {
  FLT_HEADER = 1, FLT_GROUP = 2, FLT_OLDLOD = 3, FLT_OBJECT = 4, FLT_FACE = 5,
  FLT_PUSH = 10, FLT_POP = 11, FLT_PUSHSUBFACE = 19, FLT_POPSUBFACE = 20,
  FLT_COMMENT = 31, FLT_COLOURS = 32, FLT_LONGID = 33, FLT_MATRIX = 49,
  FLT_REPLICATE = 60, FLT_INSTREF = 61, FLT_INSTDEF = 62, FLT_EXTREF = 63,
  FLT_TEXTURE = 64, FLT_MATERIALS = 66, FLT_VERTICES = 67, FLT_VERTEXC = 68,
  FLT_VERTEXCN = 69, FLT_VERTEXCNT = 70, FLT_VERTEXCT = 71, FLT_VERTEXLIST = 72,
  FLT_LOD = 73, FLT_SWITCH = 96
};

/* Deepest push nesting read; records nested deeper are skipped. */
enum { VLFLT_MAXDEPTH = 1000 };
/* Most files an external reference chain may open, and most external
 * files read for one top-level file. */
enum { VLFLT_MAXREFDEPTH = 32, VLFLT_MAXREFS = 4096 };
/* Most copies that replication makes for one top-level file. */
enum { VLFLT_MAXCOPIES = 100000 };

/* One record that makes something, in the tree of the push/pop nesting. */
struct FltBead {
  uint16_t opcode;
  size_t at, length;          /* the record in the file */
  int parent = -1, first = -1, last = -1, next = -1;
  size_t matrix = 0;          /* ancillary records: offsets, 0 none */
  size_t replicate = 0;
  size_t longid = 0;
};

/* One texture palette entry. */
struct FltTexture {
  int pattern;
  std::string file;           /* as the palette names it */
  bool resolved = false;
  std::string name;           /* the name the texture loads under */
};

/* One reader call and the external references it follows. */
struct FltSession {
  VLfltoptions options;
  std::string top;                 /* the file first asked for */
  std::vector<std::string> open;   /* keys of the files being read */
  int refs = 0;                    /* external files read so far */
  int copies = 0;                  /* replicated copies made so far */
};

/* One file being read (the loader context). */
struct FltFile {
  FltFile(FltSession *s, const std::string &p, const std::string &d, const uint8_t *bytes,
          size_t n)
      : session(s), path(p), dir(d), data(bytes), size(n) {}
  FltSession *session;
  std::string path, dir;           /* dir: "" or ending in "/" */
  const uint8_t *data;
  size_t size;
  double unitscale = 1.0;
  int32_t revision = 0;
  std::vector<FltBead> beads;      /* beads[0] is the header */
  size_t palette = 0, paletteend = 0;  /* the vertex palette, 0 none */
  std::vector<uint32_t> colours;   /* colour palette: a, b, g, r bytes */
  size_t materials = 0;            /* material palette record, 0 none */
  std::vector<FltTexture> textures;
  std::vector<int> missingtextures;    /* indexes already reported */
  VLmtable *table = nullptr;       /* the file's material table */
  int nmaterials = 0;              /* its first entries: the palette */
  std::unordered_map<uint64_t, int> entries;  /* colour/material -> entry */
};

/* Name of an opcode in messages ("unknown" for the others). */
const char *_VLflt_opname(int opcode);
/* Big-endian double and the 8-character ID at offset 4 of a record. */
double _VLflt_f64(VLbytecursor &c);
float _VLflt_f32(VLbytecursor &c);
std::string _VLflt_id(const FltFile &f, const FltBead &b);
/* A cursor over a record's bytes, placed after its 4-byte header. */
VLbytecursor _VLflt_record(const FltFile &f, size_t at, size_t length);

/* The scan: header, palettes and the bead tree; false when the file is
 * not one (after its warning). */
bool _VLflt_scan(FltFile &f);

/* The file's material table, made on first use. */
VLmtable *_VLflt_table(FltFile &f);
/* Fills the table's first entries from the material palette. */
void _VLflt_materials(FltFile &f);
/* Entry of the colour palette's index (intensity in the low 7 bits) as
 * r, g, b; false when the palette lacks it. */
bool _VLflt_palettergb(const FltFile &f, uint32_t index, uint8_t rgb[3]);
/* Table entry of a face's colour and material (-1: material index none). */
int _VLflt_entry(FltFile &f, const uint8_t rgb[3], int material);
/* The name a palette texture loads under (its attribute file applied), or
 * null after the warning for a missing palette index. */
const char *_VLflt_texture(FltFile &f, int pattern);

/* A Geometry node for an object bead under parent, or null. */
VLnode *_VLflt_object(FltFile &f, int bead, VLnode *parent);

/* Converts the file's beads under root. */
void _VLflt_convert(FltFile &f, VLnode *root);
/* Reads the file an external reference names (relative to f's folder)
 * into a subtree without the axis change; null after a warning. */
VLnode *_VLflt_external(FltFile &f, const std::string &name);
/* The subtree of a file's bytes (its context made and freed here; key
 * names it among the files being read); null after warnings. axis: insert
 * the axis-changing Xform. */
VLnode *_VLflt_readfile(FltSession &s, const std::string &path, const std::string &key,
                        const uint8_t *data, size_t size, bool axis);
/* A path with "." and ".." steps and repeated "/" taken out. */
std::string _VLflt_normalise(const std::string &path);
/* The key of a file among the files being read: its real path when it
 * exists, else the normalised path. */
std::string _VLflt_key(const std::string &path);

#endif
