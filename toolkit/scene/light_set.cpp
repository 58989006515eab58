/* Light settings with their ranges, directly and through Light and Ambient
 * nodes (movable wrappers resolve to their content). A value out of range
 * changes nothing; every accepted change reaches the renderer's slot. */
#include <math.h>

#include "scene/light_internal.h"
#include "scene/scene_internal.h"
#include "vlx/math.h"

namespace {


bool changed(VLlight *light) {
  _VLlight_changed(light);
  return true;
}

/* Exactly zero (either sign), or 1 to 128. */
bool exponent_ok(float e) { return e == 0.0f || (e >= 1.0f && e <= VLLIGHT_MAXEXPONENT); }

VLnode *content(VLnode *node) { return node ? _VLnode_content(node) : nullptr; }

VLlight *light_of(VLnode *node) {
  VLnode *n = content(node);
  return n && n->type == VLNODE_LIGHT ? static_cast<VLlightnode *>(n)->light : nullptr;
}

VLambientnode *ambient_of(VLnode *node) {
  VLnode *n = content(node);
  return n && n->type == VLNODE_AMBIENT ? static_cast<VLambientnode *>(n) : nullptr;
}

}  // namespace

/* ---------- lights ---------- */

bool VLlight_setposition(VLlight *light, const float position[3]) {
  if (!light || !position) return false;
  _VLlight_set3(light->position, position[0], position[1], position[2]);
  return changed(light);
}

bool VLlight_getposition(const VLlight *light, float out[3]) {
  if (!light || !out) return false;
  _VLlight_set3(out, light->position[0], light->position[1], light->position[2]);
  return true;
}

bool VLlight_setdirection(VLlight *light, const float direction[3]) {
  if (!light || !direction) return false;
  VLp3 d = {direction[0], direction[1], direction[2]};
  if (!VLp3_normalise(&d)) return false;
  _VLlight_set3(light->direction, d.x, d.y, d.z);
  return changed(light);
}

/* Unlike creation, the setter has no lower limit: 0 switches the light's
 * contribution off. A negative value (or not a number) is refused as an
 * obvious fault. */
bool VLlight_setintensity(VLlight *light, float intensity) {
  if (!light || !(intensity >= 0.0f)) return false;
  light->intensity = intensity > 1.0f ? 1.0f : intensity;
  return changed(light);
}

bool VLlight_setangle(VLlight *light, float radians) {
  if (!light || light->type != VLLIGHTTYPE_SPOT) return false;
  if (!(radians >= 0.0f && radians <= VLLIGHT_MAXANGLE)) return false;
  light->angle = radians;
  return changed(light);
}

bool VLlight_setexponent(VLlight *light, float exponent) {
  if (!light || light->type != VLLIGHTTYPE_SPOT || !exponent_ok(exponent)) return false;
  light->exponent = exponent;
  return changed(light);
}

bool VLlight_setattenuation(VLlight *light, float constant, float linear, float quadratic) {
  if (!light || light->type == VLLIGHTTYPE_DIRECTED) return false;
  if (!(constant >= VLLIGHT_MININTENSITY) || !(linear >= 0.0f) || !(quadratic >= 0.0f))
    return false;
  _VLlight_set3(light->attenuation, constant, linear, quadratic);
  return changed(light);
}

bool VLlight_setambient(VLlight *light, float r, float g, float b) {
  if (!light) return false;
  _VLlight_set3(light->ambient, r, g, b);
  return changed(light);
}

bool VLlight_setdiffuse(VLlight *light, float r, float g, float b) {
  if (!light) return false;
  _VLlight_set3(light->diffuse, r, g, b);
  return changed(light);
}

bool VLlight_setspecular(VLlight *light, float r, float g, float b) {
  if (!light) return false;
  _VLlight_set3(light->specular, r, g, b);
  return changed(light);
}

/* ---------- through nodes ---------- */

VLlight *VLlightnode_getlight(VLnode *node) { return light_of(node); }

bool VLlightnode_setcolor(VLnode *node, float r, float g, float b) {
  if (VLambientnode *a = ambient_of(node)) {
    _VLlight_set3(a->colour, r, g, b);
    return true;
  }
  return VLlight_setambient(light_of(node), r, g, b);
}

bool VLlightnode_setdiffuse(VLnode *node, float r, float g, float b) {
  return VLlight_setdiffuse(light_of(node), r, g, b);
}

bool VLlightnode_setspecular(VLnode *node, float r, float g, float b) {
  return VLlight_setspecular(light_of(node), r, g, b);
}

bool VLlightnode_setintensity(VLnode *node, float intensity) {
  if (VLambientnode *a = ambient_of(node)) {
    a->intensity = intensity;
    return true;
  }
  return VLlight_setintensity(light_of(node), intensity);
}

bool VLlightnode_setposition(VLnode *node, const float position[3]) {
  return VLlight_setposition(light_of(node), position);
}

bool VLlightnode_getposition(VLnode *node, float out[3]) {
  return VLlight_getposition(light_of(node), out);
}

bool VLlightnode_setdirection(VLnode *node, const float direction[3]) {
  return VLlight_setdirection(light_of(node), direction);
}

bool VLlightnode_setangle(VLnode *node, float radians) {
  return VLlight_setangle(light_of(node), radians);
}

bool VLlightnode_setexponent(VLnode *node, float exponent) {
  return VLlight_setexponent(light_of(node), exponent);
}
