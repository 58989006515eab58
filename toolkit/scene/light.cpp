/* Light records: creation with its limits, the eight light numbers and the
 * on and off lists, deletion (with the motion links that move a light and
 * its Light node), and the hooks the scene graph and the universe call.
 * A switched-on light is handed to the renderer's slot of its number. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "scene/loop.h"
#include "core/messages.h"
#include "scene/light_internal.h"
#include "vlx/diag.h"
#include "vlx/math.h"
#include "vlx/motion.h"
#include "vlx/node.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"

namespace {

VLlightstate g_lights;

/* Takes the light out of a list; false when it is not there. */
bool unlink_from(VLlight **head, VLlight *light) {
  for (VLlight **at = head; *at; at = &(*at)->next)
    if (*at == light) {
      *at = light->next;
      light->next = nullptr;
      return true;
    }
  return false;
}

/* The renderer's slot of a number: the light now holding it, or none. */
void set_slot(int number, VLlight *light) {
  VLrenderersettings *s = VLrenderer_settings();
  if (s) {
    s->lights[number] = light;
    s->uploaded[number] = 0;
  }
  g_lights.changed = true;
}

/* Frees the number of a light that is on. */
void release_number(VLlight *light) {
  int n = light->number;
  if (n >= VLLIGHT_MAXON) return;
  g_lights.numbers[n] = nullptr;
  g_lights.on--;
  light->number = VLLIGHT_NONUMBER;
  set_slot(n, nullptr);
}

/* Out of whichever list holds it; false when neither does. */
bool unlink_light(VLuniverse *u, VLlight *light) {
  if (light->number < VLLIGHT_MAXON && unlink_from(&u->lights[VLLIGHTS_ON], light)) {
    release_number(light);
    return true;
  }
  return unlink_from(&u->lights[VLLIGHTS_OFF], light) ||
         unlink_from(&u->lights[VLLIGHTS_THIRD], light);
}

/* Deletes the light's Light node without the node deleting the light. */
void delete_node(VLlight *light) {
  VLnode *n = light->node;
  if (!n) return;
  light->node = nullptr;
  if (n->type == VLNODE_LIGHT) static_cast<VLlightnode *>(n)->light = nullptr;
  VLnode_delete(n);
}


void set_defaults(VLlight *l, int type) {
  memset(l, 0, sizeof *l);
  l->type = static_cast<uint16_t>(type);
  _VLlight_set3(l->direction, 0.0f, 0.0f, 1.0f);
  _VLlight_set3(l->diffuse, 1.0f, 1.0f, 1.0f);
  _VLlight_set3(l->specular, 1.0f, 1.0f, 1.0f);
  _VLlight_set3(l->attenuation, 1.0f, 0.0f, 0.0f);
  l->number = VLLIGHT_NONUMBER;
}

/* A given direction, normalised into the light; false (with the warning of
 * its type) when it is too short. */
bool take_direction(VLlight *l, const float direction[3], int type) {
  VLp3 d = {direction[0], direction[1], direction[2]};
  if (!VLp3_normalise(&d)) {
    if (type == VLLIGHTTYPE_DIRECTED) VLMSG(LIGHT_DIRECTED_ZERO);
    if (type == VLLIGHTTYPE_SPOT) VLMSG(LIGHT_SPOT_ZERO);
    return false;
  }
  _VLlight_set3(l->direction, d.x, d.y, d.z);
  return true;
}

}  // namespace

VLlightstate &_VLlightstate(void) { return g_lights; }

void _VLlights_reset(void) { g_lights = VLlightstate(); }

void _VLlight_changed(VLlight *light) {
  if (light->number < VLLIGHT_MAXON) set_slot(light->number, light);
  g_lights.changed = true;
}

/* ---------- creation and switching ---------- */

VLlight *VLlight_new(const float position[3], const float direction[3], float intensity,
                     float exponent, float angle, int type) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !(intensity >= VLLIGHT_MININTENSITY)) return nullptr;
  if (g_lights.on >= VLLIGHT_MAXON) return nullptr;
  if (type < VLLIGHTTYPE_DIRECTED || type > VLLIGHTTYPE_SPOT) return nullptr;
  VLlight probe;
  set_defaults(&probe, type);
  if (direction && !take_direction(&probe, direction, type)) return nullptr;
  if (position) _VLlight_set3(probe.position, position[0], position[1], position[2]);
  probe.intensity = intensity > 1.0f ? 1.0f : intensity;
  probe.angle = angle;
  probe.exponent = exponent;
  probe.id = g_lights.nextid++;
  VLlight *l = static_cast<VLlight *>(VLmalloc(sizeof *l));
  *l = probe;
  l->next = u->lights[VLLIGHTS_OFF];
  u->lights[VLLIGHTS_OFF] = l;
  VLlight_turnon(l);
  return l;
}

void VLlight_turnon(VLlight *light) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !light || light->number < VLLIGHT_MAXON || g_lights.on >= VLLIGHT_MAXON) return;
  int n = 0;
  while (n < VLLIGHT_MAXON && g_lights.numbers[n]) ++n;
  if (n == VLLIGHT_MAXON || !unlink_from(&u->lights[VLLIGHTS_OFF], light)) return;
  g_lights.numbers[n] = light;
  g_lights.on++;
  light->number = static_cast<uint16_t>(n);
  light->next = u->lights[VLLIGHTS_ON];
  u->lights[VLLIGHTS_ON] = light;
  set_slot(n, light);
}

void VLlight_turnoff(VLlight *light) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !light || light->number >= VLLIGHT_MAXON) return;
  if (!unlink_from(&u->lights[VLLIGHTS_ON], light)) return;
  release_number(light);
  light->next = u->lights[VLLIGHTS_OFF];
  u->lights[VLLIGHTS_OFF] = light;
}

bool VLlight_ison(const VLlight *light) { return light && light->number < VLLIGHT_MAXON; }

/* ---------- deletion ---------- */

void VLlight_delete(VLlight *light) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !light || !unlink_light(u, light)) return;
  VLmotionlink_deletetarget(light);
  delete_node(light);
  free(light);
}

void _VLlight_delete(VLlight *light) {
  /* The Light node is going and has cleared the back pointer. */
  VLlight_delete(light);
}

void _VLlights_deletelist(VLuniverse *u, int list) {
  if (!u || list < 0 || list > VLLIGHTS_THIRD) return;
  while (VLlight *l = u->lights[list]) {
    u->lights[list] = l->next;
    if (l->number < VLLIGHT_MAXON) release_number(l);
    VLmotionlink_deletetarget(l);
    delete_node(l);
    free(l);
  }
}

void VLlight_deleteall(void) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return;
  _VLlights_deletelist(u, VLLIGHTS_ON);
  _VLlights_deletelist(u, VLLIGHTS_OFF);
}

VLlight *_VLlight_newdefault(int kind) {
  if (kind != VLLIGHTKIND_DIRECTED && kind != VLLIGHTKIND_POINT) return nullptr;
  return VLlight_new(nullptr, nullptr, 1.0f, 0.0f, 0.0f,
                     kind == VLLIGHTKIND_DIRECTED ? VLLIGHTTYPE_DIRECTED : VLLIGHTTYPE_POINT);
}

int _VLlight_number(VLlight *l) { return l && l->number < VLLIGHT_MAXON ? l->number : -1; }
