/* VRML lights and cameras: DirectionalLight, PointLight and SpotLight
 * become Light nodes (intensity, colour, on flag, the direction negated,
 * the location, the spot's drop-off rate and cut-off angle);
 * PerspectiveCamera becomes a new viewpoint that is made the current
 * one. */
#include <math.h>

#include "readers/vrml/vrml_internal.h"
#include "vlx/light.h"
#include "vlx/node.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

VLnode *_VLvrml_buildlight(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent, VLvrmldef *def) {
  if (!_VLvrml_count(c, VLVRML_LIGHTS)) return nullptr;
  const float *d = r.get(VLF_DIRECTION).f;
  float dir[3] = {-d[0], -d[1], -d[2]};
  int type = r.node == VLN_DIRECTIONALLIGHT ? VLLIGHTTYPE_DIRECTED
             : r.node == VLN_POINTLIGHT     ? VLLIGHTTYPE_POINT
                                            : VLLIGHTTYPE_SPOT;
  const float *pos = type == VLLIGHTTYPE_DIRECTED ? nullptr : r.get(VLF_LOCATION).f;
  float exponent = type == VLLIGHTTYPE_SPOT ? r.get(VLF_DROPOFFRATE).f[0] : 0.0f;
  float angle = type == VLLIGHTTYPE_SPOT ? r.get(VLF_CUTOFFANGLE).f[0] : 0.0f;
  VLlight *light = VLlight_new(pos, type == VLLIGHTTYPE_POINT ? nullptr : dir,
                               r.get(VLF_INTENSITY).f[0], exponent, angle, type);
  if (!light) return nullptr;
  VLnode *n = VLlightnode_new(light, parent);
  if (!n) {
    VLlight_delete(light);
    return nullptr;
  }
  const float *col = r.get(VLF_COLOR).f;
  VLlightnode_setcolor(n, col[0], col[1], col[2]);
  if (!r.get(VLF_ON).i) VLlight_turnoff(light);
  _VLvrml_made(c, parent, n);
  _VLvrml_name(c, n, def);
  return n;
}

VLnode *_VLvrml_buildcamera(VLvrmlstate &c, VLvrmlrecord &r, VLnode *, VLvrmldef *) {
  if (!_VLvrml_count(c, VLVRML_CAMERAS)) return nullptr;
  VLviewpoint *vp = VLviewpoint_new();
  if (!vp) return nullptr;
  c.viewpoints.push_back(vp);
  const float *p = r.get(VLF_POSITION).f, *o = r.get(VLF_ORIENTATION).f;
  VLp3 pos = {p[0], p[1], p[2]};
  VLviewpoint_setposition(vp, &pos);
  float len = sqrtf(o[0] * o[0] + o[1] * o[1] + o[2] * o[2]);
  if (len > 1e-12f) {
    float s = sinf(o[3] / 2) / len;
    VLq q = {o[0] * s, o[1] * s, o[2] * s, cosf(o[3] / 2)};
    VLviewpoint_setorientation(vp, &q);
  }
  /* heightAngle is the whole vertical angle; the viewpoint keeps half the
   * horizontal one. */
  VLviewpoint_setangle(vp, r.get(VLF_HEIGHTANGLE).f[0] * 1.3333334f * 0.5f);
  if (r.get(VLF_NEARDISTANCE).present) VLviewpoint_sethither(vp, r.get(VLF_NEARDISTANCE).f[0]);
  if (r.get(VLF_FARDISTANCE).present) VLviewpoint_setyon(vp, r.get(VLF_FARDISTANCE).f[0]);
  VLuniverse_setviewpoint(vp);
  return nullptr;
}
