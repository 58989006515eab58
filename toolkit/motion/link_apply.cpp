/* Sensor links, applied by the loop in event 2: pass 0 the links to
 * lights, pass 1 to viewpoints, pass 2 to objects and node targets.
 * With the sensor's rotation r and translation t of this frame, the
 * target's orientation q and the reference orientation p (the link's
 * reference viewpoint, else the current viewpoint): the new orientation is
 * r x q in frame 0, q x r in frame 3 and q x (p x r x conj p) otherwise;
 * the target then moves by t turned by its new orientation (frame 0), by t
 * (frame 3), or by t turned by p. Constraints clamp the result. Objects
 * move through their own relative move. Disabled links are skipped. */
#include "motion/loop.h"
#include "motion/motion_internal.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

namespace {

bool in_pass(int kind, int pass) {
  switch (pass) {
    case 0: return kind == VLTARGET_LIGHT;
    case 1: return kind == VLTARGET_VIEWPOINT;
    case 2: return kind == VLTARGET_OBJECT || kind >= VLTARGET_XFORM;
    default: return false;
  }
}

VLq reference_of(const VLmotionlink *l) {
  VLviewpoint *vp = l->reference ? l->reference : VLuniverse_getviewpoint();
  return vp ? vp->orientation : VLq{0, 0, 0, 1};
}

/* p x r x conj(p): the rotation r expressed in p's axes. */
VLq conjugated(const VLq &r, const VLq &p) {
  VLq pc = {-p.x, -p.y, -p.z, p.w}, a, out;
  VLq_mult(&p, &r, &a);
  VLq_mult(&a, &pc, &out);
  return out;
}

void move_pose(const VLmotionlink *l, const VLp3 &t, const VLq &r, VLp3 *pos, VLq *q) {
  VLq nq;
  VLp3 d = t;
  if (l->frame == VLLINKFRAME_OWN) {
    VLq_mult(&r, q, &nq);
    VLq_rotate(&t, &nq, &d);
  } else if (l->frame == VLLINKFRAME_PARENT) {
    VLq_mult(q, &r, &nq);
  } else {
    VLq p = reference_of(l), pr = conjugated(r, p);
    VLq_mult(q, &pr, &nq);
    VLq_rotate(&t, &p, &d);
  }
  *q = nq;
  pos->x += d.x;
  pos->y += d.y;
  pos->z += d.z;
}

/* Objects: their own move, in their own axes (frame 0), the world's
 * (frame 3) or the reference's (otherwise: the motion is turned first). */
void move_object(const VLmotionlink *l, VLobject *o, const VLp3 &t, const VLq &r) {
  if (o->frameflags & (VLOBJFRAME_RETIRED | VLOBJFRAME_DELETE)) return;
  VLp3 d = t;
  VLq rr = r;
  int frame = l->frame == VLLINKFRAME_OWN ? VLFRAME_OWN : VLFRAME_WORLD;
  if (l->frame != VLLINKFRAME_OWN && l->frame != VLLINKFRAME_PARENT) {
    VLq p = reference_of(l);
    VLq_rotate(&t, &p, &d);
    rr = conjugated(r, p);
  }
  float motion[7] = {d.x, d.y, d.z, rr.x, rr.y, rr.z, rr.w};
  VLobject_move(o, motion, frame);
  VLp3 pos;
  VLq q;
  if (l->nconstraints && VLobject_getposition(o, &pos) && VLobject_getorientation(o, &q) &&
      _VLconstraints_clamp(l, &pos, &q)) {
    VLobject_setposition(o, &pos);
    VLobject_setorientation(o, &q);
  }
}

void apply_sensor(VLmotionlink *l, const VLp3 &t, const VLq &r) {
  if (l->targetkind == VLTARGET_OBJECT) {
    move_object(l, static_cast<VLobject *>(l->target), t, r);
    return;
  }
  int kind = l->targetkind;
  void *target = l->target;
  if (kind == VLTARGET_NODEPATH) {
    /* The node path's last node moves in its own parent's frame. */
    kind = VLTARGET_XFORM;
    target = l->endnode;
  }
  VLp3 pos;
  VLq q;
  if (!_VLtarget_getpose(kind, target, l, &pos, &q)) return;
  move_pose(l, t, r, &pos, &q);
  if (l->nconstraints) _VLconstraints_clamp(l, &pos, &q);
  _VLtarget_setpose(kind, target, l, &pos, &q, 0);
}

}  // namespace

void _VLmotionlink_applysensor(VLmotionlink *link, const VLp3 *translation, const VLq *rotation) {
  if (link && translation && rotation) apply_sensor(link, *translation, *rotation);
}

void _VLmotionlinks_apply(VLuniverse *u, int pass) {
  if (!u) return;
  for (VLmotionlink *l = u->motionlinks; l; l = l->next) {
    if (l->sourcekind != VLSOURCE_SENSOR || !l->enabled || !in_pass(l->targetkind, pass))
      continue;
    VLp3 t = {0, 0, 0};
    VLq r = {0, 0, 0, 1};
    bool (*motion)(VLsensor *, VLp3 *, VLq *) = _VLmotion().sensormotion;
    if (!motion || !motion(static_cast<VLsensor *>(l->source), &t, &r)) continue;
    apply_sensor(l, t, r);
  }
}
