/* Objects in the simulation loop: noting the viewpoint, the per-frame
 * comparison of poses (a changed object is flagged and clears the
 * scene-unchanged flag), the flag handling with deferred deletion, the
 * end-of-frame bookkeeping, and what VLuniverse_ready takes from the object
 * nodes. Deleting an object may delete others (its node's subtree), so the
 * deletion passes rescan the list after each deletion. */
#include <math.h>

#include "object/loop.h"
#include "object/object_internal.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

namespace {

const uint8_t kNotCompared = VLOBJFRAME_RETIRE | VLOBJFRAME_RETIRED | VLOBJFRAME_DELETE;
/* Marks the objects the flag handling deletes, within one pass. */
const uint8_t kDoomed = 128;

bool same_pose(const VLobject *o) {
  const VLposq &p = o->previous;
  return p.pos.x == o->position.x && p.pos.y == o->position.y && p.pos.z == o->position.z &&
         p.q.x == o->orientation.x && p.q.y == o->orientation.y &&
         p.q.z == o->orientation.z && p.q.w == o->orientation.w;
}

/* The first object with a bit of mask set in its frame flags and none of
 * skip, or null. */
VLobject *first_with(VLuniverse *u, uint8_t mask, uint8_t skip) {
  for (VLobject *o = u->objects; o; o = o->next)
    if ((o->frameflags & mask) && !(o->frameflags & skip)) return o;
  return nullptr;
}

/* The pose the node's matrix gives: R(Q) = R(built q).M, P = built p.M + t. */
void pose_of_matrix(const VLobject *o, const VLm4 &m, VLp3 *p, VLq *q) {
  VLm3 r3, b3, out;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) r3.m[3 * row + col] = m.m[4 * row + col];
  VLq_tom3(&o->built.q, &b3);
  VLm3_mult(&b3, &r3, &out);
  VLm3_toq(&out, q);
  VLm4_transformpoint(&o->built.pos, &m, p);
}

bool matrices_agree(const VLm4 &a, const VLm4 &b) {
  for (int i = 0; i < 16; ++i)
    if (fabsf(a.m[i] - b.m[i]) > 1e-5f * (1.0f + fabsf(b.m[i]))) return false;
  return true;
}

/* Takes a matrix set on the node from outside into the pose; true when
 * the object changed. */
bool take_node(VLobject *o) {
  if (!o->node || o->node->type != VLNODE_OBJECT) return false;
  const VLm4 &m = static_cast<VLobjectnode *>(o->node)->matrix;
  VLm4 expected;
  _VLobject_posematrix(o, &expected);
  if (matrices_agree(m, expected)) return false;
  VLp3 p;
  VLq q;
  pose_of_matrix(o, m, &p, &q);
  VLmotion motion;
  _VLobject_motionto(o, &p, &q, &motion);
  _VLobject_apply(o, &motion);
  return true;
}

}  // namespace

void _VLobjects_noteviewpoint(VLuniverse *u) {
  VLviewpoint *vp = u->viewpoint;
  if (!vp) return;
  _VLobjects().vpposition = vp->position;
  _VLobjects().vporientation = vp->orientation;
}

void _VLobjects_compare(VLuniverse *u) {
  for (VLobject *o = u->objects; o; o = o->next) {
    if (o->frameflags & kNotCompared) continue;
    if (!same_pose(o)) {
      o->frameflags |= VLOBJFRAME_CHANGED;
      _VLobject_updatenode(o);
      o->previous.pos = o->position;
      o->previous.q = o->orientation;
    }
    if (o->frameflags & VLOBJFRAME_CHANGED) u->unchanged = 0;
  }
}

void _VLobjects_flags(VLuniverse *u) {
  for (VLobject *o = u->objects; o; o = o->next) {
    if (!o->frameflags || (o->frameflags & VLOBJFRAME_RETIRED)) continue;
    if (o->frameflags & VLOBJFRAME_RETIRE) {
      o->counter = 0;
      o->frameflags |= VLOBJFRAME_RETIRED;
    }
    if (o->frameflags & VLOBJFRAME_DELETE) o->frameflags |= kDoomed;
  }
  while (VLobject *o = first_with(u, kDoomed, 0)) VLobject_delete(o);
}

void _VLobjects_takenodes(VLuniverse *u) {
  for (VLobject *o = u->objects; o; o = o->next)
    if (!(o->frameflags & VLOBJFRAME_DELETE) && take_node(o)) o->frameflags |= VLOBJFRAME_CHANGED;
}

void _VLobjects_deleteflagged(VLuniverse *u) {
  while (VLobject *o = first_with(u, VLOBJFRAME_DELETE, 0)) VLobject_delete(o);
}

void _VLobjects_endframe(VLuniverse *u) {
  for (VLobject *o = u->objects; o; o = o->next) {
    if (o->frameflags & VLOBJFRAME_RETIRE) continue;
    o->moved = o->frameflags & VLOBJFRAME_CHANGED;
    o->frameflags = 0;
  }
}
