/* The parts of the DXF reader: the scanner (group-code/value pairs of a
 * byte buffer), the parser (sections, tables, blocks, entities), the
 * entity converters that add polygons to block records, and the
 * instantiation of the "world" block into geometries. Coordinates stay in
 * drawing axes (z up) until the geometries are built. */
#ifndef VLX_READERS_DXF_DXF_INTERNAL_H
#define VLX_READERS_DXF_DXF_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "vlx/dxf.h"

struct VLview;

/* Longest value line; a longer one is cut to this length. */
enum { VLDXF_LINEMAX = 512 };
/* Most points of a tessellated arc and vertices of a polyline. */
enum { VLDXF_MAXARC = 512, VLDXF_MAXPOLYLINE = 512 };
/* Deepest chain of INSERT entities. */
enum { VLDXF_MAXDEPTH = 32 };
/* Closer than this on every axis: the same point. */
#define VLDXF_EPSILON 0.004

/* Keyword tokens of group 0 and group 2 values. */
enum VLdxfkey {
  VLDXF_NONE = 0,
  /* structure */
  VLDXF_SECTION, VLDXF_ENDSEC, VLDXF_TABLE, VLDXF_ENDTAB, VLDXF_BLOCK, VLDXF_ENDBLK, VLDXF_EOF,
  /* entities */
  VLDXF_LINE, VLDXF_3DLINE, VLDXF_POINT, VLDXF_CIRCLE, VLDXF_ARC, VLDXF_TRACE, VLDXF_SOLID,
  VLDXF_3DFACE, VLDXF_TEXT, VLDXF_SHAPE, VLDXF_INSERT, VLDXF_DIMENSION, VLDXF_POLYLINE,
  VLDXF_VERTEX, VLDXF_SEQEND, VLDXF_ATTRIB, VLDXF_ATTDEF, VLDXF_VIEWPORT,
  /* table entries (and table names) */
  VLDXF_LTYPE, VLDXF_LAYER, VLDXF_STYLE, VLDXF_VIEW, VLDXF_VPORT, VLDXF_UCS, VLDXF_DIMSTYLE,
  VLDXF_DWGMGR, VLDXF_APPID, VLDXF_BLOCK_RECORD,
  /* section names and other group 2 words */
  VLDXF_HEADER, VLDXF_CLASSES, VLDXF_TABLES, VLDXF_BLOCKS, VLDXF_ENTITIES, VLDXF_ACTIVE,
  VLDXF_AME_SOL
};

/* Value kinds by group code. */
enum VLdxfkind { VLDXF_TEXTVALUE, VLDXF_FLOATVALUE, VLDXF_INTVALUE };

/* One group-code/value pair. */
struct VLdxfpair {
  int code = -1;          /* -1: the end of the input */
  int kind = VLDXF_TEXTVALUE;
  std::string text;       /* the value line, carriage returns removed */
  double f = 0.0;         /* floating-point values */
  long i = 0;             /* integer values */
  int key = VLDXF_NONE;   /* keyword of a group 0 or 2 value */
  int line = 0;           /* line number of the value */
};

/* The pairs of a byte buffer. */
class VLdxfscanner {
 public:
  VLdxfscanner(const char *data, size_t size) : data_(data), size_(size) {}
  /* The next pair into p (comments, group 999, skipped); false at the end
   * of the input (p.code -1) or for a pair that does not convert (bad()). */
  bool next(VLdxfpair &p);
  bool bad(void) const { return bad_; }

 private:
  bool line(std::string &out);
  bool convert(VLdxfpair &p);

  const char *data_;
  size_t size_;
  size_t pos_ = 0;
  int lineno_ = 0;
  bool bad_ = false;
};

/* Value kind of a group code. */
int _VLdxf_kind(int code);
/* Keyword of a group 0 or group 2 value (VLDXF_NONE when it is none). */
int _VLdxf_keyword(int code, const std::string &value);

/* The fields of the entity being read, by group code. */
struct VLdxfentity {
  enum { NFLOAT = 80, NINT = 20 };
  int key = VLDXF_NONE;
  double f[NFLOAT] = {};     /* codes 10-59 at 0-49, 210-239 at 50-79 */
  uint8_t hasf[NFLOAT] = {};
  long i[NINT] = {};         /* codes 60-79 */
  uint8_t hasi[NINT] = {};
  std::string name;          /* group 2 */
  std::string layer;         /* group 8 */

  void reset(int k);
  void store(const struct VLdxfpair &p);
  double get(int code, double fallback) const;
  long geti(int code, long fallback) const;
  bool has(int code) const;
};

/* A point in drawing coordinates. */
struct VLdxfp3 {
  double x, y, z;
};

/* One polygon of a block: corners[first .. first + n) of its block. */
struct VLdxfpoly {
  uint32_t first;
  uint32_t n;
  int colour;                /* colour number; 0 takes the inserting entity's */
  bool both;
};

/* An INSERT entity, expanded when its block is instantiated. */
struct VLdxfinsert {
  std::string block;
  VLdxfp3 point, scale, normal;
  double rotation;           /* degrees */
  int columns, rows;
  double colspacing, rowspacing;
  int colour;
};

/* A BLOCK definition, or the "world" block of the ENTITIES section. */
struct VLdxfblock {
  std::string name;
  VLdxfp3 base = {0, 0, 0};
  std::vector<float> xyz;            /* shared vertices, 3 floats each */
  std::vector<uint32_t> corners;     /* vertex indexes of the polygons */
  std::vector<VLdxfpoly> polys;
  std::vector<VLdxfinsert> inserts;
  /* The vertex hash: bucket heads and chains (-1 ends). */
  std::vector<int32_t> heads, chain;

  /* Index of the vertex at exactly p, made when there is none. */
  uint32_t vertex(const float p[3]);
};

struct VLdxflayer {
  std::string name;
  int colour;                /* negative when the layer is off or frozen */
};

/* One VERTEX of the open polyline. */
struct VLdxfvertex {
  VLdxfp3 p;
  double startwidth, endwidth;
  int flags;
  int face[4];               /* polyface indexes (71-74) */
};

/* The file being read. */
struct VLdxfreader {
  const char *path;
  const VLdxfoptions *options;
  VLdxfscanner scan;
  VLdxfpair cur;
  bool failed = false;                 /* syntax error or a limit reached */
  VLdxfentity e;
  std::vector<VLdxflayer> layers;
  std::unordered_map<std::string, size_t> layerindex;
  std::vector<std::unique_ptr<VLdxfblock>> blocks;  /* [0] is "world" */
  std::unordered_map<std::string, size_t> blockindex;
  VLdxfblock *block = nullptr;         /* receives the entities */
  /* The open POLYLINE: its own fields, colour and vertices. */
  bool polyopen = false;
  VLdxfentity polyline;
  int polycolour = 0;
  std::vector<VLdxfvertex> vertices;
  std::vector<VLdxfp3> kept;           /* scratch of _VLdxf_addpoly */
  int openignored = 0, ignored3d = 0;
  std::set<std::string> skippedkinds;  /* warned about once each */
  bool hasview = false;
  VLdxfp3 viewtarget = {0, 0, 0}, viewdir = {0, 0, 0};

  VLdxfreader(const char *p, const VLdxfoptions *o, const char *data, size_t size)
      : path(p), options(o), scan(data, size) {}
};

/* --- parser (dxf_parse.cpp) --- */
/* Reads the whole file into r's layers and blocks; false after a syntax
 * error or a reached limit. */
bool _VLdxf_parse(VLdxfreader &r);
/* The syntax error report at the current pair; always false. */
bool _VLdxf_syntaxerror(VLdxfreader &r);

/* --- converters (dxf_entities.cpp, dxf_polyline.cpp) --- */
/* Converts the entity in r.e into polygons of r.block; false when a limit
 * stops the reading. */
bool _VLdxf_convert(VLdxfreader &r);
/* Ends the open polyline (if any) into polygons; false at a limit. */
bool _VLdxf_endpolyline(VLdxfreader &r);
bool _VLdxf_polyline(VLdxfreader &r, int colour);
bool _VLdxf_vertex(VLdxfreader &r);
/* The colour of the entity in e: its own or its layer's; negative when it
 * is not shown. */
int _VLdxf_colour(const VLdxfreader &r, const VLdxfentity &e);

/* --- geometry of the block records (dxf_block.cpp) --- */
/* The object coordinate system of an extrusion direction: rows x, y, z. */
struct VLdxfocs {
  VLdxfp3 ax, ay, az;
  VLdxfp3 world(const VLdxfp3 &p) const;
};
void _VLdxf_ocs(const VLdxfp3 &normal, VLdxfocs *out);
/* The extrusion direction of e (0, 0, 1 by default). */
VLdxfp3 _VLdxf_normal(const VLdxfentity &e);
/* The point of group codes 10 + k, 20 + k, 30 + k. */
VLdxfp3 _VLdxf_point(const VLdxfentity &e, int k);
/* Adds the polygon of n points to r.block: close points merged, fewer
 * than 3 give nothing, more than a polygon holds give "Internal fault 5". */
void _VLdxf_addpoly(VLdxfreader &r, const VLdxfp3 *points, int n, int colour, bool both);
/* The side walls of the points p[0..n) raised by h (a closed ring when
 * closed), and the caps at both ends when caps. */
void _VLdxf_extrude(VLdxfreader &r, const VLdxfp3 *p, int n, const VLdxfp3 &h, bool closed,
                    bool caps, int colour, bool both);

/* --- instantiation (dxf_build.cpp) --- */
/* The geometries of the world block with its inserts; null when none. */
VLgeomcell *_VLdxf_build(VLdxfreader &r);

#endif
