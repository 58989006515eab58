/* The VRML 1.0 reader's shared declarations: the token codes and keyword
 * indexes, the input stage (blocks from a stream, a socket or memory), the
 * lexer, the value pool and field parsers, the node records, the
 * traversal state (property levels), the DEF and pending-inline lists,
 * and the parse-and-build routine of each node type. All of it lives in
 * one state record: one file is read at a time. A syntax error throws
 * VLvrmlabort, which only the load functions catch. */
#ifndef VLX_READERS_VRML_VRML_INTERNAL_H
#define VLX_READERS_VRML_VRML_INTERNAL_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "vlx/vrml.h"

struct VLgeometry;
struct VLnode;
struct VLmtable;
struct VLpoly;
struct VLtexture;
struct VLviewpoint;

/* --- tokens --- */
enum {
  VLT_UNKNOWN = 0, VLT_LPAREN = 1, VLT_RPAREN = 2, VLT_LBRACKET = 3, VLT_RBRACKET = 4,
  VLT_LBRACE = 5, VLT_RBRACE = 6, VLT_COMMA = 7, VLT_TILDE = 8, VLT_BAR = 9, VLT_EOF = 10,
  VLT_INT = 11, VLT_FLOAT = 12, VLT_DEF = 13, VLT_USE = 14, VLT_STRING = 15, VLT_NAME = 16,
  VLT_NODETYPE = 17, VLT_FIELD = 18, VLT_ENUM = 19
};

/* Node-type keywords (token 17). */
enum {
  VLN_ASCIITEXT, VLN_CONE, VLN_COORDINATE3, VLN_CUBE, VLN_CYLINDER, VLN_DIRECTIONALLIGHT,
  VLN_FONTSTYLE, VLN_GROUP, VLN_INDEXEDFACESET, VLN_INDEXEDLINESET, VLN_INFO,
  VLN_LEVELOFDETAIL, VLN_LOD, VLN_MATERIAL, VLN_MATERIALBINDING, VLN_MATRIXTRANSFORM,
  VLN_NORMAL, VLN_NORMALBINDING, VLN_ORTHOGRAPHICCAMERA, VLN_PERSPECTIVECAMERA,
  VLN_POINTLIGHT, VLN_POINTSET, VLN_ROTATION, VLN_SCALE, VLN_SEPARATOR, VLN_SHAPEHINTS,
  VLN_SPHERE, VLN_SPOTLIGHT, VLN_SWITCH, VLN_TEXTURE2, VLN_TEXTURE2TRANSFORM,
  VLN_TEXTURECOORDINATE2, VLN_TRANSFORM, VLN_TRANSFORMSEPARATOR, VLN_TRANSLATION,
  VLN_WWWANCHOR, VLN_WWWINLINE, VLN_COUNT
};

/* Field-name keywords (token 18). */
enum {
  VLF_STRING, VLF_SPACING, VLF_JUSTIFICATION, VLF_WIDTH, VLF_PARTS, VLF_BOTTOMRADIUS,
  VLF_HEIGHT, VLF_POINT, VLF_DEPTH, VLF_RADIUS, VLF_ON, VLF_INTENSITY, VLF_COLOR,
  VLF_DIRECTION, VLF_SIZE, VLF_FAMILY, VLF_STYLE, VLF_COORDINDEX, VLF_MATERIALINDEX,
  VLF_NORMALINDEX, VLF_TEXTURECOORDINDEX, VLF_SCREENAREA, VLF_RANGE, VLF_CENTER,
  VLF_AMBIENTCOLOR, VLF_DIFFUSECOLOR, VLF_SPECULARCOLOR, VLF_EMISSIVECOLOR, VLF_SHININESS,
  VLF_TRANSPARENCY, VLF_VALUE, VLF_MATRIX, VLF_VECTOR, VLF_POSITION, VLF_ORIENTATION,
  VLF_FOCALDISTANCE, VLF_NEARDISTANCE, VLF_FARDISTANCE, VLF_HEIGHTANGLE, VLF_ASPECTRATIO,
  VLF_VIEWPORTMAPPING, VLF_LOCATION, VLF_STARTINDEX, VLF_NUMPOINTS, VLF_ROTATION,
  VLF_SCALEFACTOR, VLF_RENDERCULLING, VLF_VERTEXORDERING, VLF_SHAPETYPE, VLF_FACETYPE,
  VLF_CREASEANGLE, VLF_DROPOFFRATE, VLF_CUTOFFANGLE, VLF_WHICHCHILD, VLF_FILENAME,
  VLF_IMAGE, VLF_WRAPS, VLF_WRAPT, VLF_MODEL, VLF_BLENDCOLOR, VLF_TRANSLATION,
  VLF_SCALEORIENTATION, VLF_NAME, VLF_DESCRIPTION, VLF_MAP, VLF_BBOXSIZE, VLF_BBOXCENTER,
  VLF_ISA, VLF_FIELDS, VLF_COUNT
};

/* Enumeration keywords (token 19). */
enum {
  VLE_FALSE, VLE_TRUE, VLE_LEFT, VLE_CENTER, VLE_RIGHT, VLE_SIDES, VLE_BOTTOM, VLE_ALL,
  VLE_TOP, VLE_SERIF, VLE_SANS, VLE_TYPEWRITER, VLE_NONE, VLE_BOLD, VLE_ITALIC, VLE_DEFAULT,
  VLE_OVERALL, VLE_PER_PART, VLE_PER_PART_INDEXED, VLE_PER_FACE, VLE_PER_FACE_INDEXED,
  VLE_PER_VERTEX, VLE_PER_VERTEX_INDEXED, VLE_CROP_FILL, VLE_CROP_LINE, VLE_CROP_NO_FRAME,
  VLE_ADJUST_CAMERA, VLE_LEAVE_ALONE, VLE_OFF, VLE_ON, VLE_AUTO, VLE_UNKNOWN_ORDERING,
  VLE_CLOCKWISE, VLE_COUNTERCLOCKWISE, VLE_UNKNOWN_SHAPE_TYPE, VLE_SOLID,
  VLE_UNKNOWN_FACE_TYPE, VLE_CONVEX, VLE_REPEAT, VLE_CLAMP, VLE_MODULATE, VLE_BLEND,
  VLE_DECAL, VLE_POINT, VLE_COUNT
};

/* The keyword of text (len bytes): its token code (13, 14, 17, 18, 19) and
 * index, or token VLT_NAME. */
int _VLvrml_keyword(const char *text, size_t len, int *index);
/* The text of a keyword. */
const char *_VLvrml_nodename(int node);

/* --- input and lexer --- */
enum { VLVRML_BLOCK = 4096 };

struct VLvrmlinput {
  FILE *stream = nullptr;          /* one source of three */
  int sock = -1;
  const char *mem = nullptr;
  size_t memsize = 0, mempos = 0;
  FILE *copy = nullptr;            /* every block read is written here too */
  size_t taken = 0;                /* bytes taken from the socket */
  bool failed = false;             /* a read error or the size limit */
  unsigned char block[VLVRML_BLOCK + 1];
  size_t fill = 0, pos = 0;
  bool ended = false;              /* no more blocks */
};

struct VLvrmllexer {
  int state = 0;
  int look = ' ';                  /* lookahead character, -1 end of input */
  int line = 1, tokline = 1;
  std::string text;                /* text of the last token */
  int64_t ival = 0;
  double fval = 0;
  int keyword = 0;
  int pushed = 0;                  /* pushed-back token + 1, 0 none */
};

/* --- field values --- */
enum VLvrmlparser {
  VLP_SFFLOAT, VLP_SFLONG, VLP_SFBOOL, VLP_SFVEC2F, VLP_SFVEC3F, VLP_SFCOLOR, VLP_SFROTATION,
  VLP_SFMATRIX, VLP_SFSTRING, VLP_SFIMAGE, VLP_ENUM, VLP_BITMASK, VLP_BINDING, VLP_MFFLOAT,
  VLP_MFLONG, VLP_MFVEC2F, VLP_MFVEC3F, VLP_MFSTRING
};

/* One value of an enumeration set. */
struct VLvrmlenumval {
  int keyword;
  int value;
};
struct VLvrmlenumset {
  const VLvrmlenumval *values;
  int count;
};

/* One field a node type accepts, with its default. */
struct VLvrmlfielddef {
  int field;
  VLvrmlparser parser;
  const VLvrmlenumset *set;
  float def[4];
  int idef;
};

struct VLvrmlnodedef {
  const VLvrmlfielddef *fields;
  int count;
  bool grouping;
};
const VLvrmlnodedef &_VLvrml_nodedef(int node);

/* An inline image (SFImage) as RGBA bytes. */
struct VLvrmlimage {
  int width = 0, height = 0;
  bool alpha = false;              /* any alpha below 255 */
  std::vector<uint8_t> pixels;
};

/* A parsed field: scalars in f / i, lists in the pool. */
struct VLvrmlvalue {
  bool present = false;
  float f[16];
  int32_t i = 0;
  uint32_t offset = 0;             /* pool offset of a list */
  int32_t count = 0;               /* values in the list */
  std::string s;
};

enum { VLVRML_MAXFIELDS = 8 };

/* The fields of one node as read (defaults where absent). */
struct VLvrmlrecord {
  int node = 0;
  const VLvrmlnodedef *def = nullptr;
  VLvrmlvalue v[VLVRML_MAXFIELDS];
  uint32_t next = 0;               /* next free pool word for its lists */
  VLvrmlimage *image = nullptr;    /* Texture2's image field */
  bool children = false;           /* a grouping node's children follow */
  const VLvrmlvalue &get(int field) const;
};

/* --- traversal state --- */
struct VLvrmlrange {
  uint32_t offset = 0;
  int32_t count = 0;
  bool set = false;
};

struct VLvrmllevel {
  VLnode *material = nullptr;      /* material-table node */
  VLmtable *mtable = nullptr;
  VLtexture *texture = nullptr;
  std::string glom;
  float texmatrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  uint32_t pooltop = 0;
  VLvrmlrange coords, normals, texcoords;
  VLvrmlrange mat[6];              /* ambient, diffuse, specular, emissive, shininess, transparency */
  int matbinding = VLE_OVERALL;
  int normbinding = 0;
  int ordering = 0, shapetype = 0, facetype = 1;
  int infomode = 0;
  float crease = 0.5f;
};

/* DEF record kinds. */
enum { VLDEF_NODE = 1, VLDEF_MATERIAL = 2, VLDEF_TEXTURE = 3 };

struct VLvrmldef {
  std::string name;
  int kind = 0;
  VLnode *node = nullptr;          /* kinds 1 and 2 */
  VLmtable *mtable = nullptr;      /* kind 2 */
  VLtexture *texture = nullptr;    /* kind 3 */
};

struct VLvrmlpending {
  VLnode *inlinenode;
  std::string url;
  int depth;                       /* inline files above it */
};

/* The value pool's words: grown with realloc, which moves a large block
 * by remapping it instead of copying and zeroing it. */
struct VLvrmlpool {
  uint32_t *words = nullptr;
  size_t count = 0;
  size_t size(void) const { return count; }
  uint32_t &operator[](size_t i) { return words[i]; }
  const uint32_t &operator[](size_t i) const { return words[i]; }
  /* False when the memory cannot be had. */
  bool resize(size_t n);
};

/* Thrown by a syntax error (after its message); caught by the loader. */
struct VLvrmlabort {};

struct VLvrmlstate {
  VLvrmlinput in;
  VLvrmllexer lex;
  VLvrmlpool pool;                 /* floats and integers, 32 bits each */
  std::vector<VLvrmllevel> levels;
  std::vector<VLvrmldef *> defs;   /* this file's DEF list */
  std::unordered_map<std::string, VLvrmldef *> defindex;  /* the same by name */
  std::vector<VLvrmlpending> pending;
  const char *path = "";           /* the file being read (messages) */
  std::string base;                /* base of relative names */
  VLnode *fileparent = nullptr;
  std::vector<VLnode *> topnodes;  /* nodes made directly under fileparent */
  std::vector<VLmtable *> tables;  /* tables made by this load */
  std::vector<VLviewpoint *> viewpoints;
  VLviewpoint *oldviewpoint = nullptr;
  int depth = 0;                   /* node nesting */
  int inlinedepth = 0;
  long copied = 0;                 /* nodes, vertices, polygons copied */
  long maxcopies = VLVRML_MAXCOPIES;
  int imagecounter = 0;
  int made[3] = {0, 0, 0};          /* inline images, cameras, lights of this file */
  int inlinesloaded = 0;
  const VLvrmloptions *options = nullptr;
};
VLvrmlstate &_VLvrml(void);

/* --- input stage (vrml_input.cpp) --- */
/* Resets the lexer, reads the first block and checks the header: 1 when
 * it is VRML 1.0, 0 otherwise. */
int _VLvrml_open(VLvrmlstate &c);
/* Next character: a byte, or -1 at the end of the input. */
int _VLvrml_refill(VLvrmlstate &c);
inline int _VLvrml_getc(VLvrmlstate &c) {
  VLvrmlinput &in = c.in;
  if (in.pos < in.fill) return in.block[in.pos++];
  return _VLvrml_refill(c);
}
/* Closes the source. */
void _VLvrml_close(VLvrmlstate &c);

/* --- lexer (vrml_lexer.cpp) --- */
int _VLvrml_lex(VLvrmlstate &c);
void _VLvrml_unlex(VLvrmlstate &c, int token);
/* The syntax error of the current token: message, then VLvrmlabort. */
[[noreturn]] void _VLvrml_syntax(VLvrmlstate &c);
/* A token of the expected code, else a syntax error. */
void _VLvrml_expect(VLvrmlstate &c, int token);

/* --- values (vrml_values.cpp) --- */
float _VLvrml_poolf(const VLvrmlstate &c, uint32_t at);
int32_t _VLvrml_pooli(const VLvrmlstate &c, uint32_t at);
/* Reads one field value of the parser into v (lists at pool offset at);
 * a syntax error aborts. Returns the pool words used. */
uint32_t _VLvrml_parsevalue(VLvrmlstate &c, const VLvrmlfielddef &fd, VLvrmlvalue &v,
                            uint32_t at, VLvrmlimage **image);

/* --- grammar (vrml_parse.cpp) --- */
/* Reads the fields of a node up to its "}" or, for grouping types, up to
 * its first child (left unread). */
void _VLvrml_readfields(VLvrmlstate &c, VLvrmlrecord &r);
/* Reads the children of a grouping node up to and including "}". */
void _VLvrml_children(VLvrmlstate &c, VLnode *parent);
/* The file: its first node ("Illegal first Node in file" otherwise). */
VLnode *_VLvrml_file(VLvrmlstate &c, VLnode *parent);
/* The node after a node-type keyword whose "{" is read: parse and build. */
VLnode *_VLvrml_node(VLvrmlstate &c, int type, VLnode *parent, VLvrmldef *def);

/* --- building --- */
VLvrmllevel &_VLvrml_top(VLvrmlstate &c);
void _VLvrml_push(VLvrmlstate &c);
void _VLvrml_pop(VLvrmlstate &c);
/* Records a node made directly under the file's parent. */
void _VLvrml_made(VLvrmlstate &c, VLnode *parent, VLnode *node);
/* Names a node made under a DEF (and its geometry). */
void _VLvrml_name(VLvrmlstate &c, VLnode *node, VLvrmldef *def);
/* A shape's geometry: the current material table, a Geometry node under
 * parent, the DEF name; the node (null when the geometry is). */
VLnode *_VLvrml_shapenode(VLvrmlstate &c, VLnode *parent, VLgeometry *g, VLvrmldef *def);
/* Name resolved against the base path ("http://" and "/" names as given). */
std::string _VLvrml_resolve(const VLvrmlstate &c, const std::string &name);
/* USE of a DEF record under parent. */
void _VLvrml_use(VLvrmlstate &c, VLvrmldef *d, VLnode *parent);
/* Removes the material-table nodes of the subtree (deleting the tables
 * no geometry holds). */
void _VLvrml_postpass(VLvrmlstate &c, VLnode *top);
/* The current texture loaded from a Texture2 record. */
VLtexture *_VLvrml_texture(VLvrmlstate &c, const VLvrmlrecord &r);
/* Texture on a polygon with explicit coordinates, shaded, tinted. */
void _VLvrml_texturepoly(VLpoly *p, VLtexture *t, const float *u, const float *v);

/* Things a file makes at most of each kind (inline images, cameras,
 * lights): each holds device memory or sits in a universe list. */
enum { VLVRML_IMAGES, VLVRML_CAMERAS, VLVRML_LIGHTS };
/* Counts one more; false (with the warning once) beyond the limit. */
bool _VLvrml_count(VLvrmlstate &c, int kind);

/* Routines per node type, each given the filled record. */
typedef VLnode *(*VLvrmlbuildfn)(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent,
                                  VLvrmldef *def);
VLnode *_VLvrml_buildgroup(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildtransform(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildproperty(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildmaterial(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildtexture(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildlight(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildcamera(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildinfo(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildfaceset(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildprimitive(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);
VLnode *_VLvrml_buildinline(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def);

/* --- loading (vrml_load.cpp) --- */
/* Fetches a URL into a private temporary file (mkstemp in TMPDIR) with
 * any HTTP header skipped; its path, or empty after "Could not retrieve". */
std::string _VLvrml_fetchtemp(VLvrmlstate &c, const std::string &url);

#endif
