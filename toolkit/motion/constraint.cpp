/* Link constraints, applied after each sensor move: a position range along
 * an axis clamps that coordinate; an angle range clamps the twist of the
 * orientation about an axis (the orientation split as swing x twist), the
 * angle wrapped into -pi..pi before it is compared. */
#include <math.h>

#include "motion/motion_internal.h"

namespace {

float component(const VLp3 &p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

void set_component(VLp3 *p, int axis, float v) {
  (axis == 0 ? p->x : axis == 1 ? p->y : p->z) = v;
}

float clampf(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

bool clamp_position(const VLconstraint &c, VLp3 *pos) {
  float v = component(*pos, c.axis);
  float w = clampf(v, c.min, c.max);
  if (w == v) return false;
  set_component(pos, c.axis, w);
  return true;
}

bool clamp_twist(const VLconstraint &c, VLq *q) {
  float v = c.axis == 0 ? q->x : c.axis == 1 ? q->y : q->z;
  double len = sqrt(double(v) * v + double(q->w) * q->w);
  if (len < 1e-6) return false;  /* a half turn of swing: no twist to speak of */
  double angle = 2.0 * atan2(double(v), double(q->w));
  if (angle > M_PI) angle -= 2.0 * M_PI;
  if (angle <= -M_PI) angle += 2.0 * M_PI;
  double clamped = angle < c.min ? c.min : angle > c.max ? c.max : angle;
  if (clamped == angle) return false;
  VLq twist = {0, 0, 0, float(q->w / len)};
  VLq wanted = {0, 0, 0, float(cos(clamped * 0.5))};
  float s = float(sin(clamped * 0.5));
  if (c.axis == 0) { twist.x = float(v / len); wanted.x = s; }
  if (c.axis == 1) { twist.y = float(v / len); wanted.y = s; }
  if (c.axis == 2) { twist.z = float(v / len); wanted.z = s; }
  VLq inverse = {-twist.x, -twist.y, -twist.z, twist.w};
  VLq swing;
  VLq_mult(q, &inverse, &swing);
  VLq_mult(&swing, &wanted, q);
  return true;
}

}  // namespace

bool _VLconstraints_clamp(const VLmotionlink *link, VLp3 *position, VLq *orientation) {
  bool changed = false;
  for (int i = 0; i < link->nconstraints; ++i) {
    const VLconstraint &c = link->constraints[i];
    if (c.kind == VLCONSTRAIN_POSITION) changed |= clamp_position(c, position);
    else changed |= clamp_twist(c, orientation);
  }
  return changed;
}
