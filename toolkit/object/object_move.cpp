/* Object motion: relative moves in the object's own frame, the world frame
 * or the current viewpoint's frame, absolute position and orientation, and
 * the object node's matrix kept in step with the pose. A motion rotates
 * about the pivot and then translates; the pose, the pivot and the eight
 * corners move together. The geometry keeps the frame it was built in: the
 * node's matrix (build pose -> current pose) places it. */
#include <math.h>

#include "core/messages.h"
#include "object/object_internal.h"
#include "vlx/diag.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

void _VLobject_posematrix(const VLobject *o, VLm4 *out) {
  VLq rel;
  VLq_relative(&o->built.q, &o->orientation, &rel);
  VLm3 r;
  VLq_tom3(&rel, &r);
  VLm4_identity(out);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) out->m[4 * row + col] = r.m[3 * row + col];
  /* translation: position - built position . R */
  VLp3 b;
  VLq_rotate(&o->built.pos, &rel, &b);
  out->m[12] = o->position.x - b.x;
  out->m[13] = o->position.y - b.y;
  out->m[14] = o->position.z - b.z;
}

void _VLobject_updatenode(VLobject *o) {
  VLnode *n = o->node;
  if (!n || n->type != VLNODE_OBJECT) return;
  _VLobject_posematrix(o, &static_cast<VLobjectnode *>(n)->matrix);
  VLnode_markchanged(n);
}

void _VLmotion_point(const VLmotion *m, const VLp3 *pivot, VLp3 *p) {
  if (m->rotates) {
    VLp3 d = {p->x - pivot->x, p->y - pivot->y, p->z - pivot->z};
    VLq_rotate(&d, &m->r, &d);
    p->x = d.x + pivot->x;
    p->y = d.y + pivot->y;
    p->z = d.z + pivot->z;
  }
  if (m->translates) {
    p->x += m->t.x;
    p->y += m->t.y;
    p->z += m->t.z;
  }
}

void _VLobject_apply(VLobject *o, const VLmotion *m) {
  for (VLp3 &c : o->corners) _VLmotion_point(m, &o->pivot, &c);
  /* Row vectors: turning by the orientation and then by r is Q (x) r. */
  if (m->rotates) VLq_mult(&o->orientation, &m->r, &o->orientation);
  _VLmotion_point(m, &o->pivot, &o->position);
  if (m->translates) {
    o->pivot.x += m->t.x;
    o->pivot.y += m->t.y;
    o->pivot.z += m->t.z;
  }
  if (o->lastpose) {
    o->lastpose->pos = o->position;
    o->lastpose->q = o->orientation;
  }
  _VLobject_updatenode(o);
}

void _VLobject_motionto(const VLobject *o, const VLp3 *position, const VLq *q, VLmotion *out) {
  VLq_relative(&o->orientation, q, &out->r);
  out->rotates = out->r.x != 0.0f || out->r.y != 0.0f || out->r.z != 0.0f;
  VLp3 p = o->position;
  VLmotion turn = {{0, 0, 0}, out->r, false, out->rotates};
  _VLmotion_point(&turn, &o->pivot, &p);
  out->t = {position->x - p.x, position->y - p.y, position->z - p.z};
  out->translates = out->t.x != 0.0f || out->t.y != 0.0f || out->t.z != 0.0f;
}

namespace {

/* Translation and rotation of a motion given in a frame of orientation f,
 * expressed in world terms: t.R(f) and conj(f) (x) r (x) f. */
void to_world(VLmotion *m, const VLq *f) {
  VLq_rotate(&m->t, f, &m->t);
  VLq conj = {-f->x, -f->y, -f->z, f->w};
  VLq_mult(&conj, &m->r, &m->r);
  VLq_mult(&m->r, f, &m->r);
}

/* Reads a motion; false when it moves nothing. A rotation whose x, y, z
 * are all zero is none; one too short to normalise is dropped. */
bool read_motion(const float motion[7], VLmotion *m) {
  m->t = {motion[0], motion[1], motion[2]};
  m->r = {motion[3], motion[4], motion[5], motion[6]};
  m->translates = m->t.x != 0.0f || m->t.y != 0.0f || m->t.z != 0.0f;
  m->rotates = m->r.x != 0.0f || m->r.y != 0.0f || m->r.z != 0.0f;
  if (!m->rotates && fabsf(m->r.w) < VLEPSILON) return false;
  if (m->rotates && !VLq_normalise(&m->r)) m->rotates = false;
  if (!m->rotates) VLq_identity(&m->r);
  return m->translates || m->rotates;
}

bool fixed(const VLobject *o) { return (o->flags & VLOBJECT_FIXED) != 0; }

}  // namespace

void VLobject_move(VLobject *object, const float motion[7], int frame) {
  if (!object || !motion || fixed(object)) return;
  if (frame < VLFRAME_OWN || frame > VLFRAME_VIEWPOINT) return;
  VLmotion m;
  if (!read_motion(motion, &m)) return;
  if (frame == VLFRAME_OWN) {
    to_world(&m, &object->orientation);
  } else if (frame == VLFRAME_VIEWPOINT) {
    VLuniverse *u = VLuniverse_current();
    VLviewpoint *vp = u ? VLuniverse_getviewpoint() : nullptr;
    if (!vp) return;
    to_world(&m, &vp->orientation);
  }
  _VLobject_apply(object, &m);
}

void VLobject_setposition(VLobject *object, const VLp3 *position) {
  if (!object || !position || fixed(object)) return;
  VLmotion m = {{position->x - object->position.x, position->y - object->position.y,
                 position->z - object->position.z},
                {0, 0, 0, 1}, false, false};
  m.translates = m.t.x != 0.0f || m.t.y != 0.0f || m.t.z != 0.0f;
  if (m.translates) _VLobject_apply(object, &m);
}

void VLobject_setorientation(VLobject *object, const VLq *q) {
  if (!object || !q) return;
  if (fabsf(q->x) < VLEPSILON && fabsf(q->y) < VLEPSILON && fabsf(q->z) < VLEPSILON &&
      fabsf(q->w) < VLEPSILON) {
    VLMSG(BAD_OBJECT_QUATERNION);
    return;
  }
  if (fixed(object)) return;
  VLmotion m = {{0, 0, 0}, {0, 0, 0, 1}, false, false};
  VLq_relative(&object->orientation, q, &m.r);
  m.rotates = m.r.x != 0.0f || m.r.y != 0.0f || m.r.z != 0.0f;
  if (m.rotates) _VLobject_apply(object, &m);
}
