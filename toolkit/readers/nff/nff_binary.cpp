/* The binary form of the neutral file format: magic "bnff", a version
 * word, tagged header records, then geometries (name, material table,
 * vertices with a flag byte, polygons with tagged attributes). Numbers are
 * big-endian; strings are a length byte (at most 80) and the bytes. Read
 * through a bounds-checked cursor over the whole file: a string longer than
 * 80 bytes or the end of the data inside the header or a material table
 * stops the reader with a warning; counts are checked against the bytes
 * left before anything is made. */
#include <string.h>

#include "core/messages.h"
#include "readers/bytes/byte_cursor.h"
#include "readers/bytes/fetch.h"
#include "readers/nff/nff_internal.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

namespace {

/* Tags. */
enum { kViewPos = 1, kViewDir = 2, kGeometry = 3, kMaterial = 4 };
enum { kTableEnd = 5, kPropsBegin = 8, kPropsEnd = 9, kNewEntry = 0 };
enum { kVertexNormal = 1, kVertexUV = 2, kVertexRGB = 4 };
enum { kPolyEnd = 0, kBoth = 1, kTexture = 2, kPortal = 3, kRot = 4, kScale = 5,
       kTrans = 6, kMirror = 7 };
/* Fewest bytes of a vertex (3 floats and the flag) and of a polygon (the
 * count, the material index and the end tag). */
const size_t kMinVertex = 13, kMinPolygon = 9;
/* Entries of a new table. */
const int kTableSize = 10;

struct Reader {
  VLbytecursor c;
  VLnfffile f;
  bool stopped = false;   /* a fault that ends the whole file */
};

enum Result { kOk, kDiscard, kStop };

float f32(VLbytecursor &c) {
  uint32_t u = c.be32();
  float x;
  memcpy(&x, &u, sizeof x);
  return x;
}

int32_t i32(VLbytecursor &c) { return int32_t(c.be32()); }

void floats(VLbytecursor &c, float *out, int n) {
  for (int i = 0; i < n; ++i) out[i] = f32(c);
}

bool truncated(Reader &r, const char *where) {
  VLMSG(BNFF_TRUNCATED, r.f.path, where);
  r.stopped = true;
  return false;
}

/* A string; a bad length or the end of the data stops the reader. */
bool read_string(Reader &r, std::string *out) {
  size_t at = r.c.pos();
  uint8_t length = r.c.u8();
  if (r.c.failed()) return truncated(r, "string");
  if (length > VLNFF_MAXSTRING) {
    VLMSG(BNFF_LONG_STRING, r.f.path, int(length), at);
    r.stopped = true;
    return false;
  }
  const char *bytes = reinterpret_cast<const char *>(r.c.data() + r.c.pos());
  if (!r.c.skip(length)) return truncated(r, "string");
  out->assign(bytes, length);
  return true;
}

bool read_header(Reader &r) {
  VLview *view = r.f.options->view;
  for (;;) {
    uint8_t tag = r.c.u8();
    if (r.c.failed()) return truncated(r, "header");
    float v[3];
    if (tag == kViewPos || tag == kViewDir) {
      floats(r.c, v, 3);
      if (r.c.failed()) return truncated(r, "header");
    }
    if (tag == kViewPos && view) memcpy(view->position, v, sizeof v);
    if (tag == kViewDir) _VLnff_setviewdir(view, v, false);
    if (tag == kGeometry) {
      r.c.seek(r.c.pos() - 1);
      return true;
    }
  }
}

/* Property bytes up to the end byte: their union. */
bool read_mask(Reader &r, uint32_t *mask) {
  *mask = 0;
  for (;;) {
    uint8_t b = r.c.u8();
    if (r.c.failed()) return truncated(r, "material table");
    if (b == kPropsEnd) return true;
    if (b == VLAMBIENT || b == VLDIFFUSE || b == VLSPECULAR || b == VLSHININESS ||
        b == VLEMISSION || b == VLAMBIENTDIFFUSE || b == VLOPACITY)
      *mask |= b;
  }
}

/* Entry records up to the end byte, into t (or read past when null). */
bool read_entries(Reader &r, VLmtable *t) {
  int current = -1;
  bool full = false;
  for (;;) {
    uint8_t b = r.c.u8();
    if (r.c.failed()) return truncated(r, "material table");
    if (b == kTableEnd) return true;
    if (b == kNewEntry) {
      if (t && !full) current = VLmtable_newentry(t);
      full = full || current < 0;
      continue;
    }
    int n = b == VLSHININESS || b == VLOPACITY ? 1 : 3;
    if (b != VLAMBIENT && b != VLDIFFUSE && b != VLSPECULAR && b != VLSHININESS &&
        b != VLEMISSION && b != VLAMBIENTDIFFUSE && b != VLOPACITY)
      continue;
    float v[3];
    floats(r.c, v, n);
    if (r.c.failed()) return truncated(r, "material table");
    if (t && current >= 0 && !full) VLmtable_setvalue(t, current, v, b);
  }
}

/* The material table; null when there is none (or the reader stops). */
VLmtable *read_mtable(Reader &r) {
  uint8_t tag = r.c.u8();
  if (r.c.failed()) {
    truncated(r, "material table");
    return nullptr;
  }
  if (tag != kPropsBegin) {
    VLMSG(BNFF_NO_PROPLIST);
    r.c.seek(r.c.pos() - 1);
    return nullptr;
  }
  uint32_t mask;
  if (!read_mask(r, &mask)) return nullptr;
  if (!mask) VLMSG(BNFF_NO_PROPERTIES);
  VLmtable *t = mask ? VLmtable_new(mask, kTableSize, nullptr) : nullptr;
  if (!read_entries(r, t)) {
    if (t) VLmtable_delete(t);
    return nullptr;
  }
  return t;
}

bool read_vertex(Reader &r, VLnffgeom &s, int index) {
  float p[3];
  floats(r.c, p, 3);
  uint8_t flags = r.c.u8();
  float n[3] = {0, 0, 0}, uv[2] = {0, 0};
  uint8_t rgb[3] = {0, 0, 0};
  if (flags & kVertexNormal) floats(r.c, n, 3);
  if (flags & kVertexUV) floats(r.c, uv, 2);
  if (flags & kVertexRGB) r.c.bytes(rgb, 3);
  if (r.c.failed()) return false;
  VLvertex *v = _VLnff_vertex(s, r.f, p);
  if (!v) return false;
  if (flags & kVertexNormal) VLvertex_setnormal(s.g, v, n);
  if (flags & kVertexUV) _VLnff_setuv(s, index, uv[0], uv[1]);
  if (flags & kVertexRGB) {
    int k = _VLnff_colour(s, rgb[0], rgb[1], rgb[2]);
    if (k >= 0) VLvertex_setcolorindex(s.g, v, k);
  }
  return true;
}

/* Attribute tags up to the end tag. */
Result read_poly_attributes(Reader &r, VLnffpoly &a) {
  for (;;) {
    uint8_t b = r.c.u8();
    if (r.c.failed()) return kDiscard;
    std::string text;
    switch (b) {
      case kPolyEnd: return kOk;
      case kBoth: a.both = true; break;
      case kTexture:
        if (!read_string(r, &text)) return kStop;
        a.textured = true;
        a.mode = text.empty() ? 0 : text[0];
        a.texture = text.size() > 2 ? text.substr(2) : "";
        break;
      case kPortal:
        if (!read_string(r, &text)) return kStop;
        if (r.f.options->portals) a.portals.push_back(text);
        break;
      case kRot: a.rotation = f32(r.c); break;
      case kScale: a.scale = f32(r.c); break;
      case kTrans: floats(r.c, a.offset, 2); break;
      case kMirror: a.mirror = true; break;
      default: break;
    }
  }
}

/* A polygon of more corners than allowed: read past it, counted ignored. */
Result skip_polygon(Reader &r, VLnffgeom &s, int n) {
  if (!r.c.skip(size_t(n) * 4 + 4)) return kDiscard;
  VLnffpoly a;
  Result res = read_poly_attributes(r, a);
  if (res != kOk) return res;
  VLMSG(NFF_MANY_POLY_VERTICES, n, int(VLNFF_MAXINDICES));
  ++s.ignored;
  return kOk;
}

Result read_polygon(Reader &r, VLnffgeom &s) {
  int32_t n = i32(r.c);
  if (r.c.failed() || n < 0) return kDiscard;
  if (n > VLNFF_MAXINDICES) return skip_polygon(r, s, n);
  int indices[VLNFF_MAXINDICES];
  for (int i = 0; i < n; ++i) {
    indices[i] = i32(r.c);
    if (r.c.failed() || indices[i] < 0 || size_t(indices[i]) >= s.vertices.size())
      return kDiscard;
  }
  VLnffpoly a;
  int32_t material = i32(r.c);
  Result res = read_poly_attributes(r, a);
  if (res != kOk) return res;
  if (material >= 0) a.colour = material;
  VLpoly *p = VLpoly_new(s.g);
  for (int i = 0; i < n; ++i) VLpoly_addvertexptr(p, s.vertices[size_t(indices[i])]);
  if (!_VLnff_closepoly(s, p, indices, n, a)) VLMSG(BNFF_POLY_PROBLEM);
  return kOk;
}

/* A count that the bytes left can hold at least per item bytes each. */
bool read_count(Reader &r, size_t per, int32_t *n) {
  *n = i32(r.c);
  return !r.c.failed() && *n >= 0 && size_t(*n) <= r.c.left() / per;
}

/* Vertices and polygons. */
Result read_body(Reader &r, VLnffgeom &s) {
  int32_t n;
  if (!read_count(r, kMinVertex, &n)) {
    VLMSG(BNFF_VERTEX_NULL);
    return kDiscard;
  }
  s.vertices.reserve(size_t(n));
  for (int32_t i = 0; i < n; ++i)
    if (!read_vertex(r, s, int(i))) {
      VLMSG(BNFF_VERTEX_NULL);
      return kDiscard;
    }
  if (!read_count(r, kMinPolygon, &n)) {
    VLMSG(BNFF_POLY_NULL);
    return kDiscard;
  }
  for (int32_t i = 0; i < n; ++i) {
    Result res = read_polygon(r, s);
    if (res == kDiscard) VLMSG(BNFF_POLY_NULL);
    if (res != kOk) return res;
  }
  return kOk;
}

/* The geometry's material part; false discards it. */
bool read_material(Reader &r, VLnffgeom &s) {
  uint8_t tag = r.c.u8();
  if (r.c.failed() || tag != kMaterial) {
    VLMSG(BNFF_NO_MATERIAL);
    return false;
  }
  _VLnff_sharetable(s, r.f, false);
  VLmtable *t = read_mtable(r);
  if (r.stopped) return false;
  if (t) {
    _VLnff_owntable(s, r.f, t, true);
    return true;
  }
  VLMSG(BNFF_MTABLE_NULL);
  if (!r.f.shared) VLMSG(NFF_MTABLE);
  return true;
}

/* One geometry; false when the list ends here. */
bool read_geometry(Reader &r) {
  if (!r.c.left() || r.c.u8() != kGeometry) return false;
  std::string name;
  if (!read_string(r, &name)) return false;
  VLnffgeom s;
  if (!_VLnff_begin(s, name)) return false;
  if (!read_material(r, s) || read_body(r, s) != kOk) {
    _VLnff_discard(s);
    return false;
  }
  return _VLnff_end(s, r.f) != VLNFF_DISCARDED;
}

VLgeomcell *read_file(const char *path, const unsigned char *data, size_t size,
                      const VLnffoptions *options) {
  Reader r{VLbytecursor(data, data ? size : 0), {}, false};
  r.f.path = path ? path : "";
  r.f.options = options;
  _VLnff_resetview(options->view);
  if (r.c.size() < 4) {
    VLMSG(NFF_NO_DATA, r.f.path);
    return nullptr;
  }
  if (memcmp(data, "bnff", 4) != 0) {
    std::string magic(reinterpret_cast<const char *>(data), 4);
    VLMSG(NFF_MAGIC, r.f.path, magic.c_str(), "bnff");
    return nullptr;
  }
  r.c.skip(8);  /* magic and version (not used) */
  if (!r.c.failed() && read_header(r)) {
    while (!r.stopped && read_geometry(r)) {
    }
  } else if (r.c.failed() && !r.stopped) {
    truncated(r, "header");
  }
  return _VLnff_finish(r.f, false);
}

}  // namespace

VLgeomcell *VLbnff_readbytes(const char *path, const unsigned char *data, size_t size,
                             const VLnffoptions *options) {
  if (!options) return nullptr;
  return read_file(path, data, size, options);
}

VLgeomcell *VLbnff_read(FILE *stream, const char *path, VLview *view, float scale, bool merge,
                        VLportal **portals) {
  if (!stream) return nullptr;
  char *bytes = nullptr;
  size_t size = 0;
  if (!_VLfetch_warned(path, stream, &bytes, &size)) return nullptr;
  VLnffoptions options{view, scale, merge, portals};
  VLgeomcell *list = read_file(path, reinterpret_cast<unsigned char *>(bytes), size, &options);
  free(bytes);
  return list;
}
