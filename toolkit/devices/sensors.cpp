/* Sensors of the universe: creation through the driver's open function,
 * the per-frame poll with the frame offset, deletion (the motion links
 * they drive go first, so nothing follows a freed sensor) and sensitivity.
 * The motion family reads a sensor's motion of the frame through the hook
 * registered here whenever a sensor is made. */
#include <stdlib.h>

#include "devices/devices_state.h"
#include "devices/loop.h"
#include "motion/motion_internal.h"
#include "vlx/devices.h"
#include "vlx/diag.h"
#include "vlx/motion.h"
#include "vlx/universe.h"

namespace {

/* The translation and rotation of this frame, as the sensor left them. */
bool sensor_motion(VLsensor *s, VLp3 *translation, VLq *rotation) {
  if (!s) return false;
  *translation = s->position;
  *rotation = s->orientation;
  return true;
}

void init_record(VLsensor *s, VLsensorfn close, VLsensorfn update, VLserialport *port,
                 int parameter, int kind) {
  *s = VLsensor{};
  VLq_identity(&s->orientation);
  VLq_identity(&s->quaternion);
  VLq_identity(&s->offset);
  s->sensitivity = 1.0f;
  s->angular = 0.08726600f;
  s->close = close;
  s->update = update;
  s->kind = int16_t(kind == VLSENSOR_UNPOLLED || kind == VLSENSOR_VIRTUAL ? kind
                                                                           : VLSENSOR_POLLED);
  s->parameter = int16_t(parameter);
  s->port = port;
}

void free_port(VLserialport *port) {
  if (!port) return;
  VLserial_close(port->port);
  free(port);
}

/* Frees the record and what it owns (the driver has been closed). */
void free_record(VLsensor *s) {
  for (void *&b : s->buffers) {
    free(b);
    b = nullptr;
  }
  free_port(s->port);
  free(s);
}

void unlink_sensor(VLuniverse *u, VLsensor *s) {
  for (VLsensor **p = &u->sensors; *p; p = &(*p)->next)
    if (*p == s) {
      *p = s->next;
      return;
    }
}

}  // namespace

VLsensor *VLsensor_new(VLsensoropen open, VLsensorfn close, VLsensorfn update,
                       VLserialport *port, int parameter, int kind) {
  VLuniverse *u = VLuniverse_current();
  if (!u) {
    free_port(port);
    return nullptr;
  }
  VLsensor *s = static_cast<VLsensor *>(VLmalloc(sizeof(VLsensor)));
  init_record(s, close, update, port, parameter, kind);
  if (s->kind != VLSENSOR_VIRTUAL && open && !open(s)) {
    free_record(s);
    return nullptr;
  }
  _VLmotion().sensormotion = sensor_motion;
  VLsensor **tail = &u->sensors;
  while (*tail && *tail != s) tail = &(*tail)->next;
  if (!*tail) *tail = s;
  return s;
}

void VLsensor_update(VLsensor *s) {
  if (!s) return;
  if (s->kind == VLSENSOR_POLLED && s->update) s->update(s);
  if (!s->offseton) return;
  VLq conj = {-s->offset.x, -s->offset.y, -s->offset.z, s->offset.w}, t, o;
  VLq_mult(&s->offset, &s->orientation, &t);
  VLq_mult(&t, &conj, &o);
  s->orientation = o;
  VLp3 p;
  VLq_rotate(&s->position, &conj, &p);
  s->position = p;
}

void VLsensor_delete(VLsensor *s) {
  VLuniverse *u = VLuniverse_current();
  if (!s) return;
  VLmotionlink_deletesource(s);
  if (s->kind != VLSENSOR_VIRTUAL && s->close) s->close(s);
  if (u) unlink_sensor(u, s);
  free_record(s);
}

void VLsensor_setsensitivity(VLsensor *s, float value) {
  if (s && value >= 0.0f) s->sensitivity = value;
}

void VLsensor_setoffset(VLsensor *s, const VLq *offset) {
  if (!s) return;
  s->offseton = offset != nullptr;
  if (offset) s->offset = *offset;
}

void _VLsensors_update(VLuniverse *u) {
  for (VLsensor *s = u->sensors; s; s = s->next) VLsensor_update(s);
}

void _VLsensors_deleteall(VLuniverse *u) {
  while (u->sensors) VLsensor_delete(u->sensors);
}
