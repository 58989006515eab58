/* VRML property nodes that change the top property level: coordinates,
 * normals and texture coordinates (their lists stay in the value pool
 * until the level ends), material and normal bindings, shape hints, the
 * texture matrix, and Info strings (glom names, "Moveable",
 * "Attachment"). */
#include <math.h>
#include <string.h>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"

namespace {

/* Keeps a list of the record in the level; the pool top moves past it. */
void keep(VLvrmlstate &c, VLvrmlrecord &r, VLvrmlrange &range, int field) {
  const VLvrmlvalue &v = r.get(field);
  range.offset = v.offset;
  range.count = v.count;
  range.set = true;
  _VLvrml_top(c).pooltop = r.next;
}

/* The texture matrix for (u, v, 1) row vectors: scale about the centre,
 * rotate about it, then translate. */
void texture_matrix(const VLvrmlrecord &r, float m[9]) {
  const float *t = r.get(VLF_TRANSLATION).f, *s = r.get(VLF_SCALEFACTOR).f;
  const float *ce = r.get(VLF_CENTER).f;
  float a = r.get(VLF_ROTATION).f[0], co = cosf(a), si = sinf(a);
  /* p' = ((p - c) S R) + c + t */
  float m11 = s[0] * co, m12 = s[0] * si, m21 = -s[1] * si, m22 = s[1] * co;
  m[0] = m11, m[1] = m12, m[2] = 0;
  m[3] = m21, m[4] = m22, m[5] = 0;
  m[6] = -(ce[0] * m11 + ce[1] * m21) + ce[0] + t[0];
  m[7] = -(ce[0] * m12 + ce[1] * m22) + ce[1] + t[1];
  m[8] = 1;
}

void info(VLvrmllevel &level, const std::string &s) {
  size_t at = s.find(" glom ");
  if (at != std::string::npos) {
    level.infomode |= 1;
    const std::string key = " glom name ";
    size_t n = s.find(key);
    if (n != std::string::npos) {
      size_t b = n + key.size(), e = b;
      while (e < s.size() && s[e] != ' ' && s[e] != '\t') ++e;
      if (e > b) level.glom = s.substr(b, e - b);
    }
  }
  if (s == "Moveable") level.infomode |= 2;
  if (s == "Attachment") level.infomode |= 4;
}

}  // namespace

VLnode *_VLvrml_buildproperty(VLvrmlstate &c, VLvrmlrecord &r, VLnode *, VLvrmldef *) {
  VLvrmllevel &level = _VLvrml_top(c);
  switch (r.node) {
    case VLN_COORDINATE3:
      if (r.get(VLF_POINT).present) keep(c, r, level.coords, VLF_POINT);
      break;
    case VLN_NORMAL:
      if (r.get(VLF_VECTOR).present) {
        keep(c, r, level.normals, VLF_VECTOR);
      } else {
        /* The single vector 0 0 1. */
        if (!c.pool.resize(size_t(r.next) + 3)) VLMSG(VRML_POOL_MEMORY);
        float z[3] = {0, 0, 1};
        memcpy(&c.pool[r.next], z, sizeof z);
        level.normals.offset = r.next, level.normals.count = 1, level.normals.set = true;
        level.pooltop = r.next + 3;
      }
      break;
    case VLN_TEXTURECOORDINATE2: keep(c, r, level.texcoords, VLF_POINT); break;
    case VLN_MATERIALBINDING: level.matbinding = r.get(VLF_VALUE).i; break;
    case VLN_NORMALBINDING: level.normbinding = r.get(VLF_VALUE).i; break;
    case VLN_SHAPEHINTS:
      level.ordering = r.get(VLF_VERTEXORDERING).i;
      level.shapetype = r.get(VLF_SHAPETYPE).i;
      level.facetype = r.get(VLF_FACETYPE).i;
      level.crease = r.get(VLF_CREASEANGLE).f[0];
      break;
    case VLN_TEXTURE2TRANSFORM: texture_matrix(r, level.texmatrix); break;
    default: break;
  }
  return nullptr;
}

VLnode *_VLvrml_buildinfo(VLvrmlstate &c, VLvrmlrecord &r, VLnode *, VLvrmldef *) {
  if (c.levels.size() > 1) info(_VLvrml_top(c), r.get(VLF_STRING).s);
  return nullptr;
}
