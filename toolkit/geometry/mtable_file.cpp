/* Material files (".mat"): found along VLMODELS, read whole (at most
 * VLFETCH_MAXBYTES bytes) and parsed from the byte buffer: the "mat" magic, an
 * optional version, the "valid" property list, then "matdef" entries with
 * their values. A bad file gives its warning and no table. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/bytes/modelpath.h"
#include "readers/text/tokenizer.h"
#include "geometry/mtable_internal.h"
#include "vlx/diag.h"
#include "vlx/mtable.h"


namespace {

struct Keyword {
  const char *word;
  uint32_t bit;
  int prop;
  int count;
  const char *what;  /* item name in number messages */
};
const Keyword kKeywords[] = {
    {"ambient", VLAMBIENT, VLMT_AMBIENT, 3, "ambient value"},
    {"diffuse", VLDIFFUSE, VLMT_DIFFUSE, 3, "diffuse value"},
    {"specular", VLSPECULAR, VLMT_SPECULAR, 3, "specular value"},
    {"shininess", VLSHININESS, VLMT_SHININESS, 1, "shininess value"},
    {"emission", VLEMISSION, VLMT_EMISSION, 3, "emission value"},
    {"ambientdiffuse", VLAMBIENTDIFFUSE, VLMT_AMBIENTDIFFUSE, 3, "ambientdiffuse value"},
    {"opacity", VLOPACITY, VLMT_OPACITY, 1, "Alpha value"},
    {"alpha", VLOPACITY, VLMT_OPACITY, 1, "Alpha value"}};

const Keyword *keyword(const char *word) {
  for (const Keyword &k : kKeywords)
    if (strcmp(k.word, word) == 0) return &k;
  return nullptr;
}

/* The name itself, else each VLMODELS directory + "/" + name. */
bool search(const std::string &name, std::string &found) {
  return _VLmodelpath_find(name.c_str(), &found);
}

/* The first 8 bytes, carriage returns dropped, begin with "mat". */
bool is_material_file(const char *data, size_t size) {
  char head[8];
  size_t n = 0;
  for (size_t i = 0; i < size && i < 8; ++i)
    if (data[i] != '\r') head[n++] = data[i];
  return n >= 3 && memcmp(head, "mat", 3) == 0;
}

/* Magic and optional version; false when the version is unreadable. */
bool read_header(VLtokenizer *r, const char *path) {
  const char *tok = VLtok_nextany(r);
  if (!tok) {
    VLMSG(MAT_NO_DATA, path);
    return false;
  }
  if (strcmp(tok, "mat") != 0) {
    VLMSG(MAT_MAGIC, path, tok, "mat");
    VLtok_unget(r);
  }
  tok = VLtok_nextany(r);
  if (!tok) return true;
  if (strcmp(tok, "version") != 0) {
    VLtok_unget(r);
    return true;
  }
  int version;
  return VLtok_int(r, &version, "Version number");
}

/* Skips to "valid" and reads the property keywords of its line. */
uint32_t read_valid(VLtokenizer *r) {
  const char *tok;
  while ((tok = VLtok_nextany(r)) && strcmp(tok, "valid") != 0) {
  }
  uint32_t mask = 0;
  if (!tok) {
    VLMSG(MAT_NO_VALID);
  } else {
    while ((tok = VLtok_next(r)))
      if (const Keyword *k = keyword(tok)) mask |= k->bit;
  }
  if (!mask) VLMSG(MAT_NO_PROPERTIES);
  return mask;
}

/* The entry being read: values in the table's layout and its name. */
struct Entry {
  float values[16];
  std::string name;
  bool open = false;
};

void flush(VLmtable *t, Entry &e) {
  if (!e.open) return;
  int index = _VLmtable_append(t, e.values);
  if (index >= 0 && !e.name.empty()) VLmtable_setentryname(t, index, e.name.c_str());
  e.open = false;
}

/* Reads a property's values into the entry (dropped when the table lacks
 * the property); false when a number is missing or invalid. */
bool read_property(VLtokenizer *r, const VLmtable *t, const Keyword &k, Entry &e) {
  float v[3];
  for (int i = 0; i < k.count; ++i)
    if (!VLtok_float(r, &v[i], k.what)) return false;
  int offset = t->propoffset[k.prop];
  if (offset >= 0) memcpy(e.values + offset, v, sizeof(float) * k.count);
  return true;
}

/* The matdef entries; false when a value cannot be read. */
bool read_entries(VLtokenizer *r, VLmtable *t) {
  Entry e;
  const char *tok;
  while ((tok = VLtok_nextany(r))) {
    if (strcmp(tok, "matdef") == 0) {
      flush(t, e);
      _VLmtable_defaults(t, e.values);
      const char *name = VLtok_next(r);
      e.name = name ? name : "";
      e.open = true;
    } else if (!e.open) {
      VLMSG(MAT_PRECEDES, tok);
    } else if (const Keyword *k = keyword(tok)) {
      if (!read_property(r, t, *k, e)) return false;
    }
  }
  flush(t, e);
  return true;
}

/* The table's name from the given name; a generated one when it cannot be
 * cleaned. False (warned) when no name can be given. */
bool name_table(VLmtable *t, const char *given) {
  std::string clean;
  if (_VLmtable_cleanname(given, clean) && _VLmtable_storename(t, clean.c_str())) return true;
  if (!_VLmtable_cleanname(given, clean)) VLMSG(MT_NAME_BLANK, given);
  if (!_VLmtable_generatename(t)) return false;
  VLMSG(MAT_GENERATED_NAME, t->name, given);
  return true;
}

}  // namespace

VLmtable *_VLmtable_read(const char *path, const char *name, const char *data, size_t size) {
  if (size == 0) {
    VLMSG(MAT_NO_DATA, path);
    return nullptr;
  }
  if (!is_material_file(data, size)) {
    VLMSG(MAT_NOT_MAT, path);
    return nullptr;
  }
  VLtokenizer *r = VLtok_openbytes(path, data, size, "//");
  if (!read_header(r, path)) {
    VLtok_close(r);
    return nullptr;
  }
  uint32_t mask = read_valid(r);
  VLmtable *t = _VLmtable_create(mask, 10);
  bool ok = read_entries(r, t);
  VLtok_close(r);
  if (ok && t->nentries == 0) VLMSG(MAT_NO_MATDEF);
  if (!ok || t->nentries == 0 || !name_table(t, name)) {
    VLmtable_delete(t);
    return nullptr;
  }
  return t;
}

VLmtable *VLmtable_load(const char *name) {
  if (!name || !*name) return nullptr;
  std::string path;
  if (!search(std::string(name) + ".mat", path) && !search(name, path)) {
    VLMSG(MAT_NOT_FOUND, name);
    return nullptr;
  }
  char *bytes = nullptr;
  size_t size = 0;
  int fetched = _VLfetch_file(path.c_str(), &bytes, &size);
  if (fetched == VLFETCH_TOOLARGE) VLMSG(FILE_TOO_LARGE, path.c_str(), VLFETCH_MAXBYTES);
  if (fetched != VLFETCH_OK) return nullptr;
  VLmtable *t = _VLmtable_read(path.c_str(), name, bytes, size);
  free(bytes);
  return t;
}
