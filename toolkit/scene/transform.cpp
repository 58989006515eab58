/* Transform accumulation: classified concatenation, the net transforms of
 * Groups, Anchors and Switches (folded iteratively and memoised per walk),
 * the net transform of a sibling list (VLnode_gettransform) and of a node
 * path (VLnodepath_gettransform). A transform applies to the siblings after
 * it and leaks out of Groups and Anchors; a Switch passes on only what its
 * selected children do; everything else passes on nothing. */
#include <math.h>
#include <string.h>

#include "scene/scene_internal.h"
#include "scene/xf.h"

/* ---------- classified transforms ---------- */

VLxf _VLxf_identity(void) {
  VLxf x;
  VLm4_identity(&x.m);
  x.kind = VLTRANSFORM_NONE;
  return x;
}

int _VLxf_classify(const VLm4 *m) {
  const float *e = m->m;
  bool rotates = false;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (e[4 * r + c] != (r == c ? 1.0f : 0.0f)) rotates = true;
  if (rotates) return VLTRANSFORM_GENERAL;
  bool moves = e[12] != 0.0f || e[13] != 0.0f || e[14] != 0.0f;
  return moves ? VLTRANSFORM_TRANSLATION : VLTRANSFORM_NONE;
}

VLxf _VLxf_ofxform(const VLxformnode *x) {
  VLxf t;
  t.m = x->matrix;
  if (x->kind == 0) t.kind = VLTRANSFORM_NONE;
  else if (x->kind == VLXFORM_TRANSLATES) t.kind = VLTRANSFORM_TRANSLATION;
  else t.kind = VLTRANSFORM_GENERAL;
  return t;
}

void _VLxf_front(VLxf *acc, const VLxf *x) {
  if (x->kind == VLTRANSFORM_NONE) return;
  if (acc->kind == VLTRANSFORM_NONE) {
    *acc = *x;
  } else if (x->kind == VLTRANSFORM_TRANSLATION) {
    if (acc->kind == VLTRANSFORM_TRANSLATION) {
      for (int i = 12; i < 15; ++i) acc->m.m[i] += x->m.m[i];
    } else {
      VLm4_concattranslation(&x->m, &acc->m, &acc->m);
    }
  } else {
    VLm4_concat(&x->m, &acc->m, &acc->m);
    acc->kind = VLTRANSFORM_GENERAL;
  }
}

void _VLxf_box(const VLxf *acc, const float centre[3], const float half[3], float outc[3],
               float outh[3]) {
  const float *e = acc->m.m;
  if (acc->kind == VLTRANSFORM_NONE) {
    memcpy(outc, centre, 3 * sizeof(float));
    memcpy(outh, half, 3 * sizeof(float));
  } else if (acc->kind == VLTRANSFORM_TRANSLATION) {
    for (int i = 0; i < 3; ++i) outc[i] = centre[i] + e[12 + i];
    memcpy(outh, half, 3 * sizeof(float));
  } else {
    VLp3 c = {centre[0], centre[1], centre[2]}, p;
    VLm4_transformpoint(&c, &acc->m, &p);
    outc[0] = p.x, outc[1] = p.y, outc[2] = p.z;
    for (int j = 0; j < 3; ++j)
      outh[j] = fabsf(e[j]) * half[0] + fabsf(e[4 + j]) * half[1] + fabsf(e[8 + j]) * half[2];
  }
}

/* ---------- net transforms ---------- */

static bool passes_net(const VLnode *n) {
  return n->type == VLNODE_GROUP || n->type == VLNODE_ANCHOR || n->type == VLNODE_SWITCH;
}

const VLxf *VLnetcache::lookup(const VLnode *n) const {
  auto it = memo_.find(n);
  return it == memo_.end() ? nullptr : &it->second;
}

void VLnetcache::remember(const VLnode *n, const VLxf &net) {
  if (_VLnode_group(const_cast<VLnode *>(n))->firstchild) memo_[n] = net;
}

/* A frame over the children whose transforms n passes on. */
VLnetcache::Frame VLnetcache::start(VLnode *n) const {
  Frame f{n, nullptr, false, _VLxf_identity()};
  if (n->type != VLNODE_SWITCH) {
    f.cursor = _VLnode_group(n)->firstchild;
  } else {
    int which = static_cast<VLswitchnode *>(n)->which;
    if (which == VLSWITCH_ALL) {
      f.cursor = _VLnode_group(n)->firstchild;
    } else if (which >= 0) {
      f.cursor = _VLnode_childlink(n, which);
      f.single = true;
    }
  }
  return f;
}

/* Folds n's children iteratively; nested Groups, Anchors and Switches get
 * frames of their own and are memoised when done. */
VLxf VLnetcache::compute(VLnode *n) {
  size_t base = frames_.size();
  frames_.push_back(start(n));
  for (;;) {
    Frame &f = frames_.back();
    if (!f.cursor) {
      VLxf net = f.acc;
      const VLnode *done = f.node;
      frames_.pop_back();
      remember(done, net);
      if (frames_.size() == base) return net;
      _VLxf_front(&frames_.back().acc, &net);
      continue;
    }
    VLnode *c = f.cursor->child;
    f.cursor = f.single ? nullptr : f.cursor->nextsibling;
    if (c->type == VLNODE_XFORM) {
      VLxf x = _VLxf_ofxform(static_cast<VLxformnode *>(c));
      _VLxf_front(&f.acc, &x);
    } else if (passes_net(c) && _VLnode_group(c)->firstchild) {
      if (const VLxf *known = lookup(c)) _VLxf_front(&f.acc, known);
      else frames_.push_back(start(c));
    }
  }
}

void VLnetcache::contribute(VLxf *acc, VLnode *child) {
  if (child->type == VLNODE_XFORM) {
    VLxf x = _VLxf_ofxform(static_cast<VLxformnode *>(child));
    _VLxf_front(acc, &x);
    return;
  }
  if (!passes_net(child) || !_VLnode_group(child)->firstchild) return;
  const VLxf *known = lookup(child);
  VLxf net = known ? *known : compute(child);
  _VLxf_front(acc, &net);
}

/* ---------- public accumulation ---------- */

int VLnode_gettransform(VLnodelink *firstlink, VLm4 *out) {
  if (!out) return VLTRANSFORM_NONE;
  VLxf acc = _VLxf_identity();
  VLnetcache cache;
  for (VLnodelink *l = firstlink; l && l->type == VLNODE_LINK; l = l->nextsibling)
    cache.contribute(&acc, l->child);
  *out = acc.m;
  return acc.kind;
}

bool VLnodepath_gettransform(VLnodelink *const *links, int count, VLm4 *out) {
  if (!links || count <= 0 || !out) return false;
  VLxf acc = _VLxf_identity();
  VLnetcache cache;
  for (int i = 0; i < count; ++i) {
    VLnodelink *target = links[i];
    if (!target || target->type != VLNODE_LINK || !_VLnode_haschildren(target->parent))
      return false;
    VLnodelink *l = _VLnode_group(target->parent)->firstchild;
    for (; l && l != target; l = l->nextsibling) cache.contribute(&acc, l->child);
    if (!l) return false;
  }
  VLnode *last = links[count - 1]->child;
  if (last->type == VLNODE_XFORM) {
    VLxf x = _VLxf_ofxform(static_cast<VLxformnode *>(last));
    _VLxf_front(&acc, &x);
  } else if (last->type == VLNODE_OBJECT) {
    _VLnode_updatebounds(last);
    VLxf x{static_cast<VLobjectnode *>(last)->matrix, VLTRANSFORM_GENERAL};
    x.kind = _VLxf_classify(&x.m);
    _VLxf_front(&acc, &x);
  }
  *out = acc.m;
  return true;
}
