/* The Wavefront OBJ reader: one geometry from the positions ("v"), texture
 * vertices ("vt"), normals ("vn") and faces ("f", "fo") of a file, read
 * line by line through the tokenizer ("#" comments). Face corners refer to
 * the lists by 1-based index or, negative, back from the end of what was
 * read so far. A position used with different normals becomes one vertex
 * per normal, so every corner keeps its own. Faces take the current
 * material's table entry and the current map's (else the material's)
 * texture, with explicit coordinates when every corner has a texture
 * vertex. A face of more than 256 corners is cut into a fan of polygons
 * that share its first corner; a face line longer than the tokenizer's
 * lines is read from its bytes whole. A file is read in blocks of whole
 * lines, so no copy of it is held. The libraries are read in obj_lib.cpp. */
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/obj/obj_internal.h"
#include "readers/text/tokenizer.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/obj.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* Statements whose line is skipped whole. */
const char *const kSkipped[] = {
    "g",     "o",     "vp",    "p",     "l",        "curv",     "curv2",     "surf",
    "cstype", "deg",  "bmat",  "step",  "parm",     "trim",     "hole",      "scrv",
    "sp",    "end",   "con",   "s",     "mg",       "ctech",    "stech",     "bevel",
    "c_interp", "d_interp", "lod", "shadow_obj", "trace_obj", "bsp", "bzp", "cdc",
    "cdp",   "res"};

/* A normal index before any corner used the position. */
const int32_t kUnused = -2;

bool skipped(const char *word) {
  for (const char *s : kSkipped)
    if (strcmp(word, s) == 0) return true;
  return false;
}

/* A decimal index, optionally negative, from s (moved past it); false
 * without digits or beyond 32 bits. */
bool parse_index(const char *&s, int64_t *out) {
  bool negative = *s == '-';
  if (negative) ++s;
  if (*s < '0' || *s > '9') return false;
  int64_t v = 0;
  while (*s >= '0' && *s <= '9') {
    v = v * 10 + (*s++ - '0');
    if (v > INT32_MAX) return false;
  }
  *out = negative ? -v : v;
  return true;
}

/* The 0-based place of a 1-based or end-relative index in a list of n,
 * or -1 when it is 0 or outside the list. */
int64_t resolve(int64_t i, size_t n) {
  if (i > 0) return uint64_t(i) <= n ? i - 1 : -1;
  if (i < 0) return uint64_t(-i) <= n ? int64_t(n) + i : -1;
  return -1;
}

/* The vertex of a position with a normal (-1 none): the position's own
 * vertex for the first normal it is used with, a vertex of its own for
 * every other. */
VLvertex *corner_vertex(VLobjreader &r, size_t pi, int32_t ni) {
  VLvertex *base = r.positions[pi];
  int32_t &first = r.normalof[pi];
  if (first == kUnused) {
    first = ni;
    if (ni >= 0) VLvertex_setnormal(r.g, base, &r.normals[size_t(ni) * 3]);
    return base;
  }
  if (first == ni) return base;
  uint64_t key = uint64_t(pi) << 32 | uint32_t(ni + 1);
  auto found = r.split.find(key);
  if (found != r.split.end()) return found->second;
  VLvertex *v = VLgeometry_newvertex(r.g, base->position);
  if (!v) return base;
  if (ni >= 0) VLvertex_setnormal(r.g, v, &r.normals[size_t(ni) * 3]);
  r.split.emplace(key, v);
  return v;
}

/* One corner token into the face's lists; false for an invalid position
 * reference (the caller reports it). */
bool parse_corner(VLobjreader &r, const char *token) {
  const char *s = token;
  int64_t index;
  if (!parse_index(s, &index)) return false;
  int64_t pi = resolve(index, r.positions.size());
  if (pi < 0) return false;
  int32_t tv = -1, ni = -1;
  if (*s == '/') {
    ++s;
    if (*s != '/' && *s != '\0') {
      if (!parse_index(s, &index)) return false;
      int64_t i = resolve(index, r.uvs.size() / 2);
      if (i < 0)
        ++r.badrefs;
      else
        tv = int32_t(i);
    }
    if (*s == '/') {
      ++s;
      if (*s != '\0') {
        if (!parse_index(s, &index)) return false;
        int64_t i = resolve(index, r.goodnormal.size());
        if (i < 0)
          ++r.badrefs;
        else if (r.goodnormal[size_t(i)])
          ni = int32_t(i);
      }
    }
  }
  if (*s != '\0') return false;
  r.corner.push_back(corner_vertex(r, size_t(pi), ni));
  r.cornertv.push_back(tv);
  return true;
}

/* The texture faces get now, or null. */
const VLobjtexture *current_texture(VLobjreader &r, VLobjtexture *direct) {
  if (r.oldwfront && !r.directmap.empty()) {
    direct->name = r.directmap;
    return direct;
  }
  if (r.map >= 0 && !r.maps[size_t(r.map)].texture.name.empty())
    return &r.maps[size_t(r.map)].texture;
  if (r.material >= 0 && !r.materials[size_t(r.material)].texture.name.empty())
    return &r.materials[size_t(r.material)].texture;
  return nullptr;
}

/* The texture on a closed polygon made of the face corners in use[0..n):
 * explicit coordinates when each has a texture vertex (matched to the
 * corners the polygon kept, in order), else fitted to its plane. */
void texture_polygon(VLobjreader &r, VLpoly *p, const int *use, int n, const VLobjtexture &x) {
  /* A texture that did not load is reported once and not looked for
   * again on every face. */
  if (r.badtextures.count(x.name)) return;
  float u[VLPOLY_MAXCORNERS], v[VLPOLY_MAXCORNERS];
  bool explicitcoords = true;
  for (int i = 0; i < n && explicitcoords; ++i) explicitcoords = r.cornertv[size_t(use[i])] >= 0;
  int corner = 0, k = 0;
  for (VLvertexref *c = p->vertices; c && explicitcoords; c = c->next, ++corner) {
    while (k < n && r.corner[size_t(use[k])] != c->vertex) ++k;
    if (k == n) {
      explicitcoords = false;
      break;
    }
    const float *uv = &r.uvs[size_t(r.cornertv[size_t(use[k])]) * 2];
    float tu = uv[0] * x.scale[0] + x.offset[0];
    float tv = uv[1] * x.scale[1] + x.offset[1];
    u[corner] = tu;
    v[corner] = r.oldwfront ? tv : 1.0f - tv;
  }
  const char *name = x.name.c_str();
  bool ok = explicitcoords ? VLpoly_settexture(p, name, u, v, true, false)
                           : VLpoly_applytexture(p, name, true, false);
  if (ok) return;
  VLtexture_reporterror(name);
  r.badtextures.insert(x.name);
}

/* One polygon of the face corners in use[0..n). */
void make_polygon(VLobjreader &r, const int *use, int n, const VLobjtexture *texture) {
  VLpoly *p = VLpoly_new(r.g);
  for (int i = 0; i < n; ++i) VLpoly_addvertexptr(p, r.corner[size_t(use[i])]);
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    ++r.ignored;
    return;
  }
  if (r.material >= 0 && r.materials[size_t(r.material)].entry >= 0)
    VLpoly_setcolorindex(p, r.materials[size_t(r.material)].entry);
  if (texture) texture_polygon(r, p, use, n, *texture);
}

/* Whether the tokenizer cut the current physical line at its line length
 * (the rest comes as further lines). */
bool line_was_cut(const VLtokenizer *t) {
  return t->raw_length == VLTOK_LINEMAX && t->raw_line[VLTOK_LINEMAX - 1] != '\n';
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; }

/* The corners of a face whose line is longer than the tokenizer's lines
 * (a polygon of a hundred corners and more), read from the bytes of the
 * whole line; the tokenizer then moves past it. False for an invalid
 * corner. */
bool read_long_corners(VLobjreader &r) {
  VLtokenizer *t = r.t;
  const char *s = t->data + (t->pos - t->raw_length);
  const char *lf = static_cast<const char *>(memchr(t->data + t->pos, '\n', t->size - t->pos));
  const char *end = lf ? lf : t->data + t->size;
  const char *comment = static_cast<const char *>(memchr(s, '#', size_t(end - s)));
  const char *stop = comment ? comment : end;
  bool ok = true, first = true;
  while (ok) {
    while (s < stop && is_blank(*s)) ++s;
    if (s == stop) break;
    const char *w = s;
    while (s < stop && !is_blank(*s)) ++s;
    if (first) {  /* the statement word */
      first = false;
      continue;
    }
    char token[64];
    size_t n = size_t(s - w);
    ok = n < sizeof token;
    if (ok) {
      memcpy(token, w, n);
      token[n] = '\0';
      ok = parse_corner(r, token);
    }
  }
  size_t after = size_t(end - t->data) + (lf ? 1 : 0);
  while (t->pos < after && VLtok_readline(t)) {
  }
  t->continued = false;
  t->index = t->count;
  return ok;
}

/* A face: its corners, then one polygon, or a fan of polygons of at most
 * 256 corners that share the first corner. False for an invalid position
 * reference, which ends the read. */
bool read_face(VLobjreader &r) {
  r.corner.clear();
  r.cornertv.clear();
  if (line_was_cut(r.t)) {
    if (!read_long_corners(r)) {
      VLtok_showpos(r.t, 0, nullptr);
      VLMSG(OBJ_INVALID_VERTEX);
      return false;
    }
  }
  while (const char *token = VLtok_next(r.t)) {
    if (!parse_corner(r, token)) {
      VLtok_showpos(r.t, 0, nullptr);
      VLMSG(OBJ_INVALID_VERTEX);
      return false;
    }
  }
  int n = int(r.corner.size());
  if (n < VLPOLY_MINCORNERS) {
    ++r.ignored;
    return true;
  }
  VLobjtexture direct;
  const VLobjtexture *texture = current_texture(r, &direct);
  int use[VLPOLY_MAXCORNERS];
  use[0] = 0;
  for (int start = 1; start + 1 < n;) {
    int count = n - start < VLPOLY_MAXCORNERS - 1 ? n - start : VLPOLY_MAXCORNERS - 1;
    for (int i = 0; i < count; ++i) use[i + 1] = start + i;
    make_polygon(r, use, count + 1, texture);
    start += count - 1;
  }
  return true;
}

void read_position(VLobjreader &r) {
  float p[3] = {0.0f, 0.0f, 0.0f};
  VLtok_float3(r.t, p, "Vertex Coordinate");
  /* A bad coordinate is reported and reads as what was converted (0 when
   * nothing was), so that later faces still find their positions. */
  for (float &x : p) x *= r.scale;
  VLvertex *v = VLgeometry_newvertex(r.g, p);
  r.positions.push_back(v);
  r.normalof.push_back(kUnused);
}

void read_texture_vertex(VLobjreader &r) {
  float uv[2] = {0.0f, 0.0f};
  if (VLtok_float(r.t, &uv[0], "Texture vertex u Coordinate"))
    VLtok_float(r.t, &uv[1], "Texture vertex v Coordinate");
  r.uvs.push_back(uv[0]);
  r.uvs.push_back(uv[1]);
}

void read_normal(VLobjreader &r) {
  float n[3] = {0.0f, 0.0f, 0.0f};
  bool ok = VLtok_float3(r.t, n, "Vertex Normal Coordinate");
  r.normals.insert(r.normals.end(), n, n + 3);
  /* A normal that does not read whole, or a zero one, gives no normal. */
  r.goodnormal.push_back(ok && (n[0] != 0.0f || n[1] != 0.0f || n[2] != 0.0f));
}

/* "usemtl" and "usemap" name: null for none or "off". */
const char *used_name(VLobjreader &r) {
  const char *name = VLtok_next(r.t);
  return name && strcmp(name, "off") != 0 ? name : nullptr;
}

void use_material(VLobjreader &r) {
  const char *name = used_name(r);
  if (!name) {
    r.material = -1;
    return;
  }
  for (size_t i = 0; i < r.materials.size(); ++i)
    if (r.materials[i].name == name) {
      r.material = int(i);
      return;
    }
}

void use_map(VLobjreader &r) {
  const char *name = used_name(r);
  if (!name) {
    r.map = -1;
    r.directmap.clear();
    return;
  }
  if (r.oldwfront) {
    r.directmap = name;
    return;
  }
  for (size_t i = 0; i < r.maps.size(); ++i)
    if (r.maps[i].name == name) {
      r.map = int(i);
      return;
    }
}

/* Every line; false when the read fails (unknown statement, invalid
 * position reference). */
bool read_lines(VLobjreader &r) {
  bool started = false;
  while (const char *word = _VLobj_nextword(r.t, &started)) {
    if (word[0] == 'v' && word[1] == '\0') {
      read_position(r);
    } else if (word[0] == 'v' && word[1] == 't' && word[2] == '\0') {
      read_texture_vertex(r);
    } else if (word[0] == 'v' && word[1] == 'n' && word[2] == '\0') {
      read_normal(r);
    } else if (word[0] == 'f' && (word[1] == '\0' || (word[1] == 'o' && word[2] == '\0'))) {
      if (!read_face(r)) return false;
    } else if (skipped(word)) {
      /* the rest of the line goes */
    } else if (strcmp(word, "usemtl") == 0) {
      use_material(r);
    } else if (strcmp(word, "usemap") == 0) {
      use_map(r);
    } else if (strcmp(word, "maplib") == 0) {
      _VLobj_maplib(r);
    } else if (strcmp(word, "mtllib") == 0) {
      _VLobj_mtllib(r);
    } else {
      VLtok_showpos(r.t, 0, nullptr);
      VLMSG(OBJ_UNKNOWN_KEYWORD);
      return false;
    }
  }
  return true;
}

/* Bytes read from a file at a time. */
const size_t kBlock = size_t(1) << 20;

/* Where a full block is cut: after its last line that does not end in the
 * continuation character; after the last line at all when every line is
 * continued; with no line feed in the block (one line longer than the
 * block), at the last whole piece of the tokenizer's line length, where
 * the tokenizer would cut the line too. */
size_t cut_point(const char *b, size_t n) {
  const char *last = static_cast<const char *>(memrchr(b, '\n', n));
  if (!last) return n / VLTOK_LINEMAX * VLTOK_LINEMAX;
  for (const char *lf = last; lf;) {
    const char *k = lf;
    while (k > b && (k[-1] == '\r' || k[-1] == ' ' || k[-1] == '\t')) --k;
    if (k == b || k[-1] != '\\') return size_t(lf - b) + 1;
    lf = lf > b ? static_cast<const char *>(memrchr(b, '\n', size_t(lf - b))) : nullptr;
  }
  return size_t(last - b) + 1;
}

long read_fd(int fd, char *b, size_t room) {
  for (;;) {
    ssize_t got = read(fd, b, room);
    if (got >= 0) return long(got);
    if (errno != EINTR) return -1;
  }
}

long read_stream(FILE *stream, char *b, size_t room) {
  size_t got = fread(b, 1, room, stream);
  return got == 0 && ferror(stream) ? -1 : long(got);
}

bool begin_reading(VLobjreader &r, const char *path, float scale) {
  r.path = path ? path : "";
  r.folder = _VLobj_folder(r.path);
  r.scale = scale;
  VLuniverse *u = VLuniverse_current();
  r.oldwfront = u && u->settings && u->settings->oldwfront;
  r.g = VLgeometry_begin();
  if (!r.g) return false;
  r.corner.reserve(VLPOLY_MAXCORNERS);
  r.cornertv.reserve(VLPOLY_MAXCORNERS);
  return true;
}

/* The lines of one block (whole lines), numbered on from *lines. */
bool read_block(VLobjreader &r, const char *data, size_t size, int32_t *lines) {
  r.t = VLtok_openbytes(r.path, data, size, "#");
  r.t->line_number += *lines;
  bool ok = read_lines(r);
  *lines = r.t->line_number;
  VLtok_close(r.t);
  r.t = nullptr;
  return ok;
}

VLgeometry *end_reading(VLobjreader &r, bool ok) {
  if (!ok) {
    VLgeometry_delete(r.g);
    return nullptr;
  }
  if (r.ignored > 0) VLMSG(NFF_IGNORED, r.ignored);
  if (r.badrefs > 0) VLMSG(OBJ_BAD_REFERENCES, r.badrefs);
  /* Completion removes the positions no face used; a geometry left with
   * too few vertices is deleted by it. */
  return VLgeometry_close(r.g) ? r.g : nullptr;
}

}  // namespace

const char *_VLobj_nextword(VLtokenizer *t, bool *started) {
  if (*started) {
    while (VLtok_next(t)) {
    }
    if (!VLtok_nextline(t)) return nullptr;
  }
  *started = true;
  for (;;) {
    if (const char *word = VLtok_next(t)) return word;
    if (!VLtok_nextline(t)) return nullptr;
  }
}

std::string _VLobj_folder(const char *path) {
  const char *slash = path ? strrchr(path, '/') : nullptr;
  return slash ? std::string(path, size_t(slash - path)) : std::string();
}

VLgeometry *VLobj_readbytes(const char *path, const char *data, size_t size, float scale) {
  VLobjreader r;
  if (!begin_reading(r, path, scale)) return nullptr;
  int32_t lines = 0;
  return end_reading(r, read_block(r, data, size, &lines));
}

VLgeometry *VLobj_read(FILE *stream, const char *path, float scale) {
  if (!path) path = "";
  int fd = -1;
  if (!stream) {
    fd = _VLfetch_openregular(path, nullptr);
    if (fd < 0) {
      VLMSG(TOK_CANT_OPEN, path);
      return nullptr;
    }
  }
  VLobjreader r;
  if (!begin_reading(r, path, scale)) {
    if (fd >= 0) close(fd);
    return nullptr;
  }
  /* The bytes go through one block buffer: up to the last whole line (a
   * line continued into the next block waits for it), and the rest moves
   * to the front for the next read. */
  std::vector<char> block(kBlock);
  size_t held = 0, total = 0;
  int32_t lines = 0;
  bool ok = true, end = false;
  while (ok && !end) {
    long got = fd >= 0 ? read_fd(fd, block.data() + held, block.size() - held)
                       : read_stream(stream, block.data() + held, block.size() - held);
    if (got < 0) {
      VLMSG(TOK_CANT_OPEN, path);
      ok = false;
      break;
    }
    end = got == 0;
    held += size_t(got);
    total += size_t(got);
    if (total > VLFETCH_MAXBYTES) {
      VLMSG(FILE_TOO_LARGE, path, VLFETCH_MAXBYTES);
      ok = false;
      break;
    }
    if (!end && held < block.size()) continue;
    size_t cut = end ? held : cut_point(block.data(), held);
    ok = read_block(r, block.data(), cut, &lines);
    memmove(block.data(), block.data() + cut, held - cut);
    held -= cut;
  }
  if (fd >= 0) close(fd);
  return end_reading(r, ok);
}
