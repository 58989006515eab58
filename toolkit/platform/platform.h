/* The window-system layer: system windows, their messages, the message
 * pump, presentation, the display size, capture and the cursor. Two
 * backends behind one interface: off screen (always available; windows are
 * records, nothing is shown) and on screen over SDL2 (when a display exists
 * and VLXOFFSCREEN is unset). Messages reach the toolkit's window procedure
 * (installed with _VLplatform_setproc) with the owner record given at
 * window creation. */
#ifndef VLX_PLATFORM_PLATFORM_H
#define VLX_PLATFORM_PLATFORM_H

#include <stdint.h>

/* Window messages. For buttons, a = 0 left, 1 right, 2 middle; for mouse
 * motion a = x, b = y (client coordinates); for move a = x, b = y (screen);
 * for size a = width, b = height (client); for characters a = the code; for
 * key down a = the toolkit key code; for show a = 1 shown, 0 hidden. */
enum {
  VLWM_CLOSE = 1,
  VLWM_DESTROY,
  VLWM_MOVE,
  VLWM_SIZE,
  VLWM_SETFOCUS,
  VLWM_KILLFOCUS,
  VLWM_USER,
  VLWM_BUTTONDOWN,
  VLWM_BUTTONUP,
  VLWM_BUTTONDBL,
  VLWM_MOUSEMOVE,
  VLWM_CHAR,
  VLWM_KEYDOWN,
  VLWM_SHOW,
  VLWM_WAVEDONE
};

struct VLsyswindow;
typedef void (*VLwndproc)(void *owner, VLsyswindow *w, int msg, long a, long b);

/* Chooses the backend once; true when windows show on screen. */
bool _VLplatform_init(void);
bool _VLplatform_onscreen(void);
/* Forgets the backend (the SDL video subsystem is shut down). */
void _VLplatform_shutdown(void);
void _VLplatform_setproc(VLwndproc proc);
/* The desktop size (off screen: 1024 x 768). */
void _VLplatform_displaysize(int *width, int *height);

/* A system window with the given outer rectangle; the client area is the
 * rectangle less the frame when bordered. Null on failure. */
VLsyswindow *_VLplatform_newwindow(void *owner, int x, int y, int width, int height,
                                   bool border);
/* Adopts an existing native window (an X11 window id on screen). */
VLsyswindow *_VLplatform_attach(void *owner, uintptr_t native);
/* Destroys the window; the owner gets VLWM_DESTROY first. */
void _VLplatform_destroywindow(VLsyswindow *w);
/* The client area has a new size, told by whoever hosts the window (an
 * off-screen window shown in a front end's own widget): the record takes
 * it and the owner gets VLWM_SIZE, as from a system window. Sizes below 1
 * are ignored. */
void _VLplatform_resized(VLsyswindow *w, int width, int height);
/* Input told by whoever hosts the window (a front end's widget): delivered
 * to the window procedure at once, as from a system window. */
void _VLplatform_input(VLsyswindow *w, int msg, long a, long b);
/* Client area: screen position and size. */
void _VLplatform_clientrect(VLsyswindow *w, int *x, int *y, int *width, int *height);
/* Copies a frame (RGBA, bottom row first) to the window on screen. */
void _VLplatform_present(VLsyswindow *w, const uint8_t *rgba, int width, int height);
/* Mouse capture while a button is down. */
void _VLplatform_capture(VLsyswindow *w, bool on);

/* Queues a message for the window; delivered by the next pump. */
void _VLplatform_post(VLsyswindow *w, int msg, long a, long b);
/* Queues a message that belongs to no window (a completion notice); safe
 * to call from any thread. The next pump delivers it to the window
 * procedure with no owner and no window. */
void _VLplatform_postnotice(int msg, long a, long b);
/* Queues the quit message. */
void _VLplatform_postquit(void);
/* Delivers every pending message; true when the quit message was among them. */
bool _VLplatform_pump(void);

#endif
