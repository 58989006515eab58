/* The toolkit's window procedure: what each window message does to the
 * window records, the render contexts, the mouse state and the key ring.
 * Messages for windows that are not in the list are ignored. */
#include "display/display_state.h"
#include "platform/platform.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

void create_context(VLwindow *w, VLsyswindow *sys) {
  int x, y, width, height;
  _VLplatform_clientrect(sys, &x, &y, &width, &height);
  w->x = x;
  w->y = y;
  w->width = width;
  w->height = height;
  w->context = VLrendercontext_new(w, width, height, x, y);
}

void button(VLwindow *w, VLsyswindow *sys, int msg, long b) {
  VLmousestate &m = _VLdisplay().mouse;
  if (b < 0 || b > 2) return;
  m.window = w;
  bool anydown = m.down[0] || m.down[1] || m.down[2];
  if (msg == VLWM_BUTTONUP) {
    m.down[b] = 0;
    m.released[b] = 1;
    if (!(m.down[0] || m.down[1] || m.down[2])) _VLplatform_capture(sys, false);
    return;
  }
  m.down[b] = 1;
  m.pressed[b] = 1;
  if (msg == VLWM_BUTTONDBL) m.doubleclick[b] = 1;
  if (!anydown) _VLplatform_capture(sys, true);
}

}  // namespace

void _VLwindow_proc(void *owner, VLsyswindow *sys, int msg, long a, long b) {
  VLdisplaystate &ds = _VLdisplay();
  if (msg == VLWM_DESTROY) {
    /* The record is gone by now; the last window ends the loop. */
    if (ds.nwindows == 0) {
      _VLplatform_postquit();
      VLuniverse_stop();
    }
    return;
  }
  if (msg == VLWM_WAVEDONE) {
    /* Completion notices belong to no window. */
    if (ds.wavedone) ds.wavedone(a);
    return;
  }
  VLwindow *w = static_cast<VLwindow *>(owner);
  if (!_VLwindow_known(w)) return;
  switch (msg) {
    case VLWM_CLOSE: VLwindow_delete(w); break;
    case VLWM_USER: create_context(w, sys); break;
    case VLWM_MOVE:
      w->x = int(a);
      w->y = int(b);
      if (w->context) {
        w->context->x = int(a);
        w->context->y = int(b);
      }
      break;
    case VLWM_SIZE:
      w->width = int(a);
      w->height = int(b);
      VLrendercontext_resize(w->context, int(a), int(b));
      break;
    case VLWM_SETFOCUS: ds.focus = w; break;
    case VLWM_KILLFOCUS: ds.focus = nullptr; break;
    case VLWM_BUTTONDOWN:
    case VLWM_BUTTONUP:
    case VLWM_BUTTONDBL: button(w, sys, msg, a); break;
    case VLWM_MOUSEMOVE:
      ds.mouse.window = w;
      ds.mouse.x = int16_t(a);
      ds.mouse.y = int16_t(b);
      break;
    case VLWM_CHAR:
    case VLWM_KEYDOWN: _VLkeys_push(int(a)); break;
    case VLWM_SHOW:
      if (a) w->state |= 1u;
      else w->state &= ~1u;
      break;
    default: break;
  }
}

void _VLkeys_push(int code) {
  VLdisplaystate &ds = _VLdisplay();
  if (ds.keycount == VLKEYRING) {
    ds.keyhead = (ds.keyhead + 1) % VLKEYRING;
    ds.keycount--;
  }
  ds.keys[(ds.keyhead + ds.keycount) % VLKEYRING] = uint16_t(code);
  ds.keycount++;
}

int VLkey_get(void) {
  VLdisplaystate &ds = _VLdisplay();
  if (!ds.keycount) return 0;
  int code = ds.keys[ds.keyhead];
  ds.keyhead = (ds.keyhead + 1) % VLKEYRING;
  ds.keycount--;
  return code;
}

VLmousestate *VLmouse_state(void) { return &_VLdisplay().mouse; }
