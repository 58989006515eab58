/* Xform nodes: matrix, translation and orientation, with the matrix kind
 * word kept in step (bit 0: the 3x3 is not identity, bit 1: the translation
 * is not zero, where -0.0 counts as zero). Movable nodes resolve to their
 * Xform. Every change marks the ancestors changed. */
#include "scene/scene_internal.h"
#include "scene/xf.h"

namespace {

VLxformnode *xform_of(VLnode *node) {
  if (!node) return nullptr;
  VLnode *n = _VLnode_transformnode(node);
  return n->type == VLNODE_XFORM ? static_cast<VLxformnode *>(n) : nullptr;
}

bool translation_nonzero(const VLm4 &m) {
  return m.m[12] != 0.0f || m.m[13] != 0.0f || m.m[14] != 0.0f;
}

void set_translation_bit(VLxformnode *x) {
  if (translation_nonzero(x->matrix)) x->kind |= VLXFORM_TRANSLATES;
  else x->kind &= ~static_cast<uint32_t>(VLXFORM_TRANSLATES);
}

void changed(VLxformnode *x) { _VLnode_markancestors(x); }

}  // namespace

bool VLxformnode_setmatrix(VLnode *node, const VLm4 *m) {
  VLxformnode *x = xform_of(node);
  if (!x || !m) return false;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) x->matrix.m[4 * r + c] = m->m[4 * r + c];
  VLm4 upper = x->matrix;
  upper.m[12] = upper.m[13] = upper.m[14] = 0.0f;
  x->kind = _VLxf_classify(&upper) == VLTRANSFORM_NONE ? 0u : uint32_t(VLXFORM_ROTATES);
  set_translation_bit(x);
  changed(x);
  return true;
}

bool VLxformnode_getmatrix(VLnode *node, VLm4 *out) {
  VLxformnode *x = xform_of(node);
  if (!x || !out) return false;
  *out = x->matrix;
  return true;
}

bool VLxformnode_settranslation(VLnode *node, const float t[3]) {
  VLxformnode *x = xform_of(node);
  if (!x || !t) return false;
  for (int i = 0; i < 3; ++i) x->matrix.m[12 + i] = t[i];
  set_translation_bit(x);
  changed(x);
  return true;
}

bool VLxformnode_translate(VLnode *node, const float t[3], int frame) {
  VLxformnode *x = xform_of(node);
  if (!x || !t) return false;
  VLp3 v = {t[0], t[1], t[2]};
  if (frame == VLXFORM_FRAMELOCAL) VLm4_rotatevector(&v, &x->matrix, &v);
  else if (frame != VLXFORM_FRAMEPARENT) return false;
  x->matrix.m[12] += v.x;
  x->matrix.m[13] += v.y;
  x->matrix.m[14] += v.z;
  x->kind |= VLXFORM_TRANSLATES;
  changed(x);
  return true;
}

bool VLxformnode_setorientation(VLnode *node, const VLq *q) {
  VLxformnode *x = xform_of(node);
  if (!x || !q) return false;
  VLm3 r;
  VLq_tom3(q, &r);
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) x->matrix.m[4 * row + c] = r.m[3 * row + c];
  bool unit = r.m[0] == 1.0f && r.m[4] == 1.0f && r.m[8] == 1.0f;
  if (unit) x->kind &= ~static_cast<uint32_t>(VLXFORM_ROTATES);
  else x->kind |= VLXFORM_ROTATES;
  changed(x);
  return true;
}

bool VLxformnode_getorientation(VLnode *node, VLq *out) {
  VLxformnode *x = xform_of(node);
  if (!x || !out) return false;
  VLm3 r;
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) r.m[3 * row + c] = x->matrix.m[4 * row + c];
  VLm3_toq(&r, out);
  return true;
}
