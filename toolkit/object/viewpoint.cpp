/* Viewpoints: creation, the universe's viewpoint list, orientation,
 * direction, view angle, near and far distances, and what the renderer
 * reads of them (its own projection values, the pose of each eye). */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "object/loop.h"
#include "object/view.h"
#include "core/messages.h"
#include "vlx/diag.h"
#include "vlx/motion.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"
#include "vlx/window.h"

namespace {

/* The half-angle limit, the float with the bits 0x3FC88CCA. */
const float kMaxHalfAngle = 1.5667965f;

void recompute_focal(VLviewpoint *vp) {
  const VLdisplay *d = VLrenderer_display(0);
  if (!d || d->width <= 0) return;
  float half = d->width * 0.5f;
  vp->focal = half / vp->tangent;
  vp->focalaspect = vp->focal * vp->aspect;
  vp->vertical = vp->focalaspect != 0.0f ? d->height * 0.5f / vp->focalaspect : 0.0f;
}

void invalidate_projection(void) {
  if (VLuniverse *u = VLuniverse_current()) u->unchanged = 0;
}

}  // namespace

VLviewpoint *VLviewpoint_new(void) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return nullptr;
  VLviewpoint *vp = static_cast<VLviewpoint *>(VLmalloc(sizeof(VLviewpoint)));
  memset(vp, 0, sizeof *vp);
  VLq_identity(&vp->orientation);
  VLq_tom3(&vp->orientation, &vp->rotation);
  VLq_identity(&vp->eyerotation);
  vp->offsetmode = 65535;
  vp->projection = 1;
  vp->aspect = 1.0f;
  vp->hither = u->settings->hither < VLEPSILON ? VLEPSILON : u->settings->hither;
  vp->yon = u->settings->yon;
  vp->tangent = tanf(u->settings->halffov);
  vp->convergence = 1.0f;
  VLviewpoint **at = &u->viewpoints;
  while (*at) at = &(*at)->next;
  *at = vp;
  return vp;
}

void VLviewpoint_delete(VLviewpoint *vp) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !vp) return;
  for (VLviewpoint **at = &u->viewpoints; *at; at = &(*at)->next)
    if (*at == vp) {
      *at = vp->next;
      for (VLwindow *w = u->windows; w; w = w->next) {
        if (w->viewpoint == vp) w->viewpoint = nullptr;
        if (w->viewpoint2 == vp) w->viewpoint2 = nullptr;
      }
      if (u->viewpoint == vp) u->viewpoint = u->viewpoints;
      VLmotionlink_deletetarget(vp);
      free(vp);
      return;
    }
}

void VLviewpoint_setposition(VLviewpoint *vp, const VLp3 *position) {
  if (!vp || !position) return;
  vp->position = *position;
  invalidate_projection();
}

void VLviewpoint_setorientation(VLviewpoint *vp, const VLq *q) {
  if (!vp || !q) return;
  if (fabsf(q->x) < VLEPSILON && fabsf(q->y) < VLEPSILON && fabsf(q->z) < VLEPSILON &&
      fabsf(q->w) < VLEPSILON) {
    VLMSG(BAD_VIEWPOINT_QUATERNION);
    return;
  }
  if (memcmp(q, &vp->orientation, sizeof *q) == 0) return;
  vp->orientation = *q;
  VLq_tom3(q, &vp->rotation);
  invalidate_projection();
}

/* The rotation that takes the current viewing direction to the new one,
 * composed with the current orientation: the roll about the viewing axis
 * is kept. */
void VLviewpoint_setdirection(VLviewpoint *vp, const VLp3 *direction) {
  if (!direction) return;
  VLp3 d = *direction;
  float len = VLp3_length(&d);
  if (len < VLEPSILON) return;
  if (fabsf(len - 1.0f) >= VLEPSILON) VLp3_normalise(&d);
  VLq current, from, to, rel, result;
  VLp3 olddir = {0, 0, 0};
  if (vp) {
    current = vp->orientation;
    VLq_direction(&current, &olddir);
  } else {
    VLq_identity(&current);
  }
  VLq_fromdirection(&olddir, &from);
  VLq_fromdirection(&d, &to);
  VLq_relative(&from, &to, &rel);
  VLq_mult(&current, &rel, &result);
  if (vp) VLviewpoint_setorientation(vp, &result);
}

void VLviewpoint_setangle(VLviewpoint *vp, float halfangle) {
  if (!vp || !(halfangle >= VLEPSILON && halfangle < kMaxHalfAngle)) return;
  vp->tangent = tanf(halfangle);
  recompute_focal(vp);
  vp->anglechanged = 1;
  invalidate_projection();
}

void VLviewpoint_sethither(VLviewpoint *vp, float hither) {
  if (!vp) return;
  vp->hither = hither < VLEPSILON ? VLEPSILON : hither;
  vp->hitherchanged = 1;
  invalidate_projection();
}

void VLviewpoint_setyon(VLviewpoint *vp, float yon) {
  if (!vp) return;
  vp->yon = yon < vp->hither + VLEPSILON ? vp->hither + VLEPSILON : yon;
  vp->yonchanged = 1;
  invalidate_projection();
}

/* A motion link from the sensor to the viewpoint (frame 0, target kind 0). */
int VLviewpoint_addsensor(VLviewpoint *vp, VLsensor *sensor) {
  if (!vp || !sensor) return 0;
  return VLmotionlink_newany(sensor, vp, 0, 0) != nullptr;
}

/* --- what the universe and the renderer call --- */

void _VLviewpoint_newcurrent(VLuniverse *u) { u->viewpoint = VLviewpoint_new(); }

/* The view angle of the window options. */
void _VLviewpoint_applysettings(VLuniverse *u) {
  if (u->viewpoint) VLviewpoint_setangle(u->viewpoint, u->settings->halffov);
  if (u->viewpoint) u->viewpoint->anglechanged = 0;
}

bool _VLviewpoint_inlist(VLuniverse *u, VLviewpoint *vp) {
  for (VLviewpoint *v = u->viewpoints; v; v = v->next)
    if (v == vp) return true;
  return false;
}

void _VLwindows_takeviewpoint(VLuniverse *u, VLviewpoint *vp) {
  for (VLwindow *w = u->windows; w; w = w->next)
    if (w->viewpoint) w->viewpoint = vp;
}

void _VLviewpoints_deleteall(VLuniverse *u) {
  while (u->viewpoints) {
    VLviewpoint *next = u->viewpoints->next;
    free(u->viewpoints);
    u->viewpoints = next;
  }
  u->viewpoint = nullptr;
}

void _VLviewpoint_viewparams(VLviewpoint *vp, VLviewparams *p) {
  if (vp->anglechanged) p->t = vp->tangent;
  if (vp->hitherchanged) p->hither = vp->hither;
  if (vp->yonchanged) p->yon = vp->yon;
  if (vp->ownprojection) p->mode = vp->projection;
  p->aspect = vp->aspect;
  p->pixelshift = vp->pixelshift;
  p->eyesep = vp->eyesep;
  p->convergence = vp->convergence;
}

/* Eye 1 takes the right-eye offsets unless the offset mode is 65535: mode 1
 * adds the position offset as it is, other modes turn it by the orientation
 * first; the orientation is composed with the right-eye rotation. */
void _VLviewpoint_eyepose(VLwindow *w, int eye, float pos[3], VLq *q) {
  VLviewpoint *vp = w->viewpoint;
  if (w->mode != 1 && eye == 1 && w->viewpoint2) vp = w->viewpoint2;
  if (!vp) {
    pos[0] = pos[1] = pos[2] = 0.0f;
    VLq_identity(q);
    return;
  }
  VLp3 p = vp->position;
  *q = vp->orientation;
  if (eye == 1 && vp->offsetmode != 65535) {
    VLp3 off = vp->eyeoffset;
    if (vp->offsetmode != 1) VLq_rotate(&vp->eyeoffset, &vp->orientation, &off);
    p.x += off.x;
    p.y += off.y;
    p.z += off.z;
    VLq_mult(&vp->orientation, &vp->eyerotation, q);
  }
  pos[0] = p.x;
  pos[1] = p.y;
  pos[2] = p.z;
}
