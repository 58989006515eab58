/* The VRML value pool and field parsers. Every multiple-valued field is
 * stored in one growable pool of 32-bit words (floats and integers) at the
 * offset its node gives; single values go into the node's record. A "~"
 * instead of a multiple value (or after the float and 3-vector lists)
 * marks the field ignored: count 0. The pool is limited to
 * VLVRML_MAXWORDS words, so that a hostile file cannot take all memory. */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/image.h"

namespace {

/* Most words of the pool: 256 MiB. */
const uint32_t kMaxWords = 1u << 26;
const uint32_t kFirstWords = 16384, kMinGrowth = 4096;

void reserve(VLvrmlstate &c, uint32_t at, uint32_t n) {
  uint64_t need = uint64_t(at) + n;
  if (need <= c.pool.size()) return;
  if (need > kMaxWords) {
    VLMSG(VRML_TOO_MANY_VALUES, kMaxWords, c.lex.tokline);
    throw VLvrmlabort();
  }
  size_t grow = c.pool.size() < kFirstWords ? kFirstWords : c.pool.size();
  if (grow < kMinGrowth) grow = kMinGrowth;
  size_t size = c.pool.size() + grow;
  if (size < need) size = size_t(need);
  if (size > kMaxWords) size = kMaxWords;
  if (!c.pool.resize(size)) VLMSG(VRML_POOL_MEMORY);
}

void putf(VLvrmlstate &c, uint32_t at, float f) { memcpy(&c.pool[at], &f, 4); }
void puti(VLvrmlstate &c, uint32_t at, int32_t i) { memcpy(&c.pool[at], &i, 4); }

int32_t clamp32(int64_t v) {
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
}

/* One number (integer or float) token, else a syntax error. */
float number(VLvrmlstate &c) {
  int t = _VLvrml_lex(c);
  if (t != VLT_INT && t != VLT_FLOAT) _VLvrml_syntax(c);
  return float(c.lex.fval);
}

int64_t integer(VLvrmlstate &c) {
  if (_VLvrml_lex(c) != VLT_INT) _VLvrml_syntax(c);
  return c.lex.ival;
}

void numbers(VLvrmlstate &c, float *out, int n) {
  for (int i = 0; i < n; ++i) out[i] = number(c);
}

int enum_value(VLvrmlstate &c, const VLvrmlenumset *set) {
  if (_VLvrml_lex(c) == VLT_ENUM && set)
    for (int i = 0; i < set->count; ++i)
      if (set->values[i].keyword == c.lex.keyword) return set->values[i].value;
  _VLvrml_syntax(c);
}

int bitmask(VLvrmlstate &c, const VLvrmlenumset *set) {
  int t = _VLvrml_lex(c);
  if (t != VLT_LPAREN) {
    _VLvrml_unlex(c, t);
    return enum_value(c, set);
  }
  int v = 0;
  for (;;) {
    v |= enum_value(c, set);
    t = _VLvrml_lex(c);
    if (t == VLT_RPAREN) return v;
    if (t != VLT_BAR) _VLvrml_syntax(c);
  }
}

bool is_text(int t) { return t == VLT_STRING || (t >= VLT_NAME && t <= VLT_ENUM); }

/* One element of a list at pool offset at (width words). */
void element(VLvrmlstate &c, VLvrmlparser p, uint32_t at) {
  switch (p) {
    case VLP_MFLONG: puti(c, at, clamp32(integer(c))); return;
    case VLP_MFSTRING:
      if (!is_text(_VLvrml_lex(c))) _VLvrml_syntax(c);
      puti(c, at, 0);
      return;
    default: {
      int w = p == VLP_MFFLOAT ? 1 : p == VLP_MFVEC2F ? 2 : 3;
      for (int i = 0; i < w; ++i) putf(c, at + uint32_t(i), number(c));
    }
  }
}

int width_of(VLvrmlparser p) {
  return p == VLP_MFVEC2F ? 2 : p == VLP_MFVEC3F ? 3 : 1;
}

/* A list: one value, "[" values "]" or "~"; the count. */
int32_t list(VLvrmlstate &c, VLvrmlparser p, uint32_t at) {
  const uint32_t w = uint32_t(width_of(p));
  int t = _VLvrml_lex(c);
  if (t == VLT_TILDE) return 0;
  int32_t n = 0;
  if (t != VLT_LBRACKET) {
    _VLvrml_unlex(c, t);
    reserve(c, at, w);
    element(c, p, at);
    n = 1;
  } else {
    for (;;) {
      t = _VLvrml_lex(c);
      if (t == VLT_RBRACKET) break;
      _VLvrml_unlex(c, t);
      reserve(c, at + uint32_t(n) * w, w);
      element(c, p, at + uint32_t(n) * w);
      ++n;
      t = _VLvrml_lex(c);
      if (t == VLT_RBRACKET) break;
      if (t != VLT_COMMA) _VLvrml_syntax(c);
    }
  }
  if (p == VLP_MFFLOAT || p == VLP_MFVEC3F) {
    t = _VLvrml_lex(c);
    if (t == VLT_TILDE) return 0;
    _VLvrml_unlex(c, t);
  }
  return n;
}

void pixel(VLvrmlimage &im, size_t i, uint32_t p, int nc) {
  uint8_t *o = &im.pixels[i * 4];
  switch (nc) {
    case 1: o[0] = o[1] = o[2] = uint8_t(p), o[3] = 255; break;
    case 2: o[0] = o[1] = o[2] = uint8_t(p >> 8), o[3] = uint8_t(p); break;
    case 3: o[0] = uint8_t(p >> 16), o[1] = uint8_t(p >> 8), o[2] = uint8_t(p), o[3] = 255; break;
    case 4:
      o[0] = uint8_t(p >> 24), o[1] = uint8_t(p >> 16), o[2] = uint8_t(p >> 8), o[3] = uint8_t(p);
      break;
    default: o[0] = o[1] = o[2] = 0, o[3] = 255;
  }
  if ((nc == 2 || nc == 4) && o[3] < 255) im.alpha = true;
}

/* SFImage: width, height, components, then width x height pixels. */
void image(VLvrmlstate &c, VLvrmlimage **out) {
  int64_t w = integer(c), h = integer(c), nc = integer(c);
  if (w < 0 || h < 0 || nc < 0 || nc > 4) _VLvrml_syntax(c);
  if (w > VLIMAGE_MAXSIDE || h > VLIMAGE_MAXSIDE) {
    VLMSG(VRML_IMAGE_TOO_LARGE, int(w), int(h), c.lex.tokline, int(VLIMAGE_MAXSIDE),
          int(VLIMAGE_MAXSIDE));
    throw VLvrmlabort();
  }
  if (!*out) *out = new VLvrmlimage;
  VLvrmlimage &im = **out;
  im.width = int(w), im.height = int(h), im.alpha = false;
  size_t n = size_t(w) * size_t(h);
  im.pixels.assign(n ? n * 4 : 4, 0);
  for (size_t i = 0; i < n; ++i) pixel(im, i, uint32_t(integer(c)), int(nc));
}

void string_value(VLvrmlstate &c, VLvrmlvalue &v) {
  if (!is_text(_VLvrml_lex(c))) _VLvrml_syntax(c);
  v.s = c.lex.text;
}

int fixed_count(VLvrmlparser p) {
  switch (p) {
    case VLP_SFVEC2F: return 2;
    case VLP_SFVEC3F: case VLP_SFCOLOR: return 3;
    case VLP_SFROTATION: return 4;
    case VLP_SFMATRIX: return 16;
    default: return 1;
  }
}

}  // namespace

bool VLvrmlpool::resize(size_t n) {
  if (n <= count) return true;
  void *p = realloc(words, n * sizeof(uint32_t));
  if (!p) return false;
  words = static_cast<uint32_t *>(p);
  count = n;
  return true;
}

float _VLvrml_poolf(const VLvrmlstate &c, uint32_t at) {
  float f;
  memcpy(&f, &c.pool[at], 4);
  return f;
}

int32_t _VLvrml_pooli(const VLvrmlstate &c, uint32_t at) {
  int32_t i;
  memcpy(&i, &c.pool[at], 4);
  return i;
}

uint32_t _VLvrml_parsevalue(VLvrmlstate &c, const VLvrmlfielddef &fd, VLvrmlvalue &v,
                            uint32_t at, VLvrmlimage **img) {
  v.present = true;
  switch (fd.parser) {
    case VLP_SFFLOAT: v.f[0] = number(c); return 0;
    case VLP_SFLONG: v.i = clamp32(integer(c)); return 0;
    case VLP_SFBOOL: {
      int t = _VLvrml_lex(c);
      if (t == VLT_INT && (c.lex.ival == 0 || c.lex.ival == 1)) v.i = int(c.lex.ival);
      else if (t == VLT_ENUM && (c.lex.keyword == VLE_TRUE || c.lex.keyword == VLE_FALSE))
        v.i = c.lex.keyword == VLE_TRUE;
      else _VLvrml_syntax(c);
      return 0;
    }
    case VLP_SFSTRING: string_value(c, v); return 0;
    case VLP_SFIMAGE: image(c, img); return 0;
    case VLP_ENUM: case VLP_BINDING: v.i = enum_value(c, fd.set); return 0;
    case VLP_BITMASK: v.i = bitmask(c, fd.set); return 0;
    case VLP_MFFLOAT: case VLP_MFLONG: case VLP_MFVEC2F: case VLP_MFVEC3F: case VLP_MFSTRING:
      v.offset = at;
      v.count = list(c, fd.parser, at);
      return uint32_t(v.count) * uint32_t(width_of(fd.parser));
    default: numbers(c, v.f, fixed_count(fd.parser)); return 0;
  }
}
