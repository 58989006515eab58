/* The text form of the neutral file format: magic word, header (version,
 * viewpos, viewdir, distinct), then geometries of a name line with
 * key=value attributes, an optional "mtable" line, the vertices with their
 * attributes and the polygons (nff_text_poly.cpp). Read through the
 * tokenizer (comment marker "//"). Versions below 2.0 put normals bare
 * behind the coordinates; below 2.99 geometries share a colour table. */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/nff/nff_internal.h"
#include "readers/nff/nff_text.h"
#include "readers/text/tokenizer.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

namespace {

/* Versions below these read bare normals and share colour tables. */
const float kBareNormals = 2.0f;
const float kSharedTables = 2.99f;

/* A token of the next non-empty line, given back to be converted. */
void peek_any(VLtokenizer *t) {
  if (VLtok_nextany(t)) VLtok_unget(t);
}

bool read_header(VLnfftext &r) {
  const char *tok = VLtok_nextany(r.t);
  if (!tok) {
    VLMSG(NFF_NO_DATA, r.f.path);
    return false;
  }
  if (strcmp(tok, "nff") != 0 && strcmp(tok, "vy") != 0) {
    VLMSG(NFF_MAGIC, r.f.path, tok, "nff");
    return false;
  }
  VLview *view = r.f.options->view;
  while ((tok = VLtok_nextany(r.t))) {
    float v[3] = {0, 0, 0};
    if (strcmp(tok, "version") == 0) {
      VLtok_float(r.t, &r.version, "Version");
    } else if (strcmp(tok, "viewpos") == 0) {
      VLtok_float3(r.t, v, "Vertex coordinate");
      if (view) memcpy(view->position, v, sizeof v);
    } else if (strcmp(tok, "viewdir") == 0) {
      if (VLtok_float3(r.t, v, "Viewdirection coordinate")) _VLnff_setviewdir(view, v, true);
    } else if (strcmp(tok, "distinct") == 0) {
      r.distinct = true;
    } else {
      VLtok_unget(r.t);
      break;
    }
  }
  return true;
}

/* A hexadecimal vertex colour: 8 characters (0xRRGGBB) is 24-bit, any
 * other length 12-bit widened digit by digit. */
bool vertex_colour(const char *tok, uint8_t rgb[3]) {
  size_t length = strlen(tok);
  const char *digits = tok;
  if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits += 2;
  size_t n = strlen(digits);
  if (n == 0 || n > 8 || strspn(digits, "0123456789abcdefABCDEF") != n) return false;
  uint32_t value = uint32_t(strtoul(digits, nullptr, 16));
  for (int i = 0; i < 3; ++i)
    rgb[i] = length == 8 ? uint8_t(value >> (16 - 8 * i))
                         : uint8_t(((value >> (8 - 4 * i)) & 15u) * 17u);
  return true;
}

bool vertex_rgb(VLnfftext &r, VLnffgeom &s, VLvertex *v) {
  const char *tok = VLtok_next(r.t);
  if (!tok) return VLtok_missing(r.t, "Vertex color");
  uint8_t rgb[3];
  if (!vertex_colour(tok, rgb)) return VLtok_invalid(r.t, 0, "Vertex color");
  int index = _VLnff_colour(s, rgb[0], rgb[1], rgb[2]);
  if (index >= 0) VLvertex_setcolorindex(s.g, v, index);
  return true;
}

bool vertex_matid(VLnfftext &r, VLnffgeom &s, VLvertex *v) {
  int k;
  if (!VLtok_int(r.t, &k, "Material index")) return false;
  if (k >= 0)
    VLvertex_setcolorindex(s.g, v, k);
  else
    VLMSG(NFF_NEGATIVE_MATID);
  return true;
}

void vertex_normal(VLnfftext &r, VLnffgeom &s, VLvertex *v) {
  float n[3];
  if (VLtok_float3(r.t, n, "Vertex normal")) VLvertex_setnormal(s.g, v, n);
}

/* One attribute token of a vertex line; false discards the geometry. */
bool vertex_attribute(VLnfftext &r, VLnffgeom &s, VLvertex *v, int index, const char *tok) {
  if (strcmp(tok, "N") == 0) {
    v->flags |= VLVERTEX_SMOOTH;
  } else if (strcmp(tok, "uv") == 0) {
    float uv[2];
    if (VLtok_float2(r.t, uv, "Vertex uv")) _VLnff_setuv(s, index, uv[0], uv[1]);
  } else if (strcmp(tok, "rgb") == 0) {
    return vertex_rgb(r, s, v);
  } else if (strcmp(tok, "matid") == 0) {
    return vertex_matid(r, s, v);
  } else if (strcmp(tok, "norm") == 0) {
    vertex_normal(r, s, v);
  } else if (r.version < kBareNormals) {
    VLtok_unget(r.t);
    vertex_normal(r, s, v);
  }
  return true;
}

bool read_vertex(VLnfftext &r, VLnffgeom &s, int index) {
  peek_any(r.t);
  float p[3];
  if (!VLtok_float3(r.t, p, "Vertex coordinate")) return false;
  VLvertex *v = _VLnff_vertex(s, r.f, p);
  if (!v) return false;
  while (const char *tok = VLtok_next(r.t))
    if (!vertex_attribute(r, s, v, index, tok)) return false;
  return true;
}

/* A count on the next non-empty line; false after its message. */
bool read_count(VLtokenizer *t, int *n, const char *name) {
  peek_any(t);
  if (!VLtok_int(t, n, name)) return false;
  if (*n < 0) return VLtok_invalid(t, 0, name);
  return true;
}

/* The name line: name, then key=value attributes only. */
bool read_name(VLnfftext &r, std::string *name, bool *end) {
  const char *tok = VLtok_nextany(r.t);
  if (!tok) {
    *end = true;
    return false;
  }
  *name = tok;
  while ((tok = VLtok_next(r.t))) {
    char buf[VLTOK_LINEMAX + 1];
    strcpy(buf, tok);
    char *parts[3];
    if (VLtok_split(buf, parts, 3, "=") != 2) {
      VLtok_showpos(r.t, 0, nullptr);
      VLMSG(NFF_GEOM_ATTRIBUTE);
      return false;
    }
  }
  return true;
}

/* The optional "mtable" line. */
void read_mtable(VLnfftext &r, VLnffgeom &s) {
  const char *tok = VLtok_nextany(r.t);
  if (!tok) return;
  if (strcmp(tok, "mtable") != 0) {
    VLtok_unget(r.t);
    return;
  }
  const char *name = VLtok_next(r.t);
  VLmtable *t = name ? VLmtable_load(name) : nullptr;
  if (!t) {
    VLMSG(NFF_MTABLE);
    return;
  }
  _VLnff_owntable(s, r.f, t, r.version < kSharedTables);
}

bool read_body(VLnfftext &r, VLnffgeom &s) {
  int nv, np;
  if (!read_count(r.t, &nv, "Number of vertices")) return false;
  for (int i = 0; i < nv; ++i)
    if (!read_vertex(r, s, i)) return false;
  if (!read_count(r.t, &np, "Number of polygons")) return false;
  for (int i = 0; i < np; ++i)
    if (!_VLnfftext_polygon(r, s)) return false;
  return true;
}

/* One geometry; false when the list ends here. */
bool read_geometry(VLnfftext &r) {
  std::string name;
  bool end = false;
  if (!read_name(r, &name, &end)) return false;
  VLnffgeom s;
  if (!_VLnff_begin(s, name)) return false;
  if (r.version < kSharedTables) _VLnff_sharetable(s, r.f, true);
  read_mtable(r, s);
  if (!read_body(r, s)) {
    _VLnff_discard(s);
    return false;
  }
  return _VLnff_end(s, r.f) != VLNFF_DISCARDED;
}

VLgeomcell *read_file(VLtokenizer *t, const char *path, const VLnffoptions *options) {
  VLnfftext r{t, {}, 1.01f, false};
  r.f.path = path ? path : "";
  r.f.options = options;
  _VLnff_resetview(options->view);
  if (!read_header(r)) return nullptr;
  while (read_geometry(r)) {
  }
  return _VLnff_finish(r.f, r.distinct);
}

}  // namespace

VLgeomcell *VLnff_readbytes(const char *path, const char *data, size_t size,
                            const VLnffoptions *options) {
  if (!options) return nullptr;
  VLtokenizer *t = VLtok_openbytes(path, data, size, "//");
  VLgeomcell *list = read_file(t, path, options);
  VLtok_close(t);
  return list;
}

VLgeomcell *VLnff_read(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                       VLportal **portals) {
  VLnffoptions options{view, scale, merge, portals};
  VLtokenizer *t = VLtok_open(path, stream, "//");
  if (!t) return nullptr;
  VLgeomcell *list = read_file(t, path, &options);
  VLtok_close(t);
  return list;
}
