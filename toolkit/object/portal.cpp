/* Portals: a polygon through which the viewpoint passes into another
 * universe file. The crossing test keeps the viewpoint's signed distance
 * to the polygon's plane from the previous test; a sign change counts when
 * the viewpoint is within the polygon's radius of its centre. A polygon of
 * an object's geometry is taken where the object has moved it. A portal
 * holds a reference of its polygon's geometry so the polygon outlives
 * neither. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "object/loop.h"
#include "core/messages.h"
#include "object/object_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/object.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

namespace {

/* Mean of the corners and the largest distance from it. */
void poly_centre(const VLpoly *p, VLp3 *c, float *radius) {
  double s[3] = {0, 0, 0};
  int n = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next, ++n)
    for (int i = 0; i < 3; ++i) s[i] += r->vertex->position[i];
  if (n == 0) n = 1;
  *c = {float(s[0] / n), float(s[1] / n), float(s[2] / n)};
  float best = 0.0f;
  for (const VLvertexref *r = p->vertices; r; r = r->next) {
    VLp3 d = {r->vertex->position[0] - c->x, r->vertex->position[1] - c->y,
              r->vertex->position[2] - c->z};
    best = fmaxf(best, VLp3_length(&d));
  }
  *radius = best;
}

/* Whether the object is away from the pose its geometry was built in. */
bool has_moved(const VLobject *o) {
  VLq rel;
  VLq_relative(&o->built.q, &o->orientation, &rel);
  bool turned = fabsf(rel.x) >= VLEPSILON || fabsf(rel.y) >= VLEPSILON ||
                fabsf(rel.z) >= VLEPSILON;
  bool shifted = o->position.x != o->built.pos.x || o->position.y != o->built.pos.y ||
                 o->position.z != o->built.pos.z;
  return turned || shifted;
}

/* Centre and normal in the world frame: those of a moved object's polygon
 * go through the object's pose matrix. */
void world_plane(const VLpoly *p, VLp3 *c, VLp3 *n) {
  *n = {p->normal[0], p->normal[1], p->normal[2]};
  if (!(p->flags & VLPOLY_CREATED)) return;
  const VLobject *o = _VLobject_ofgeometry(p->geometry);
  if (!o || !has_moved(o)) return;
  VLm4 m;
  _VLobject_posematrix(o, &m);
  VLm4_transformpoint(c, &m, c);
  VLm4_rotatevector(n, &m, n);
  VLMSG(PORTAL_WORLD_POLY, c->x, c->y, c->z, n->x, n->y, n->z,
              VLp3_dot(n, c));
}

}  // namespace

VLportal *VLportal_new(VLpoly *poly, const char *target) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !poly || !poly->geometry || !target) return nullptr;
  VLportal *p = static_cast<VLportal *>(VLmalloc(sizeof(VLportal)));
  p->target = VLstrdup(target);
  p->active = 1;
  p->poly = poly;
  p->previous = 0.0f;
  p->next = nullptr;
  p->geometry = poly->geometry;
  p->geometry->refcount++;
  VLportal **at = &u->portals;
  while (*at) at = &(*at)->next;
  *at = p;
  return p;
}

void _VLportal_free(VLportal *p) {
  VLgeometry_delete(p->geometry);
  free(p->target);
  free(p);
}

void VLportal_delete(VLportal *portal) {
  if (!portal) return;
  if (VLuniverse *u = VLuniverse_current())
    for (VLportal **at = &u->portals; *at; at = &(*at)->next)
      if (*at == portal) {
        *at = portal->next;
        break;
      }
  _VLportal_free(portal);
}

bool VLportal_crossed(VLportal *portal) {
  VLuniverse *u = VLuniverse_current();
  VLviewpoint *vp = u ? u->viewpoint : nullptr;
  if (!portal || !vp) return false;
  VLp3 c, n;
  float radius;
  poly_centre(portal->poly, &c, &radius);
  world_plane(portal->poly, &c, &n);
  float d = VLp3_dot(&n, &c);
  float s = VLp3_dot(&n, &vp->position);
  float prev = portal->previous;
  portal->previous = s;
  if (prev == 0.0f) return false;
  if ((prev - d) * (s - d) >= 0.0f) return false;
  VLp3 e = {vp->position.x - c.x, vp->position.y - c.y, vp->position.z - c.z};
  return VLp3_length(&e) < radius;
}

const char *_VLportal_crossed(VLuniverse *u) {
  const char *target = nullptr;
  /* Every active portal is tested, so each keeps its side up to date; an
   * inactive one starts afresh when it is switched on again. */
  for (VLportal *p = u->portals; p; p = p->next) {
    if (!p->active) {
      p->previous = 0.0f;
      continue;
    }
    if (VLportal_crossed(p) && !target) target = p->target;
  }
  return target;
}
