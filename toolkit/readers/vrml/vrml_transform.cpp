/* VRML transforms (Transform, MatrixTransform, Rotation, Scale,
 * Translation) as Xform nodes. Matrices are for row vectors (p' = p M,
 * translation in the last row), so the VRML order "scale, then rotate,
 * then translate" is the product S R T from the left. */
#include <math.h>
#include <string.h>

#include "readers/vrml/vrml_internal.h"
#include "vlx/node.h"

namespace {

struct M4 {
  float m[16];
};

M4 identity(void) {
  M4 a;
  memset(a.m, 0, sizeof a.m);
  a.m[0] = a.m[5] = a.m[10] = a.m[15] = 1;
  return a;
}

M4 mult(const M4 &a, const M4 &b) {
  M4 o;
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 4; ++k) {
      float s = 0;
      for (int j = 0; j < 4; ++j) s += a.m[4 * r + j] * b.m[4 * j + k];
      o.m[4 * r + k] = s;
    }
  return o;
}

M4 translation(const float t[3], float sign) {
  M4 a = identity();
  for (int i = 0; i < 3; ++i) a.m[12 + i] = sign * t[i];
  return a;
}

M4 scale(const float s[3]) {
  M4 a = identity();
  for (int i = 0; i < 3; ++i) a.m[5 * i] = s[i];
  return a;
}

/* Rotation by angle r[3] about the axis r[0..2] (sign -1: the inverse). */
M4 rotation(const float r[4], float sign) {
  M4 a = identity();
  float len = sqrtf(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  if (!(len > 1e-12f)) return a;
  float x = r[0] / len, y = r[1] / len, z = r[2] / len;
  float c = cosf(sign * r[3]), s = sinf(sign * r[3]), t = 1 - c;
  /* The transpose of the column-vector rotation. */
  const float col[9] = {c + x * x * t,     x * y * t - z * s, x * z * t + y * s,
                        x * y * t + z * s, c + y * y * t,     y * z * t - x * s,
                        x * z * t - y * s, y * z * t + x * s, c + z * z * t};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a.m[4 * i + j] = col[3 * j + i];
  return a;
}

/* Transform: -C, -SR, S, SR, R, C, T applied in that order. */
M4 transform(const VLvrmlrecord &r) {
  const float *t = r.get(VLF_TRANSLATION).f, *rot = r.get(VLF_ROTATION).f;
  const float *s = r.get(VLF_SCALEFACTOR).f, *so = r.get(VLF_SCALEORIENTATION).f;
  const float *ce = r.get(VLF_CENTER).f;
  M4 m = translation(ce, -1);
  m = mult(m, rotation(so, -1));
  m = mult(m, scale(s));
  m = mult(m, rotation(so, 1));
  m = mult(m, rotation(rot, 1));
  m = mult(m, translation(ce, 1));
  return mult(m, translation(t, 1));
}

M4 matrix_of(const VLvrmlrecord &r) {
  switch (r.node) {
    case VLN_TRANSFORM: return transform(r);
    case VLN_ROTATION: return rotation(r.get(VLF_ROTATION).f, 1);
    case VLN_SCALE: return scale(r.get(VLF_SCALEFACTOR).f);
    case VLN_TRANSLATION: return translation(r.get(VLF_TRANSLATION).f, 1);
    default: {
      const VLvrmlvalue &v = r.get(VLF_MATRIX);
      M4 a = identity();
      if (v.present) memcpy(a.m, v.f, sizeof a.m);
      return a;
    }
  }
}

}  // namespace

VLnode *_VLvrml_buildtransform(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent,
                               VLvrmldef *def) {
  M4 m = matrix_of(r);
  VLnode *n = VLxformnode_new(parent);
  if (!n) return nullptr;
  VLm4 vm;
  memcpy(vm.m, m.m, sizeof vm.m);
  VLxformnode_setmatrix(n, &vm);
  _VLvrml_made(c, parent, n);
  _VLvrml_name(c, n, def);
  return n;
}
