/* The libraries an OBJ file names. A material library ("mtllib") is read
 * twice: a first pass counts its materials and collects the properties
 * they set, the geometry gets a material table of that layout, and the
 * second pass fills one entry per "newmtl" (colours, shininess,
 * translucency, the diffuse or ambient map). A later library's table is
 * merged after the entries read before, so earlier materials keep their
 * entries. A map library ("maplib") names textures by map name. Library
 * files are found as given or along VLMODELS, then beside the OBJ file;
 * texture files as given or along VLIMAGES, then beside their library or
 * the OBJ file. */
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/bytes/modelpath.h"
#include "readers/obj/obj_internal.h"
#include "readers/text/tokenizer.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/obj.h"

namespace {

bool is_file(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/* folder/name when name is relative, the folder is known and the file is
 * there. */
bool beside(const std::string &folder, const char *name, std::string *out) {
  if (folder.empty() || name[0] == '/') return false;
  std::string candidate = folder + "/" + name;
  if (!is_file(candidate)) return false;
  *out = candidate;
  return true;
}

/* A tokenizer over the whole file at path ("#" comments), or null. */
VLtokenizer *open_library(const std::string &path) {
  char *bytes = nullptr;
  size_t size = 0;
  if (_VLfetch_file(path.c_str(), &bytes, &size) != VLFETCH_OK) return nullptr;
  VLtokenizer *t = VLtok_openbytes(path.c_str(), bytes, size, "#");
  t->owned = bytes;
  return t;
}

/* The texture loader's name for a texture file a library names. */
std::string texture_file(const VLobjreader &r, const std::string &library, const char *name) {
  std::string found;
  if (_VLsearchpath_find("VLIMAGES", name, &found)) return name;
  if (beside(_VLobj_folder(library.c_str()), name, &found)) return found;
  if (beside(r.folder, name, &found)) return found;
  return name;
}

/* Up to max numbers that follow an option; the scale and offset options
 * keep their first two. */
void option_numbers(VLtokenizer *t, int max, float *keep) {
  for (int i = 0; i < max; ++i) {
    const char *token = VLtok_next(t);
    if (!token) return;
    float value;
    size_t used;
    if (!VLtok_parsefloat(token, &value, &used)) {
      VLtok_unget(t);
      return;
    }
    if (keep && i < 2) keep[i] = value;
  }
}

/* A texture map statement: options, then the file name (the rest of the
 * line, blanks kept as single blanks). */
void read_map(VLobjreader &r, VLtokenizer *t, const std::string &library, VLobjtexture *out) {
  VLobjtexture x;
  std::string name;
  while (const char *token = VLtok_next(t)) {
    if (name.empty() && token[0] == '-' && token[1] != '\0') {
      const char *o = token + 1;
      if (strcmp(o, "s") == 0)
        option_numbers(t, 3, x.scale);
      else if (strcmp(o, "o") == 0)
        option_numbers(t, 3, x.offset);
      else if (strcmp(o, "t") == 0)
        option_numbers(t, 3, nullptr);
      else if (strcmp(o, "mm") == 0)
        option_numbers(t, 2, nullptr);
      else if (strcmp(o, "bm") == 0 || strcmp(o, "boost") == 0 || strcmp(o, "texres") == 0)
        option_numbers(t, 1, nullptr);
      else if (strcmp(o, "clamp") == 0 || strcmp(o, "blendu") == 0 ||
               strcmp(o, "blendv") == 0 || strcmp(o, "cc") == 0 || strcmp(o, "imfchan") == 0)
        VLtok_next(t);
      continue;
    }
    if (!name.empty()) name += ' ';
    name += token;
  }
  if (name.empty()) return;
  x.name = texture_file(r, library, name.c_str());
  *out = x;
}

/* A colour statement's values: "r [g b]", "spectral file [factor]"
 * (recognised, no colour) or "xyz x [y z]" (converted to RGB). False when
 * the statement gives no colour. */
bool read_colour(VLtokenizer *t, float rgb[3]) {
  const char *token = VLtok_next(t);
  if (!token) return VLtok_missing(t, "Color value");
  if (strcmp(token, "spectral") == 0) return false;
  bool xyz = strcmp(token, "xyz") == 0;
  if (!xyz) VLtok_unget(t);
  float c[3];
  if (!VLtok_float(t, &c[0], "Color value")) return false;
  c[1] = c[2] = c[0];
  if (VLtok_next(t)) {
    VLtok_unget(t);
    if (!VLtok_float(t, &c[1], "Color value") || !VLtok_float(t, &c[2], "Color value"))
      return false;
  }
  if (xyz) {
    rgb[0] = 3.2406f * c[0] - 1.5372f * c[1] - 0.4986f * c[2];
    rgb[1] = -0.9689f * c[0] + 1.8758f * c[1] + 0.0415f * c[2];
    rgb[2] = 0.0557f * c[0] - 0.2040f * c[1] + 1.0570f * c[2];
    for (int i = 0; i < 3; ++i) rgb[i] = rgb[i] < 0.0f ? 0.0f : rgb[i] > 1.0f ? 1.0f : rgb[i];
  } else {
    for (int i = 0; i < 3; ++i) rgb[i] = c[i];
  }
  return true;
}

bool is_map_statement(const char *w) {
  static const char *const kMaps[] = {"map_Ka", "map_Kd", "map_Ks", "map_Ns",
                                      "map_d",  "decal",  "bump",   "refl"};
  for (const char *m : kMaps)
    if (strcmp(w, m) == 0) return true;
  return false;
}

/* The first pass over a material library's tokens. */
int count_materials(VLtokenizer *t, uint32_t *mask) {
  int n = 0;
  uint32_t m = VLDIFFUSE;
  bool started = false;
  while (const char *w = _VLobj_nextword(t, &started)) {
    if (strcmp(w, "newmtl") == 0)
      ++n;
    else if (strcmp(w, "Ka") == 0)
      m |= VLAMBIENT;
    else if (strcmp(w, "Ks") == 0)
      m |= VLSPECULAR;
    else if (strcmp(w, "Ns") == 0)
      m |= VLSHININESS;
    else if (strcmp(w, "d") == 0)
      m |= VLOPACITY;
  }
  if (mask) *mask = m;
  return n;
}

/* The second pass: one entry of t per "newmtl", appended to the reader's
 * materials. */
void fill_materials(VLobjreader &r, VLtokenizer *t, VLmtable *table, const std::string &library) {
  VLobjmaterial *m = nullptr;
  bool diffusemap = false;
  bool started = false;
  while (const char *w = _VLobj_nextword(t, &started)) {
    int entry = m ? m->entry : -1;
    float v[3];
    if (strcmp(w, "newmtl") == 0) {
      const char *name = VLtok_next(t);
      r.materials.push_back(VLobjmaterial());
      m = &r.materials.back();
      m->name = name ? name : "";
      m->entry = VLmtable_newentry(table);
      if (m->entry >= 0) VLmtable_setentryname(table, m->entry, m->name.c_str());
      diffusemap = false;
    } else if (strcmp(w, "Ka") == 0 || strcmp(w, "Kd") == 0 || strcmp(w, "Ks") == 0) {
      uint32_t property = w[1] == 'a' ? VLAMBIENT : w[1] == 'd' ? VLDIFFUSE : VLSPECULAR;
      if (read_colour(t, v) && entry >= 0) VLmtable_setvalue(table, entry, v, property);
    } else if (strcmp(w, "Tf") == 0) {
      read_colour(t, v);
    } else if (strcmp(w, "d") == 0) {
      if (VLtok_float(t, v, "Translucency value") && entry >= 0)
        VLmtable_setvalue(table, entry, v, VLOPACITY);
    } else if (strcmp(w, "Ns") == 0) {
      if (VLtok_float(t, v, "Shininess value") && entry >= 0)
        VLmtable_setvalue(table, entry, v, VLSHININESS);
    } else if (strcmp(w, "Ni") == 0 || strcmp(w, "illum") == 0 ||
               strcmp(w, "sharpness") == 0) {
      /* recognised; nothing in a material entry holds them */
    } else if (is_map_statement(w)) {
      VLobjtexture x;
      read_map(r, t, library, &x);
      bool diffuse = strcmp(w, "map_Kd") == 0;
      if (m && !x.name.empty() && (diffuse || (strcmp(w, "map_Ka") == 0 && !diffusemap))) {
        m->texture = x;
        diffusemap = diffusemap || diffuse;
      }
    } else {
      VLtok_showpos(t, 0, nullptr);
      VLMSG(OBJ_MTL_KEYWORD);
    }
  }
}

/* The library's table becomes the geometry's (the first library) or is
 * merged after its entries; the library's materials move with it. */
void adopt_table(VLobjreader &r, VLmtable *table, size_t first) {
  VLmtable *old = r.g->mtable;
  if (!r.librarytable || !old) {
    VLmtable_attach(r.g, table);
    r.librarytable = true;
    if (old && !old->users) VLmtable_delete(old);
    return;
  }
  VLmtable *merged = VLmtable_merge(old, table);
  int shift = old->nentries;
  for (size_t i = first; i < r.materials.size(); ++i) {
    VLobjmaterial &m = r.materials[i];
    if (m.entry >= 0) m.entry = merged ? m.entry + shift : -1;
  }
  if (merged) {
    VLmtable_attach(r.g, merged);
    if (!old->users) VLmtable_delete(old);
  }
  VLmtable_delete(table);
}

void read_mtl(VLobjreader &r, const char *name) {
  std::string path = _VLobj_findlibrary(r, name);
  uint32_t mask = 0;
  int count = VLmtl_read(path.c_str(), &mask);
  if (count < 0) return;
  if (count == 0) {
    VLMSG(OBJ_MTL_EMPTY, path.c_str());
    return;
  }
  VLtokenizer *t = open_library(path);
  if (!t) {
    VLMSG(OBJ_MTL_OPEN, path.c_str());
    return;
  }
  int capacity = count < VLMTABLE_MAXCAPACITY ? count : VLMTABLE_MAXCAPACITY;
  VLmtable *table = VLmtable_new(mask, capacity, nullptr);
  if (!table) {
    VLtok_close(t);
    return;
  }
  size_t first = r.materials.size();
  fill_materials(r, t, table, path);
  VLtok_close(t);
  adopt_table(r, table, first);
}

void read_maps(VLobjreader &r, const char *name) {
  std::string path = _VLobj_findlibrary(r, name);
  VLtokenizer *t = open_library(path);
  if (!t) {
    VLMSG(OBJ_MAP_OPEN, path.c_str());
    return;
  }
  VLobjmap *m = nullptr;
  bool diffusemap = false;
  bool started = false;
  while (const char *w = _VLobj_nextword(t, &started)) {
    if (strcmp(w, "newmap") == 0) {
      const char *mapname = VLtok_next(t);
      r.maps.push_back(VLobjmap());
      m = &r.maps.back();
      m->name = mapname ? mapname : "";
      diffusemap = false;
    } else if (strcmp(w, "Ka") == 0 || strcmp(w, "Kd") == 0 || strcmp(w, "Ks") == 0 ||
               strcmp(w, "bump") == 0) {
      VLobjtexture x;
      read_map(r, t, path, &x);
      bool diffuse = strcmp(w, "Kd") == 0;
      if (m && !x.name.empty() && (diffuse || (strcmp(w, "Ka") == 0 && !diffusemap))) {
        m->texture = x;
        diffusemap = diffusemap || diffuse;
      }
    } else {
      VLtok_showpos(t, 0, nullptr);
      VLMSG(OBJ_MAP_KEYWORD);
    }
  }
  VLtok_close(t);
}

}  // namespace

std::string _VLobj_findlibrary(const VLobjreader &r, const char *name) {
  std::string found;
  if (_VLmodelpath_find(name, &found)) return found;
  if (beside(r.folder, name, &found)) return found;
  return name;
}

int VLmtl_read(const char *path, uint32_t *mask) {
  if (mask) *mask = 0;
  VLtokenizer *t = path ? open_library(path) : nullptr;
  if (!t) {
    VLMSG(OBJ_MTL_FIRST_PASS, path ? path : "");
    return -1;
  }
  int n = count_materials(t, mask);
  VLtok_close(t);
  return n;
}

void _VLobj_mtllib(VLobjreader &r) {
  while (const char *name = VLtok_next(r.t)) read_mtl(r, name);
}

void _VLobj_maplib(VLobjreader &r) {
  while (const char *name = VLtok_next(r.t)) read_maps(r, name);
}
