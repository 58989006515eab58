/* The window-mouse sensor driver. Each frame it reads the mouse state that
 * the window procedure keeps (buttons, events, the window under the mouse
 * and the position in it), rebuilds the sensor's button word, clears the
 * events (each is seen by one update) and turns the offset of the mouse
 * from the window centre into this frame's translation and rotation:
 *   left alone      forward/back (z) and turn about y
 *   right alone     sideways (x) and up/down (y)
 *   left and right  turn about x or about z, whichever offset is larger
 * Offsets below 0.1 of the half-window are a dead zone. The centre and
 * point are kept in the sensor's driver state (vector x, y and values 0,
 * 1), so a frame without a window under the mouse reuses them. */
#include <math.h>
#include <stdlib.h>

#include "vlx/devices.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

const float kDeadZone = 0.1f;

/* The universe's window that the mouse is over, or null. */
VLwindow *window_under_mouse(const VLmousestate &m) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !m.window) return nullptr;
  for (VLwindow *w = u->windows; w; w = w->next)
    if (w == m.window) return w;
  return nullptr;
}

/* Step 1: screen position, centre and point from the window under the mouse. */
void take_position(VLsensor *s, const VLmousestate &m) {
  VLwindow *w = window_under_mouse(m);
  if (!w) return;
  if (float *screen = static_cast<float *>(s->buffers[0])) {
    screen[0] = float(w->x + m.x);
    screen[1] = float(w->y + m.y);
  }
  s->vector.x = float(w->width) * 0.5f;
  s->vector.y = float(w->height) * 0.5f;
  s->values[0] = float(m.x);
  s->values[1] = float(m.y);
}

/* Step 2: the button word; the events are consumed. */
uint32_t take_buttons(VLmousestate &m) {
  static const uint32_t down[3] = {VLBUTTON_LEFT, VLBUTTON_RIGHT, VLBUTTON_MIDDLE};
  static const uint32_t pressed[3] = {VLBUTTON_LEFTPRESSED, VLBUTTON_RIGHTPRESSED,
                                      VLBUTTON_MIDDLEPRESSED};
  static const uint32_t released[3] = {VLBUTTON_LEFTRELEASED, VLBUTTON_RIGHTRELEASED,
                                       VLBUTTON_MIDDLERELEASED};
  static const uint32_t dbl[3] = {VLBUTTON_LEFTDOUBLE, VLBUTTON_RIGHTDOUBLE,
                                  VLBUTTON_MIDDLEDOUBLE};
  uint32_t word = 0;
  for (int b = 0; b < 3; ++b) {
    if (m.down[b]) word |= down[b];
    if (m.pressed[b]) word |= pressed[b];
    if (m.released[b]) word |= released[b];
    if (m.doubleclick[b]) word |= dbl[b];
    m.pressed[b] = m.released[b] = m.doubleclick[b] = 0;
  }
  return word;
}

/* The offset from the centre along one axis, -1 to 1 across the window;
 * 0 while no window has been seen (no centre yet). */
float offset(float point, float centre) { return centre > 0.0f ? (point - centre) / centre : 0.0f; }

/* Step 3 and 4: this frame's translation and rotation. */
void take_motion(VLsensor *s, uint32_t word) {
  float nx = offset(s->values[0], s->vector.x), ny = offset(s->values[1], s->vector.y);
  float ax = fabsf(nx), ay = fabsf(ny);
  float sens = s->sensitivity, a = s->angular;
  unsigned c = s->constraints;
  float r[3] = {0, 0, 0};
  VLp3 t = {0, 0, 0};
  bool left = word & VLBUTTON_LEFT, right = word & VLBUTTON_RIGHT;
  if (left && right) {
    if (ay >= kDeadZone && ay >= ax && !(c & VLSENSOR_NORX)) r[0] = sinf(a * ny * 0.5f);
    if (ax >= kDeadZone && ay < ax && !(c & VLSENSOR_NORZ)) r[2] = -sinf(a * nx * 0.5f);
  } else if (right) {
    if (ay >= kDeadZone && !(c & VLSENSOR_NOTY)) t.y = sens * ny;
    if (ax >= kDeadZone && !(c & VLSENSOR_NOTX)) t.x = sens * nx;
  } else if (left) {
    if (ay >= kDeadZone && !(c & VLSENSOR_NOTZ)) t.z = -sens * ny;
    if (ax >= kDeadZone && !(c & VLSENSOR_NORY)) r[1] = -sinf(a * nx * 0.5f);
  }
  s->position = t;
  float w2 = 1.0f - r[0] * r[0] - r[1] * r[1] - r[2] * r[2];
  s->orientation = VLq{r[0], r[1], r[2], sqrtf(w2 > 0.0f ? w2 : 0.0f)};
}

}  // namespace

bool VLmouse_open(VLsensor *s) {
  if (!s) return false;
  s->buffers[0] = calloc(2, sizeof(float));
  return s->buffers[0] != nullptr;
}

void VLmouse_close(VLsensor *s) {
  if (!s) return;
  free(s->buffers[0]);
  s->buffers[0] = nullptr;
}

void VLmouse_update(VLsensor *s) {
  if (!s) return;
  VLmousestate &m = *VLmouse_state();
  take_position(s, m);
  s->buttons = take_buttons(m);
  take_motion(s, s->buttons);
}
