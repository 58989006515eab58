/* Shared between the two backends of the window-system layer. */
#ifndef VLX_PLATFORM_PLATFORM_INTERNAL_H
#define VLX_PLATFORM_PLATFORM_INTERNAL_H

#include "platform/platform.h"

struct SDL_Window;

struct VLsyswindow {
  void *owner;
  SDL_Window *sdl;         /* null off screen */
  bool attached;
  int x, y, width, height; /* client area */
};

/* Delivers one message to the toolkit's window procedure. */
void _VLplatform_deliver(VLsyswindow *w, int msg, long a, long b);

/* SDL backend (sdl_backend.cpp). */
bool _VLsdl_init(void);
void _VLsdl_shutdown(void);
void _VLsdl_displaysize(int *width, int *height);
bool _VLsdl_newwindow(VLsyswindow *w, int x, int y, int width, int height, bool border);
bool _VLsdl_attach(VLsyswindow *w, uintptr_t native);
void _VLsdl_destroywindow(VLsyswindow *w);
void _VLsdl_present(VLsyswindow *w, const uint8_t *rgba, int width, int height);
void _VLsdl_capture(bool on);
/* Translates pending SDL events into messages; true on a quit request. */
bool _VLsdl_poll(void);
void *_VLsdl_waitcursor(void);
void *_VLsdl_setcursor(void *cursor);

#endif
