/* The palettes of an OpenFlight file as the faces use them: the file's
 * material table (the material palette's 64 materials first, then the
 * face colours and material-times-colour entries, each found or added
 * once), the colour palette (brightest colour and 128 intensities per
 * entry), and the texture palette, each texture found next to the file or
 * along VLIMAGES, with the filters of its attribute file (".attr", else
 * ".att", else ".attr" along VLIMAGES; the first 1536 bytes at most). */
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/flt/flt_internal.h"
#include "vlx/file.h"
#include "vlx/mtable.h"
#include "vlx/texture.h"

namespace {

const uint32_t kTableMask =
    VLAMBIENT | VLDIFFUSE | VLSPECULAR | VLSHININESS | VLEMISSION | VLOPACITY;
/* Material palette: 64 materials of 184 bytes after the record header. */
const int kMaterials = 64;
const size_t kMaterialSize = 184;
/* Attribute file: bytes read, offset of the minification filter. */
const size_t kAttrBytes = 1536, kAttrMinFilter = 28;
/* Minification filters: point, bilinear, then the mipmapped ones. */
const int kFilterPoint = 0, kFilterBilinear = 1, kFilterMipmapFirst = 2, kFilterMipmapLast = 6;

/* One material's values in palette order. */
struct Material {
  float ambient[3], diffuse[3], specular[3], emission[3], shininess, alpha;
};

void read_material(VLbytecursor &c, Material &m) {
  for (float &x : m.ambient) x = _VLflt_f32(c);
  for (float &x : m.diffuse) x = _VLflt_f32(c);
  for (float &x : m.specular) x = _VLflt_f32(c);
  for (float &x : m.emission) x = _VLflt_f32(c);
  m.shininess = _VLflt_f32(c);
  m.alpha = _VLflt_f32(c);
}

void set_material(VLmtable *t, int index, const Material &m) {
  if (!VLmtable_setvalue(t, index, m.ambient, VLAMBIENT)) VLMSG(FLT_MAT_AMBIENT);
  if (!VLmtable_setvalue(t, index, m.diffuse, VLDIFFUSE)) VLMSG(FLT_MAT_DIFFUSE);
  if (!VLmtable_setvalue(t, index, m.specular, VLSPECULAR)) VLMSG(FLT_MAT_SPECULAR);
  if (!VLmtable_setvalue(t, index, m.emission, VLEMISSION)) VLMSG(FLT_MAT_EMISSION);
  if (!VLmtable_setvalue(t, index, &m.shininess, VLSHININESS)) VLMSG(FLT_MAT_SHININESS);
  if (!VLmtable_setvalue(t, index, &m.alpha, VLOPACITY)) VLMSG(FLT_MAT_ALPHA);
}

/* Multiplies a colour property of entry values by rgb / 255. */
void tint(const VLmtable *t, float *values, int prop, const uint8_t rgb[3]) {
  int32_t o = t->propoffset[prop];
  if (o < 0) return;
  for (int i = 0; i < 3; ++i) values[o + i] *= float(rgb[i]) / 255.0f;
}

/* A default entry (black, opaque) with ambient and diffuse set to rgb. */
void colour_entry(const VLmtable *t, std::vector<float> &values, const uint8_t rgb[3]) {
  values.assign(t->entrysize, 0.0f);
  if (t->propoffset[VLMT_OPACITY] >= 0) values[size_t(t->propoffset[VLMT_OPACITY])] = 1.0f;
  for (int prop : {VLMT_AMBIENT, VLMT_DIFFUSE}) {
    int32_t o = t->propoffset[prop];
    if (o >= 0)
      for (int i = 0; i < 3; ++i) values[size_t(o + i)] = float(rgb[i]) / 255.0f;
  }
}

/* Whole file bytes through the session's fetch (or the file system). */
bool fetch(const FltSession &s, const std::string &path, char **data, size_t *size) {
  *data = nullptr;
  *size = 0;
  if (s.options.fetch) return s.options.fetch(s.options.user, path.c_str(), data, size);
  return _VLfetch_file(path.c_str(), data, size) == VLFETCH_OK;
}

/* The first bytes of the texture's attribute file; false when none. */
bool read_attr(const FltFile &f, const std::string &name, std::string *out) {
  std::string base = name.substr(name.find_last_of('/') + 1);
  std::vector<std::string> tries = {name + ".attr", name + ".att"};
  if (!f.session->options.fetch) {
    const char *found = VLfile_search((base + ".attr").c_str(), "VLIMAGES");
    if (found) tries.push_back(found);
  }
  for (const std::string &path : tries) {
    char *data;
    size_t size;
    if (!fetch(*f.session, path, &data, &size)) continue;
    out->assign(data, std::min(size, kAttrBytes));
    free(data);
    return true;
  }
  return false;
}

/* The texture's filters from its attribute file, or the defaults. */
void apply_attr(const FltFile &f, const std::string &name) {
  std::string attr;
  if (!read_attr(f, name, &attr)) {
    VLMSG(FLT_NO_ATTR, name.c_str());
    return;
  }
  VLbytecursor c(reinterpret_cast<const uint8_t *>(attr.data()), attr.size());
  c.seek(kAttrMinFilter);
  int32_t filter = int32_t(c.be32());
  if (c.failed()) return;
  int mode = 1, level = 1;
  if (filter == kFilterPoint) mode = 0, level = 0;
  if (filter == kFilterBilinear) mode = 1, level = 1;
  if (filter >= kFilterMipmapFirst && filter <= kFilterMipmapLast) mode = 1, level = 7;
  VLtexture_setfilter(name.c_str(), mode, level);
}

bool is_file(const std::string &path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

/* Where the palette's file name is: as given, next to the database, or
 * its last name (looked up along VLIMAGES when loaded). */
std::string resolve_texture(const FltFile &f, std::string file) {
  std::replace(file.begin(), file.end(), '\\', '/');
  std::string base = file.substr(file.find_last_of('/') + 1);
  if (file[0] != '/' && is_file(f.dir + file)) return f.dir + file;
  if (is_file(file)) return file;
  if (is_file(f.dir + base)) return f.dir + base;
  return base;
}

}  // namespace

VLmtable *_VLflt_table(FltFile &f) {
  if (!f.table) f.table = VLmtable_new(kTableMask, kMaterials, nullptr);
  return f.table;
}

void _VLflt_materials(FltFile &f) {
  if (!f.materials || f.nmaterials) return;
  size_t length = size_t(f.data[f.materials + 2] << 8 | f.data[f.materials + 3]);
  VLmtable *t = _VLflt_table(f);
  if (!t) return;
  VLbytecursor c = _VLflt_record(f, f.materials, length);
  int n = int(std::min(size_t(kMaterials), c.left() / kMaterialSize));
  for (int i = 0; i < n; ++i) {
    VLbytecursor m = c.sub(kMaterialSize);
    Material values;
    read_material(m, values);
    int index = VLmtable_newentry(t);
    if (index < 0) break;
    set_material(t, index, values);
    f.nmaterials = index + 1;
  }
}

bool _VLflt_palettergb(const FltFile &f, uint32_t index, uint8_t rgb[3]) {
  size_t entry = index >> 7;
  if (entry >= f.colours.size()) return false;
  uint32_t abgr = f.colours[entry];
  float intensity = float(index & 127) / 127.0f;
  for (int i = 0; i < 3; ++i) rgb[i] = uint8_t(float((abgr >> (8 * i)) & 0xff) * intensity + 0.5f);
  return true;
}

int _VLflt_entry(FltFile &f, const uint8_t rgb[3], int material) {
  VLmtable *t = _VLflt_table(f);
  if (!t) return -1;
  bool hasmaterial = material >= 0 && material < f.nmaterials;
  if (hasmaterial && !rgb) return material;
  static const uint8_t kWhite[3] = {255, 255, 255};
  if (!rgb) rgb = kWhite;
  uint64_t key = uint64_t(hasmaterial ? material + 1 : 0) << 24 |
                 uint64_t(rgb[0]) << 16 | uint64_t(rgb[1]) << 8 | rgb[2];
  auto known = f.entries.find(key);
  if (known != f.entries.end()) return known->second;
  std::vector<float> values;
  if (hasmaterial) {
    values.assign(t->entries[material], t->entries[material] + t->entrysize);
    tint(t, values.data(), VLMT_AMBIENT, rgb);
    tint(t, values.data(), VLMT_DIFFUSE, rgb);
  } else {
    colour_entry(t, values, rgb);
  }
  int index = VLmtable_addentry(t, values.data());
  if (index < 0) {
    if (hasmaterial) VLMSG(FLT_SET_MTL_COLOR);
    else VLMSG(FLT_SET_COLOR);
  }
  f.entries[key] = index;
  return index;
}

const char *_VLflt_texture(FltFile &f, int pattern) {
  for (FltTexture &t : f.textures) {
    if (t.pattern != pattern) continue;
    if (!t.resolved) {
      t.resolved = true;
      t.name = t.file.empty() ? "" : resolve_texture(f, t.file);
      if (!t.name.empty()) apply_attr(f, t.name);
    }
    return t.name.empty() ? nullptr : t.name.c_str();
  }
  if (std::find(f.missingtextures.begin(), f.missingtextures.end(), pattern) ==
      f.missingtextures.end()) {
    f.missingtextures.push_back(pattern);
    VLMSG(FLT_TEXTURE_MISSING, f.path.c_str(), f.session->top.c_str(), pattern);
  }
  return nullptr;
}
