/* The 3D Studio database and the chunk walk shared by the reader's files:
 * the chunk tags, the records the chunks fill, and the parse state with
 * its current colour and percentage. A container's sub-chunks are read
 * against one table of handlers; a tag that is not in the table is
 * skipped by its length. Every length is checked against the end of its
 * parent and every count against the bytes left before anything is read
 * or allocated. */
#ifndef VLX_READERS_3DS_3DS_INTERNAL_H
#define VLX_READERS_3DS_3DS_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "readers/bytes/byte_cursor.h"
#include "vlx/3ds.h"

/* Chunk tags. */
enum : uint16_t {
  TDS_COLOR_F = 0x0010,
  TDS_COLOR_24 = 0x0011,
  TDS_INT_PERCENTAGE = 0x0030,
  TDS_FLOAT_PERCENTAGE = 0x0031,
  TDS_MASTER_SCALE = 0x0100,
  TDS_SOLID_BGND = 0x1200,
  TDS_USE_SOLID_BGND = 0x1201,
  TDS_AMBIENT_LIGHT = 0x2100,
  TDS_USE_FOG = 0x2201,
  TDS_MDATA = 0x3D3D,
  TDS_MESH_VERSION = 0x3D3E,
  TDS_NAMED_OBJECT = 0x4000,
  TDS_N_TRI_OBJECT = 0x4100,
  TDS_POINT_ARRAY = 0x4110,
  TDS_FACE_ARRAY = 0x4120,
  TDS_MSH_MAT_GROUP = 0x4130,
  TDS_TEX_VERTS = 0x4140,
  TDS_SMOOTH_GROUP = 0x4150,
  TDS_MESH_MATRIX = 0x4160,
  TDS_MSH_BOXMAP = 0x4190,
  TDS_N_DIRECT_LIGHT = 0x4600,
  TDS_DL_SPOTLIGHT = 0x4610,
  TDS_DL_OFF = 0x4620,
  TDS_N_CAMERA = 0x4700,
  TDS_M3DMAGIC = 0x4D4D,
  TDS_MAT_ENTRY = 0xAFFF,
  TDS_MAT_NAME = 0xA000,
  TDS_MAT_AMBIENT = 0xA010,
  TDS_MAT_DIFFUSE = 0xA020,
  TDS_MAT_SPECULAR = 0xA030,
  TDS_MAT_SHININESS = 0xA040,
  TDS_MAT_SHIN2PCT = 0xA041,
  TDS_MAT_TRANSPARENCY = 0xA050,
  TDS_MAT_SELF_ILLUM = 0xA080,
  TDS_MAT_TWO_SIDE = 0xA081,
  TDS_MAT_SELF_ILPCT = 0xA084,
  TDS_MAT_SHADING = 0xA100,
  TDS_MAT_TEXMAP = 0xA200,
  TDS_MAT_OPACMAP = 0xA210,
  TDS_MAT_MAPNAME = 0xA300
};

/* Largest count of a 16-bit counted array. */
enum { TDS_MAXCOUNT = 0xFFFF };

/* A face: three vertex indexes and a flags word. */
struct VL3dsface {
  uint16_t v[3];
  uint16_t flags;
};

/* The faces one MSH_MAT_GROUP gives a material (resolved by name when the
 * geometries are made, so the materials may follow the objects). */
struct VL3dsmatgroup {
  std::string material;
  std::vector<uint16_t> faces;
};

struct VL3dsmesh {
  std::string name;
  std::vector<float> points;              /* 3 per vertex */
  std::vector<VL3dsface> faces;
  std::vector<VL3dsmatgroup> groups;
  bool hassmooth = false;
  std::vector<uint32_t> smooth;           /* one mask per face */
  bool hasuv = false;
  size_t nuv = 0;                         /* TEX_VERTS count */
  std::vector<float> uv;                  /* 2 per texture vertex */
  bool hasmatrix = false;
  float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};  /* rows, then translation */
  bool boxmap = false;
};

struct VL3dsmaterial {
  std::string name;
  float ambient[3] = {0.2f, 0.2f, 0.2f};
  float diffuse[3] = {0.6f, 0.6f, 0.6f};
  float specular[3] = {0.2f, 0.2f, 0.2f};
  float shininess = 10.0f;                /* 0 .. 128 */
  float strength = 1.0f;                  /* shininess strength, 0 .. 1 */
  float transparency = 0.0f;              /* 0 .. 1 */
  bool hasambient = false, hasdiffuse = false, hasspecular = false, hasshininess = false;
  bool twosided = false;
  bool selfillum = false;                 /* MAT_SELF_ILLUM present */
  float selfillumpct = 0.0f;
  uint16_t shading = 0;
  std::string texture;                    /* MAT_TEXMAP's file name, "" for none */
  float texstrength = 1.0f;               /* MAT_TEXMAP's percentage */
  bool opacitymap = false;                /* MAT_OPACMAP present */
  int index = 0;                          /* entry in the file's material table */
};

struct VL3dslight {
  std::string name;
  float position[3] = {0, 0, 0};
  float colour[3] = {1, 1, 1};
  bool spot = false;
  float target[3] = {0, 0, 0};
  float hotspot = 0, falloff = 0;
  bool off = false;
};

struct VL3dscamera {
  std::string name;
  float position[3] = {0, 0, 0};
  float target[3] = {0, 0, 0};
  float bank = 0, lens = 0;
};

struct VL3dsdb {
  std::vector<VL3dsmesh> meshes;
  std::vector<VL3dsmaterial> materials;   /* [0] the default material */
  std::vector<VL3dslight> lights;
  std::vector<VL3dscamera> cameras;
  uint32_t meshversion = 0;
  float masterscale = 1.0f;
  float background[3] = {0, 0, 0};
  bool usebackground = false;
  float ambient[3] = {0, 0, 0};
  bool usefog = false;
};

/* The parse state: the file, the database, the records being filled and
 * the current colour and percentage that colour and percentage chunks set
 * for the chunk around them. */
struct VL3dsparse {
  const char *path;
  const uint8_t *base;                    /* first byte of the file */
  VL3dsdb *db;
  int depth = 0;
  bool failed = false;
  VL3dsmesh *mesh = nullptr;
  VL3dsmaterial *material = nullptr;
  VL3dslight *light = nullptr;
  std::string objectname;
  bool hascolour = false;
  float colour[3] = {0, 0, 0};
  bool haspercent = false;
  float percent = 0.0f;
};

typedef bool (*VL3dschunkfn)(VL3dsparse &p, VLbytecursor &body);
struct VL3dshandler {
  uint16_t tag;
  VL3dschunkfn fn;
};

/* Reads the sub-chunks of body up to its end, each handed to the handler
 * of its tag in table (n entries) or skipped. False, with the parse marked
 * failed, when a chunk does not read. */
bool _VL3ds_children(VL3dsparse &p, VLbytecursor &body, const VL3dshandler *table, size_t n);
template <size_t N>
inline bool _VL3ds_children(VL3dsparse &p, VLbytecursor &body, const VL3dshandler (&table)[N]) {
  return _VL3ds_children(p, body, table, N);
}
/* A leaf's data did not read (the cursor ran out): false, parse failed. */
bool _VL3ds_readerror(VL3dsparse &p, const VLbytecursor &c, uint16_t tag);
/* A count of entries of size bytes each that the bytes left cannot hold:
 * warning, false, parse failed; true when they fit. */
bool _VL3ds_countfits(VL3dsparse &p, const VLbytecursor &c, uint16_t tag, size_t count,
                      size_t size);
/* A zero-terminated string inside the chunk; false (parse failed) when
 * the chunk ends before its terminator. */
bool _VL3ds_string(VL3dsparse &p, VLbytecursor &c, uint16_t tag, std::string &out);
/* Little-endian readers over the cursor. */
uint32_t _VL3ds_le32(VLbytecursor &c);
float _VL3ds_float(VLbytecursor &c);

/* The handlers of each family of chunks. */
bool _VL3ds_mdata(VL3dsparse &p, VLbytecursor &body);
bool _VL3ds_material(VL3dsparse &p, VLbytecursor &body);     /* MAT_ENTRY */
bool _VL3ds_trimesh(VL3dsparse &p, VLbytecursor &body);      /* N_TRI_OBJECT */
bool _VL3ds_light(VL3dsparse &p, VLbytecursor &body);        /* N_DIRECT_LIGHT */
bool _VL3ds_camera(VL3dsparse &p, VLbytecursor &body);       /* N_CAMERA */
/* The colour and percentage sub-chunks of body: true with the value when
 * one was there; false and unchanged otherwise (or on a read failure,
 * which marks the parse failed). */
bool _VL3ds_readcolour(VL3dsparse &p, VLbytecursor &body, float out[3]);
bool _VL3ds_readpercent(VL3dsparse &p, VLbytecursor &body, float *out);

/* Vertices of a mesh after the split along smoothing-group borders:
 * each output vertex's original vertex and (with smoothing groups) its
 * accumulated normal, and the output vertex of each face corner. */
struct VL3dssplit {
  std::vector<int> orig;
  std::vector<float> normal;              /* 3 per output vertex, or empty */
  std::vector<int> corner;                /* 3 per face */
};
/* Splits the vertices of m's faces (only those flagged valid). */
void _VL3ds_split(const VL3dsmesh &m, const std::vector<uint8_t> &valid, VL3dssplit &out);

/* The geometries of a database (see VL3ds_readbytes). */
VLgeomcell *_VL3ds_geometries(VL3dsdb &db, const char *path, float scale, bool merge);

#endif
