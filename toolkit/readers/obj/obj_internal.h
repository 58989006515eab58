/* The OBJ reader's state and the parts its files share: the material and
 * map libraries (obj_lib.cpp) fill the lists that "usemtl" and "usemap"
 * choose from while the faces are read (obj_read.cpp). One reader state per
 * file read; nothing is kept between files. */
#ifndef VLX_READERS_OBJ_OBJ_INTERNAL_H
#define VLX_READERS_OBJ_OBJ_INTERNAL_H

#include <stdint.h>

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

struct VLgeometry;
struct VLmtable;
struct VLtokenizer;
struct VLvertex;

/* A texture a material or map names, with the scale and offset of its
 * "-s" and "-o" options applied to the texture coordinates. */
struct VLobjtexture {
  std::string name;            /* empty: none */
  float scale[2] = {1.0f, 1.0f};
  float offset[2] = {0.0f, 0.0f};
};

/* A material of a library: its entry in the geometry's table (-1 when the
 * table had no room) and its diffuse (else ambient) map. */
struct VLobjmaterial {
  std::string name;
  int entry = -1;
  VLobjtexture texture;
};

/* A map of a map library. */
struct VLobjmap {
  std::string name;
  VLobjtexture texture;
};

struct VLobjreader {
  VLtokenizer *t = nullptr;
  const char *path = "";
  std::string folder;          /* the OBJ file's folder ("" for none) */
  float scale = 1.0f;
  bool oldwfront = false;
  VLgeometry *g = nullptr;
  bool librarytable = false;   /* g's table came from a library */

  /* The lists read so far. A position's vertex carries the normal of the
   * first corner that used it (normalof, -2 before any use, -1 none);
   * corners with another normal use a vertex of their own (split). */
  std::vector<VLvertex *> positions;
  std::vector<int32_t> normalof;
  std::unordered_map<uint64_t, VLvertex *> split;
  std::vector<float> normals;  /* 3 per "vn" */
  std::vector<uint8_t> goodnormal;
  std::vector<float> uvs;      /* 2 per "vt", v as stored */

  std::vector<VLobjmaterial> materials;
  std::vector<VLobjmap> maps;
  int material = -1;           /* current material, -1 none */
  int map = -1;                /* current map, -1 none */
  std::string directmap;       /* "usemap" name under oldwfront */

  std::set<std::string> badtextures;  /* textures that did not load */
  int ignored = 0;             /* faces that made no polygon */
  int badrefs = 0;             /* texture-vertex and normal indexes ignored */

  /* One face's corners, reused from face to face. */
  std::vector<VLvertex *> corner;
  std::vector<int32_t> cornertv;   /* texture-vertex index, -1 none */
};

/* "mtllib" and "maplib": every file named on the rest of the line. */
void _VLobj_mtllib(VLobjreader &r);
void _VLobj_maplib(VLobjreader &r);
/* The file of a library name: as given or along VLMODELS, then in the OBJ
 * file's folder; the name itself when none is found. */
std::string _VLobj_findlibrary(const VLobjreader &r, const char *name);
/* The first token of the next logical line that holds one, the rest of
 * the current line skipped first once started (the tokenizer opens on its
 * first line); null at the end of the data. */
const char *_VLobj_nextword(VLtokenizer *t, bool *started);
/* The folder part of a path ("" when it has none). */
std::string _VLobj_folder(const char *path);

#endif
