/* The initialisation file: finding it next to the program (or "vlxwin.ini"
 * in the current directory), the process-wide resource table consulted
 * before it, and the resources of section "vlx" that fill the window options
 * block. Colours, the ambient intensity and the geometry leave their field
 * unchanged with a warning when they do not parse; fov, hither and yon are
 * converted as C converts decimal floats (no number at all is 0) and only
 * refused when they would make a degenerate projection. Empty values count
 * as absent. Depends on the INI reader (ini_reader.cpp). */
#include <charconv>
#include <cmath>
#include <float.h>
#include <locale.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "core/messages.h"
#include "display/ini_reader.h"
#include "vlx/diag.h"
#include "vlx/math.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* ---------- the resource table ---------- */

struct VLresource {
  char *name;
  char *value;
  VLresource *next;
};

/* The family's process-wide state: constant-initialised, lives across
 * universes so that a program can fill it before creating one. */
struct VLinistate {
  VLresource *resources = nullptr;  /* in insertion order */
};

VLinistate g_ini;

VLinistate &ini_state(void) { return g_ini; }

/* The cell holding name (exact match), or the null link at the list's end. */
VLresource **find_cell(const char *name) {
  VLresource **cell = &ini_state().resources;
  while (*cell && strcmp((*cell)->name, name) != 0) cell = &(*cell)->next;
  return cell;
}

/* ---------- value syntax ---------- */

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/* "0xRRGGBB" (8 characters) or "0xRGB" (5, each digit doubled). */
bool parse_color(const char *v, uint32_t *out) {
  size_t n = strlen(v);
  if ((n != 8 && n != 5) || v[0] != '0' || (v[1] != 'x' && v[1] != 'X')) return false;
  uint32_t c = 0;
  for (size_t i = 2; i < n; ++i) {
    int d = hex_digit(v[i]);
    if (d < 0) return false;
    c = n == 8 ? (c << 4) | uint32_t(d) : (c << 8) | uint32_t(d * 0x11);
  }
  *out = c;
  return true;
}

/* A whole decimal float, finite, independent of the C locale. */
bool parse_float(const char *v, float *out) {
  const char *p = v, *end = v + strlen(v);
  if (*p == '+' && p + 1 < end && p[1] != '-') ++p;
  float f = 0.0f;
  std::from_chars_result r = std::from_chars(p, end, f, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(f)) return false;
  *out = f;
  return true;
}

/* A decimal float as the C library converts one, in the "C" locale
 * whatever the program's locale: leading blanks are skipped, the longest
 * number at the start is taken and the rest ignored, a value with no number
 * at all is 0, and a value beyond the range is infinite. Kept in a double so
 * that callers range-check before narrowing. */
double convert_float(const char *v) {
  locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  if (!c) return atof(v);
  double d = strtod_l(v, nullptr, c);
  freelocale(c);
  return d;
}

/* Digits only, at most INT32_MAX (or 2^31 when negative). */
bool parse_magnitude(const char *&p, bool negative, int32_t *out) {
  uint64_t m = 0;
  std::from_chars_result r = std::from_chars(p, p + strlen(p), m);
  if (r.ec != std::errc() || m > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
  p = r.ptr;
  *out = negative ? static_cast<int32_t>(-static_cast<int64_t>(m)) : static_cast<int32_t>(m);
  return true;
}

/* An offset of the geometry: blanks, then "+" or "-", then digits. */
bool parse_offset(const char *&p, int32_t *out) {
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '+' && *p != '-') return false;
  bool negative = *p++ == '-';
  return parse_magnitude(p, negative, out);
}

/* "WxH" or "WxH+X-Y" (each offset with its sign); W and H positive. */
struct VLgeometryvalue {
  int32_t width, height, x, y;
  bool hasoffsets;
};

bool parse_geometry(const char *v, VLgeometryvalue *g) {
  const char *p = v;
  if (!parse_magnitude(p, false, &g->width) || *p++ != 'x') return false;
  if (!parse_magnitude(p, false, &g->height)) return false;
  if (g->width <= 0 || g->height <= 0) return false;
  g->hasoffsets = *p != '\0';
  if (!g->hasoffsets) return true;
  return parse_offset(p, &g->x) && parse_offset(p, &g->y) && *p == '\0';
}

bool is_word(const char *v, const char *word) { return strcasecmp(v, word) == 0; }

/* ---------- the resources, in the order they are read ---------- */

void apply_bgcolor(VLsettings *s, const char *v) {
  if (!parse_color(v, &s->bgcolor)) VLMSG(INI_BAD_BGCOLOR, v);
}

void apply_ambient(VLsettings *s, const char *v) {
  float f;
  if (parse_float(v, &f) && f >= 0.0f && f <= 1.0f)
    s->ambient = f;
  else
    VLMSG(INI_BAD_AMBIENT);
}

void apply_ambientrgb(VLsettings *s, const char *v) {
  if (!parse_color(v, &s->ambientrgb)) VLMSG(INI_BAD_AMBIENTRGB, v);
}

/* Accepted and ignored: the universe creation flags decide about borders. */
void apply_border(VLsettings *, const char *) {}

/* A finite value that a float can hold (NaN is not one). */
bool fits_float(double d) { return std::fabs(d) <= double(FLT_MAX); }

/* A clip distance as a window will use it: below 0.004 is 0.004. */
float near_in_use(float hither) { return hither < VLEPSILON ? VLEPSILON : hither; }

/* Full angle in degrees. A full angle of 0, or of 180 degrees and more,
 * would make a degenerate projection and is refused. */
void apply_fov(VLsettings *s, const char *v) {
  double f = convert_float(v);
  if (f > 0.0 && f < 180.0)
    s->halffov = static_cast<float>(f * 0.008726646502812704);
  else
    VLMSG(INI_BAD_FOV);
}

/* Stored as given: the windows' setters keep a hither below 0.004 as
 * 0.004. Only values no float holds are refused (no frustum can be built
 * from them). */
void apply_hither(VLsettings *s, const char *v) {
  double f = convert_float(v);
  if (fits_float(f))
    s->hither = static_cast<float>(f);
  else
    VLMSG(INI_BAD_HITHER);
}

/* The far distance must lie beyond the near one in use (hither is read
 * first); otherwise the depth range would be empty or inverted. */
void apply_yon(VLsettings *s, const char *v) {
  double f = convert_float(v);
  if (fits_float(f) && f > double(near_in_use(s->hither)))
    s->yon = static_cast<float>(f);
  else
    VLMSG(INI_BAD_YON);
}

void apply_coplanar(VLsettings *s, const char *v) {
  if (is_word(v, "False")) s->coplanar = 0;
}
void apply_writeuv(VLsettings *s, const char *v) {
  if (is_word(v, "True")) s->writeuv = 1;
}
void apply_write12(VLsettings *s, const char *v) {
  if (is_word(v, "True")) s->write12 = 1;
}
void apply_old3ds(VLsettings *s, const char *v) {
  if (is_word(v, "True")) s->old3ds = 1;
}
void apply_oldwfront(VLsettings *s, const char *v) {
  if (is_word(v, "True")) s->oldwfront = 1;
}

void apply_geometry(VLsettings *s, const char *v) {
  VLgeometryvalue g = {};
  if (!parse_geometry(v, &g)) {
    VLMSG(INI_BAD_VALUE, "geometry", v);
    return;
  }
  s->width = g.width;
  s->height = g.height;
  if (!g.hasoffsets) return;
  s->x = g.x;
  s->y = g.y;
  if (g.x < 0) s->geomflags |= VLGEOM_XNEGATIVE;
  if (g.y < 0) s->geomflags |= VLGEOM_YNEGATIVE;
}

struct VLinihandler {
  const char *name;
  void (*apply)(VLsettings *, const char *);
};

const VLinihandler kResources[] = {
    {"bgcolor", apply_bgcolor},   {"ambient", apply_ambient},   {"ambientrgb", apply_ambientrgb},
    {"border", apply_border},     {"fov", apply_fov},           {"hither", apply_hither},
    {"yon", apply_yon},           {"coplanar", apply_coplanar}, {"writeuv", apply_writeuv},
    {"write12", apply_write12},   {"old3ds", apply_old3ds},     {"oldwfront", apply_oldwfront},
    {"geometry", apply_geometry},
};

/* The table's value, else the file's (section "vlx"); null when absent or
 * empty. */
const char *lookup(const VLinifile *file, const char *name, char (&buf)[VLINI_VALUESIZE]) {
  const char *v = VLini_getresource(name);
  if (!v) v = file && _VLini_get(*file, "vlx", name, buf) ? buf : nullptr;
  return v && *v ? v : nullptr;
}

/* The running program's full file name; false when it cannot be read. */
bool module_name(char *buf, size_t size) {
  ssize_t n = readlink("/proc/self/exe", buf, size - 1);
  if (n <= 0) return false;
  buf[n] = '\0';
  return true;
}

/* Length of name up to the first "." of its last path component. */
size_t stem_length(const char *name) {
  const char *slash = strrchr(name, '/');
  const char *base = slash ? slash + 1 : name;
  const char *dot = strchr(base, '.');
  return dot ? static_cast<size_t>(dot - name) : strlen(name);
}

}  // namespace

/* ---------- finding the file ---------- */

bool VLini_find(const char *name, char *path) {
  if (!name || !path) return false;
  size_t n = strlen(name);
  if (n > VLINI_PATHSIZE - 5) {
    VLMSG(INI_PATH_TOO_LONG);
    return false;
  }
  int stem = static_cast<int>(stem_length(name));
  snprintf(path, VLINI_PATHSIZE, "%.*s.ini", stem, name);
  /* Without a system-wide profile directory, a file that cannot be opened
   * here is not found anywhere else. */
  if (!_VLini_isfile(path)) return false;
  if (strchr(name, '/')) return true;
  if (n > VLINI_PATHSIZE - 8) {
    VLMSG(INI_PATH_TOO_LONG);
    return false;
  }
  snprintf(path, VLINI_PATHSIZE, "./%.*s.ini", stem, name);
  return true;
}

/* ---------- the resource table ---------- */

bool VLini_setresource(const char *name, const char *value) {
  if (!name || !*name) return false;
  VLresource **cell = find_cell(name);
  if (!value) {
    VLresource *r = *cell;
    if (r) {
      *cell = r->next;
      free(r->name);
      free(r->value);
      free(r);
    }
    return true;
  }
  if (!*cell) {
    *cell = static_cast<VLresource *>(VLmalloc(sizeof(VLresource)));
    (*cell)->name = VLstrdup(name);
    (*cell)->value = nullptr;
    (*cell)->next = nullptr;
  }
  char *copy = VLstrdup(value);
  free((*cell)->value);
  (*cell)->value = copy;
  return true;
}

const char *VLini_getresource(const char *name) {
  if (!name) return nullptr;
  VLresource *r = *find_cell(name);
  return r ? r->value : nullptr;
}

void VLini_clearresources(void) {
  VLresource *r = ini_state().resources;
  while (r) {
    VLresource *next = r->next;
    free(r->name);
    free(r->value);
    free(r);
    r = next;
  }
  ini_state().resources = nullptr;
}

/* ---------- reading ---------- */

void _VLini_apply(VLsettings *settings, const VLinifile *file) {
  char buf[VLINI_VALUESIZE];
  float hither = settings->hither;
  for (const VLinihandler &h : kResources) {
    const char *v = lookup(file, h.name, buf);
    if (v) h.apply(settings, v);
  }
  /* A hither at or beyond the far distance in force (no yon given, or the
   * one given refused) would leave no depth range: the hither is refused. */
  if (!(settings->yon > near_in_use(settings->hither))) {
    VLMSG(INI_BAD_HITHER);
    settings->hither = hither;
  }
}

void _VLini_readfile(const char *path) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !u->settings) return;
  VLinifile file;
  bool loaded = path && _VLini_load(path, &file);
  _VLini_apply(u->settings, loaded ? &file : nullptr);
}

void _VLini_readnames(const char *first) {
  char path[VLINI_PATHSIZE];
  bool found = (first && VLini_find(first, path)) || VLini_find("vlxwin", path);
  _VLini_readfile(found ? path : nullptr);
}

void VLini_read(void) {
  char exe[4096];
  _VLini_readnames(module_name(exe, sizeof exe) ? exe : nullptr);
}
