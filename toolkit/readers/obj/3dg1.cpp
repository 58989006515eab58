/* The 3DG1 reader: after the magic "3DG1", a vertex count, the vertices
 * (x y z; y is negated) and, to the end of the file, polygon records of a
 * corner count, the 0-based corner indexes and a colour number that picks
 * one of 16 12-bit colours. A negative colour number is followed by a
 * detail block (a count of records, each an index count k and k + 1
 * integers), which is read and dropped. Numbers are blank-separated
 * decimal words read over the file's bytes; every count is checked against
 * what the file can still hold. A concave polygon becomes a two-sided fan
 * of triangles from its first corner. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <charconv>
#include <vector>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/obj.h"

namespace {

const char kMagic[] = "3DG1";
const int kTableSize = 10;
/* The 16 colours, 0xRGB. */
const uint16_t kPalette[16] = {0x000, 0x008, 0x080, 0x088, 0x800, 0x808, 0x880, 0x888,
                               0x000, 0x00F, 0x0F0, 0x088, 0xF00, 0x808, 0xFF0, 0xFFF};
/* Corners of a polygon that is read: 3 up to this bound (excluded). */
const int kMaxCorners = 256;
/* A corner this close to the polygon's plane direction counts as convex. */
const float kConvexTolerance = 1e-6f;

enum Word { WORD_OK, WORD_END, WORD_BAD };

/* Blank-separated words over the bytes after the magic. */
struct Scanner {
  const char *path;
  const char *data;
  size_t size;
  size_t pos;
  size_t at = 0;  /* start of the last word */

  bool blank(char c) const {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0';
  }
  Word word(const char **first, const char **last) {
    while (pos < size && blank(data[pos])) ++pos;
    if (pos >= size) return WORD_END;
    at = pos;
    while (pos < size && !blank(data[pos])) ++pos;
    *first = data + at;
    *last = data + pos;
    return WORD_OK;
  }
  Word integer(long long *out) {
    const char *a, *b;
    Word w = word(&a, &b);
    if (w != WORD_OK) return w;
    if (*a == '+' && b - a > 1 && a[1] != '-') ++a;
    std::from_chars_result r = std::from_chars(a, b, *out);
    return r.ptr == b && r.ec == std::errc() ? WORD_OK : WORD_BAD;
  }
  Word real(float *out) {
    const char *a, *b;
    Word w = word(&a, &b);
    if (w != WORD_OK) return w;
    if (*a == '+' && b - a > 1 && a[1] != '-') ++a;
    double d = 0.0;
    std::from_chars_result r = std::from_chars(a, b, d, std::chars_format::general);
    if (r.ptr != b || r.ec != std::errc() || !isfinite(float(d))) return WORD_BAD;
    *out = float(d);
    return WORD_OK;
  }
  /* Words the rest of the file can still hold (each takes two bytes with
   * its blank, the last one byte). */
  size_t room(void) const { return (size - pos + 1) / 2; }
};

/* Reports why reading stopped at a word that is not WORD_OK. */
void report(const Scanner &s, Word w, const char *what) {
  if (w == WORD_END)
    VLMSG(BNFF_TRUNCATED, s.path, what);
  else
    VLMSG(G1_BAD_NUMBER, s.path, s.at);
}

/* Reads and drops a detail block; false when reading stops. */
bool skip_detail(Scanner &s) {
  long long m;
  Word w = s.integer(&m);
  if (w != WORD_OK) {
    report(s, w, "detail block");
    return false;
  }
  if (m < 0 || size_t(m) > s.room()) {
    VLMSG(G1_BAD_DETAIL, s.path, int(m < INT32_MIN ? INT32_MIN : m > INT32_MAX ? INT32_MAX : m),
          s.at);
    return false;
  }
  for (long long i = 0; i < m; ++i) {
    long long k;
    w = s.integer(&k);
    if (w == WORD_OK && (k < 0 || size_t(k) >= s.room())) {
      VLMSG(G1_BAD_DETAIL, s.path, int(k < INT32_MIN ? INT32_MIN : k > INT32_MAX ? INT32_MAX : k),
            s.at);
      return false;
    }
    for (long long j = 0; w == WORD_OK && j <= k; ++j) {
      long long skip;
      w = s.integer(&skip);
    }
    if (w != WORD_OK) {
      report(s, w, "detail block");
      return false;
    }
  }
  return true;
}

void sub(const float *a, const float *b, float *out) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}

void cross(const float *a, const float *b, float *out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

/* The vertex-position test: the polygon's direction from the sum of its
 * corners' cross products (Newell), then every corner turning the same way
 * around it. 0: concave (to be split); 1: convex; 2: no direction at all
 * (every corner on one line), kept whole. */
int position_test(const std::vector<VLvertex *> &v, const int *corners, int n) {
  float normal[3] = {0, 0, 0};
  for (int i = 0; i < n; ++i) {
    const float *a = v[size_t(corners[i])]->position;
    const float *b = v[size_t(corners[(i + 1) % n])]->position;
    normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
    normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
    normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
  }
  float length = sqrtf(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
  if (!(length > 0.0f) || !isfinite(length)) return 2;
  for (int i = 0; i < n; ++i) {
    const float *a = v[size_t(corners[i])]->position;
    const float *b = v[size_t(corners[(i + 1) % n])]->position;
    const float *c = v[size_t(corners[(i + 2) % n])]->position;
    float e1[3], e2[3], x[3];
    sub(b, a, e1);
    sub(c, b, e2);
    cross(e1, e2, x);
    float turn = (x[0] * normal[0] + x[1] * normal[1] + x[2] * normal[2]) / length;
    float scale = sqrtf(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]) *
                  sqrtf(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
    if (turn < -kConvexTolerance * scale) return 0;
  }
  return 1;
}

void colour(VLpoly *p, long long c) {
  uint16_t rgb = kPalette[(c < 0 ? -(c % 16) : c % 16)];
  VLpoly_setrgb(p, uint8_t(((rgb >> 8) & 15) * 17), uint8_t(((rgb >> 4) & 15) * 17),
                uint8_t((rgb & 15) * 17));
}

/* One polygon, or its fan when it is concave. */
void make_polygon(VLgeometry *g, const std::vector<VLvertex *> &v, const int *corners, int n,
                  long long c) {
  if (position_test(v, corners, n) != 0) {
    VLpoly *p = VLpoly_new(g);
    for (int i = 0; i < n; ++i) VLpoly_addvertex(p, corners[i]);
    if (!VLpoly_close(p)) {
      VLpoly_delete(p);
      return;
    }
    colour(p, c);
    return;
  }
  for (int i = 1; i + 1 < n; ++i) {
    VLpoly *p = VLpoly_new(g);
    VLpoly_addvertex(p, corners[0]);
    VLpoly_addvertex(p, corners[i]);
    VLpoly_addvertex(p, corners[i + 1]);
    p->flags |= VLPOLY_TWOSIDED;
    if (!VLpoly_close(p)) {
      VLpoly_delete(p);
      continue;
    }
    colour(p, c);
  }
}

/* Polygon records to the end of the file. */
void read_polygons(Scanner &s, VLgeometry *g, const std::vector<VLvertex *> &v) {
  int corners[kMaxCorners];
  for (;;) {
    long long n;
    Word w = s.integer(&n);
    if (w == WORD_END) return;
    if (w != WORD_OK) return report(s, w, "polygon list");
    bool keep = n >= 3 && n < kMaxCorners;
    bool inside = true;
    int bad = 0;
    for (long long i = 0; i < n; ++i) {
      long long k;
      if ((w = s.integer(&k)) != WORD_OK) return report(s, w, "polygon list");
      if (!keep) continue;
      if (inside && (k < 0 || k >= static_cast<long long>(v.size()))) {
        inside = false;
        bad = int(k < INT32_MIN ? INT32_MIN : k > INT32_MAX ? INT32_MAX : k);
      }
      corners[i] = int(k);
    }
    long long c;
    if ((w = s.integer(&c)) != WORD_OK) return report(s, w, "polygon list");
    if (keep && !inside) VLMSG(G1_BAD_INDEX, s.path, bad, int(v.size()) - 1);
    if (keep && inside) make_polygon(g, v, corners, int(n), c);
    if (c < 0 && !skip_detail(s)) return;
  }
}

/* A new colour table of its own for the geometry. */
void own_table(VLgeometry *g) {
  VLmtable *old = g->mtable;
  VLmtable *t = VLmtable_new(VLAMBIENTDIFFUSE, kTableSize, nullptr);
  if (!t) return;
  VLmtable_attach(g, t);
  if (old && !old->users) VLmtable_delete(old);
}

}  // namespace

VLgeometry *VL3dg1_readbytes(const char *path, const char *data, size_t size, float scale) {
  if (!path) path = "";
  if (!data || size < 4 || memcmp(data, kMagic, 4) != 0) {
    char head[5] = {0, 0, 0, 0, 0};
    for (size_t i = 0; data && i < 4 && i < size; ++i)
      head[i] = data[i] > ' ' && data[i] < 127 ? data[i] : '?';
    VLMSG(NFF_MAGIC, path, head, kMagic);
    return nullptr;
  }
  Scanner s{path, data, size, 4};
  long long count;
  Word w = s.integer(&count);
  if (w != WORD_OK) {
    report(s, w, "vertex count");
    return nullptr;
  }
  if (count < 0 || size_t(count) > s.room() / 3) {
    VLMSG(G1_BAD_COUNT, path, count);
    return nullptr;
  }
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  own_table(g);
  std::vector<VLvertex *> vertices;
  vertices.reserve(size_t(count));
  for (long long i = 0; i < count; ++i) {
    float p[3];
    for (int k = 0; k < 3 && w == WORD_OK; ++k) w = s.real(&p[k]);
    if (w != WORD_OK) {
      report(s, w, "vertex list");
      VLgeometry_delete(g);
      return nullptr;
    }
    p[1] = 0.0f - p[1]; /* negated, without a negative zero */
    for (float &x : p) x *= scale;
    vertices.push_back(VLgeometry_newvertex(g, p));
  }
  read_polygons(s, g, vertices);
  if (g->npolys == 0) {
    VLMSG(NFF_NO_VALID);
    VLgeometry_delete(g);
    return nullptr;
  }
  return VLgeometry_close(g) ? g : nullptr;
}

VLgeometry *VL3dg1_read(FILE *stream, const char *path, float scale) {
  char *bytes = nullptr;
  size_t size = 0;
  if (!_VLfetch_warned(path, stream, &bytes, &size)) return nullptr;
  VLgeometry *g = VL3dg1_readbytes(path, bytes, size, scale);
  free(bytes);
  return g;
}
