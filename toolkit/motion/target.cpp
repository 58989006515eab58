/* The pose of a motion target and setting it, per target kind: a
 * viewpoint's and an object's position and orientation, a light's position
 * and direction (as the orientation whose z axis it is), an Xform's or
 * movable node's translation and orientation, and a node path's placement
 * in the world: the matrix its last Xform must take is the wanted placement
 * times the inverse of the transform above that Xform. */
#include "motion/motion_internal.h"
#include "vlx/light.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/viewpoint.h"

namespace {

void matrix_of(const VLp3 *pos, const VLq *q, VLm4 *out) {
  VLm3 r;
  VLq_tom3(q, &r);
  VLm4_identity(out);
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) out->m[4 * row + c] = r.m[3 * row + c];
  out->m[12] = pos->x;
  out->m[13] = pos->y;
  out->m[14] = pos->z;
}

bool pose_of_matrix(VLm4 m, VLp3 *pos, VLq *q) {
  VLposq pq;
  VLm4_toposq(&m, &pq);
  *pos = pq.pos;
  *q = pq.q;
  return true;
}

VLnode *nodepath_end(void *target, VLmotionlink *link) {
  if (link && link->endnode) return link->endnode;
  const VLnodepath *p = static_cast<const VLnodepath *>(target);
  return p->links && p->count > 0 && p->links[p->count - 1] ? p->links[p->count - 1]->child
                                                           : nullptr;
}

/* Transform above the moved node's own Xform: the path's accumulated
 * transform without that Xform. */
bool transform_above(const VLnodepath *p, VLnode *end, VLm4 *out) {
  if (end->type != VLNODE_XFORM) return VLnodepath_gettransform(p->links, p->count, out);
  VLxformnode *x = static_cast<VLxformnode *>(end);
  VLm4 saved = x->matrix;
  uint32_t kind = x->kind;
  VLm4_identity(&x->matrix);
  x->kind = 0;
  bool ok = VLnodepath_gettransform(p->links, p->count, out);
  x->matrix = saved;
  x->kind = kind;
  return ok;
}

bool nodepath_pose(void *target, VLmotionlink *link, VLp3 *pos, VLq *q) {
  const VLnodepath *p = static_cast<const VLnodepath *>(target);
  VLnode *end = nodepath_end(target, link);
  VLm4 above, own, world;
  if (!end || !transform_above(p, end, &above) || !VLxformnode_getmatrix(end, &own))
    return false;
  VLm4_mult(&own, &above, &world);
  return pose_of_matrix(world, pos, q);
}

void nodepath_set(void *target, VLmotionlink *link, const VLp3 *pos, const VLq *q) {
  const VLnodepath *p = static_cast<const VLnodepath *>(target);
  VLnode *end = nodepath_end(target, link);
  VLm4 above, inverse, wanted, own;
  if (!end || !transform_above(p, end, &above) || !VLm4_invert(&above, &inverse)) return;
  matrix_of(pos, q, &wanted);
  VLm4_mult(&wanted, &inverse, &own);
  VLxformnode_setmatrix(end, &own);
}

}  // namespace

bool _VLtarget_getpose(int kind, void *target, VLmotionlink *link, VLp3 *pos, VLq *q) {
  if (!target) return false;
  switch (kind) {
    case VLTARGET_VIEWPOINT: {
      VLviewpoint *vp = static_cast<VLviewpoint *>(target);
      *pos = vp->position;
      *q = vp->orientation;
      return true;
    }
    case VLTARGET_OBJECT: {
      VLobject *o = static_cast<VLobject *>(target);
      return VLobject_getposition(o, pos) && VLobject_getorientation(o, q);
    }
    case VLTARGET_LIGHT: {
      VLlight *l = static_cast<VLlight *>(target);
      *pos = VLp3{l->position[0], l->position[1], l->position[2]};
      VLp3 d = {l->direction[0], l->direction[1], l->direction[2]};
      VLq_fromdirection(&d, q);
      return true;
    }
    case VLTARGET_XFORM:
    case VLTARGET_MOVABLE: {
      VLnode *n = static_cast<VLnode *>(target);
      VLm4 m;
      if (!VLxformnode_getmatrix(n, &m) || !VLxformnode_getorientation(n, q)) return false;
      *pos = VLp3{m.m[12], m.m[13], m.m[14]};
      return true;
    }
    case VLTARGET_NODEPATH: return nodepath_pose(target, link, pos, q);
    default: return false;
  }
}

void _VLtarget_setpose(int kind, void *target, VLmotionlink *link, const VLp3 *pos,
                       const VLq *q, unsigned locks) {
  if (!target) return;
  VLp3 p = *pos;
  VLp3 now;
  VLq nowq;
  if ((locks & VLPATH_LOCKPOSITION) && _VLtarget_getpose(kind, target, link, &now, &nowq)) {
    if (locks & VLPATH_LOCKX) p.x = now.x;
    if (locks & VLPATH_LOCKY) p.y = now.y;
    if (locks & VLPATH_LOCKZ) p.z = now.z;
  }
  bool setpos = (locks & VLPATH_LOCKPOSITION) != VLPATH_LOCKPOSITION;
  bool setori = (locks & VLPATH_LOCKORIENTATION) == 0;
  float t[3] = {p.x, p.y, p.z};
  switch (kind) {
    case VLTARGET_VIEWPOINT: {
      VLviewpoint *vp = static_cast<VLviewpoint *>(target);
      if (setpos) VLviewpoint_setposition(vp, &p);
      if (setori) VLviewpoint_setorientation(vp, q);
      break;
    }
    case VLTARGET_OBJECT: {
      VLobject *o = static_cast<VLobject *>(target);
      if (setpos) VLobject_setposition(o, &p);
      if (setori) VLobject_setorientation(o, q);
      break;
    }
    case VLTARGET_LIGHT: {
      VLlight *l = static_cast<VLlight *>(target);
      VLp3 d;
      VLq_direction(q, &d);
      float dir[3] = {d.x, d.y, d.z};
      if (setpos) VLlight_setposition(l, t);
      if (setori) VLlight_setdirection(l, dir);
      break;
    }
    case VLTARGET_XFORM:
    case VLTARGET_MOVABLE: {
      VLnode *n = static_cast<VLnode *>(target);
      if (setori) VLxformnode_setorientation(n, q);
      if (setpos) VLxformnode_settranslation(n, t);
      break;
    }
    case VLTARGET_NODEPATH: {
      VLq keep;
      if (!setori && _VLtarget_getpose(kind, target, link, &now, &keep)) q = &keep;
      nodepath_set(target, link, &p, q);
      break;
    }
    default: break;
  }
}
