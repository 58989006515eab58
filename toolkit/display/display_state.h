/* Process-wide state of the display family's windows and renderer: the
 * display table, the renderer settings, the device choice, the window
 * slots, the input state and the key ring. One accessor, and a reset for
 * tests. Two parts keep records of their own because they outlive a
 * universe: the initialisation-file resources (ini.cpp, emptied by
 * VLini_clearresources) and the 3D device with its EGL context
 * (device/). */
#ifndef VLX_DISPLAY_DISPLAY_STATE_H
#define VLX_DISPLAY_DISPLAY_STATE_H

#include <stdint.h>

#include "vlx/renderer.h"
#include "vlx/window.h"

#define VLKEYRING 200

struct VLdisplaystate {
  VLdisplay displays[1] = {};
  int ndisplays = 0;
  VLrenderersettings *settings = nullptr;
  bool setupdone = false;         /* device set-up runs once per run */
  int chosen = -1;                /* index in the device table */
  bool hardwareallowed = true;
  bool usesoftwarergb = false;
  int textureramp = 24;
  VLwindow *slots[VLWINDOW_MAX] = {};
  int nwindows = 0;
  VLwindow *focus = nullptr;
  VLsyswindow *hidden = nullptr;  /* the hidden 32 x 32 window of start-up */
  VLmousestate mouse = {};
  uint16_t keys[VLKEYRING] = {};
  int keyhead = 0, keycount = 0;
  /* Sound completion: registered by the devices family when it opens an
   * output stream; called with the notice's stream number. */
  void (*wavedone)(long stream) = nullptr;
};

VLdisplaystate &_VLdisplay(void);
/* Tests: forget the display state (after VLuniverse_delete). */
void _VLdisplay_reset(void);

/* The window procedure (window_proc.cpp). */
void _VLwindow_proc(void *owner, VLsyswindow *sys, int msg, long a, long b);
/* Whether w is one of the window slots (a live window). */
bool _VLwindow_known(VLwindow *w);
/* Queues a key code; the oldest is dropped when the ring is full. */
void _VLkeys_push(int code);

/* Base windows by configuration (window.cpp); false when one could not be made. */
bool _VLwindow_makebase(int configuration, int flags);
/* Frustum of a window from the options' field of view, near and far. */
void _VLwindow_defaultfrusta(VLwindow *w);

/* View and projection set-up of a window for an eye (view.cpp). */
void _VLrenderer_setupview(VLwindow *w, int eye);
/* The projection matrix and the culling planes of a window (view.cpp). */
void _VLrenderer_projection(VLwindow *w, int eye, float out[16], VLrenderstate *rs);

#endif
