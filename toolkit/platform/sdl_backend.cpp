/* The on-screen backend over SDL2: one SDL window per system window (title
 * "Vylmar"), SDL events translated into the window procedure's messages and
 * the toolkit key codes, frames copied into the window surface, the wait
 * cursor, and the fatal message box. */
#include <SDL.h>
#include <string.h>

#include "core/diag_internal.h"
#include "platform/platform_internal.h"
#include "vlx/window.h"

namespace {

VLsyswindow *owner_of(Uint32 id) {
  SDL_Window *s = SDL_GetWindowFromID(id);
  return s ? static_cast<VLsyswindow *>(SDL_GetWindowData(s, "vlx")) : nullptr;
}

void fatal_box(const char *title, const char *text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr);
}

/* The toolkit key code of a navigation or function key, or 0. */
int toolkit_key(SDL_Keycode k) {
  if (k >= SDLK_F1 && k <= SDLK_F12) return VLKEY_F1 + int(k - SDLK_F1);
  switch (k) {
    case SDLK_PAGEUP: return VLKEY_PAGEUP;
    case SDLK_PAGEDOWN: return VLKEY_PAGEDOWN;
    case SDLK_END: return VLKEY_END;
    case SDLK_HOME: return VLKEY_HOME;
    case SDLK_LEFT: return VLKEY_LEFT;
    case SDLK_UP: return VLKEY_UP;
    case SDLK_RIGHT: return VLKEY_RIGHT;
    case SDLK_DOWN: return VLKEY_DOWN;
    default: return 0;
  }
}

/* Keys that produce a control character on their own. */
int control_char(SDL_Keycode k) {
  switch (k) {
    case SDLK_RETURN: return 13;
    case SDLK_BACKSPACE: return 8;
    case SDLK_ESCAPE: return 27;
    case SDLK_TAB: return 9;
    default: return 0;
  }
}

void window_event(const SDL_WindowEvent &e) {
  VLsyswindow *w = owner_of(e.windowID);
  if (!w) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: _VLplatform_deliver(w, VLWM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_MOVED:
      w->x = e.data1;
      w->y = e.data2;
      _VLplatform_deliver(w, VLWM_MOVE, e.data1, e.data2);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      w->width = e.data1;
      w->height = e.data2;
      _VLplatform_deliver(w, VLWM_SIZE, e.data1, e.data2);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: _VLplatform_deliver(w, VLWM_SETFOCUS, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: _VLplatform_deliver(w, VLWM_KILLFOCUS, 0, 0); break;
    case SDL_WINDOWEVENT_SHOWN: _VLplatform_deliver(w, VLWM_SHOW, 1, 0); break;
    case SDL_WINDOWEVENT_HIDDEN: _VLplatform_deliver(w, VLWM_SHOW, 0, 0); break;
    default: break;
  }
}

int button_index(Uint8 b) { return b == SDL_BUTTON_LEFT ? 0 : b == SDL_BUTTON_RIGHT ? 1 : 2; }

/* Each UTF-8 code point of a text event becomes a character message. */
void text_event(const SDL_TextInputEvent &e) {
  VLsyswindow *w = owner_of(e.windowID);
  const unsigned char *s = reinterpret_cast<const unsigned char *>(e.text);
  for (size_t i = 0; w && s[i] && i < sizeof e.text;) {
    long cp = s[i];
    int len = cp < 0x80 ? 1 : cp < 0xE0 ? 2 : cp < 0xF0 ? 3 : 4;
    if (len > 1) cp &= 0x3F >> (len - 1);
    for (int k = 1; k < len && s[i + k]; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    _VLplatform_deliver(w, VLWM_CHAR, cp, 0);
    i += len;
  }
}

void key_event(const SDL_KeyboardEvent &e) {
  VLsyswindow *w = owner_of(e.windowID);
  if (!w) return;
  if (int code = toolkit_key(e.keysym.sym)) _VLplatform_deliver(w, VLWM_KEYDOWN, code, 0);
  if (int c = control_char(e.keysym.sym)) _VLplatform_deliver(w, VLWM_CHAR, c, 0);
}

void button_event(const SDL_MouseButtonEvent &e) {
  VLsyswindow *w = owner_of(e.windowID);
  if (!w) return;
  int msg = e.type == SDL_MOUSEBUTTONUP ? VLWM_BUTTONUP
            : e.clicks == 2               ? VLWM_BUTTONDBL
                                          : VLWM_BUTTONDOWN;
  _VLplatform_deliver(w, msg, button_index(e.button), 0);
}

}  // namespace

bool _VLsdl_init(void) {
  /* Frames arrive as pixels: copy them in software, so that SDL never makes
   * a GL context of its own beside the device's. */
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  /* Where the named display cannot be reached, SDL falls back to drivers
   * that show nothing; unless one was asked for, the toolkit's own off-screen
   * path is used instead, so that being on screen means a visible window. */
  const char *driver = SDL_GetCurrentVideoDriver();
  const char *asked = SDL_getenv("SDL_VIDEODRIVER");
  if (driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy")) &&
      !(asked && *asked)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  _VLmsg_setbox(fatal_box);
  return true;
}

void _VLsdl_shutdown(void) {
  _VLmsg_setbox(nullptr);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void _VLsdl_displaysize(int *width, int *height) {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
    *width = mode.w;
    *height = mode.h;
  }
}

bool _VLsdl_newwindow(VLsyswindow *w, int x, int y, int width, int height, bool border) {
  Uint32 flags = SDL_WINDOW_SHOWN | (border ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS);
  w->sdl = SDL_CreateWindow("Vylmar", x, y, width, height, flags);
  if (!w->sdl) return false;
  SDL_SetWindowData(w->sdl, "vlx", w);
  SDL_GetWindowPosition(w->sdl, &w->x, &w->y);
  SDL_GetWindowSize(w->sdl, &w->width, &w->height);
  return true;
}

bool _VLsdl_attach(VLsyswindow *w, uintptr_t native) {
  w->sdl = SDL_CreateWindowFrom(reinterpret_cast<const void *>(native));
  if (!w->sdl) return false;
  SDL_SetWindowData(w->sdl, "vlx", w);
  SDL_GetWindowPosition(w->sdl, &w->x, &w->y);
  SDL_GetWindowSize(w->sdl, &w->width, &w->height);
  return true;
}

void _VLsdl_destroywindow(VLsyswindow *w) {
  SDL_SetWindowData(w->sdl, "vlx", nullptr);
  SDL_DestroyWindow(w->sdl);
  w->sdl = nullptr;
}

/* Rows arrive bottom first; the window surface wants them top first, so
 * each row is converted into its mirrored place. */
void _VLsdl_present(VLsyswindow *w, const uint8_t *rgba, int width, int height) {
  SDL_Surface *dst = SDL_GetWindowSurface(w->sdl);
  if (!dst) return;
  int cw = width < dst->w ? width : dst->w;
  int ch = height < dst->h ? height : dst->h;
  if (SDL_LockSurface(dst) != 0) return;
  for (int y = 0; y < ch; ++y) {
    const uint8_t *src = rgba + size_t(height - 1 - y) * width * 4;
    uint8_t *out = static_cast<uint8_t *>(dst->pixels) + size_t(y) * dst->pitch;
    SDL_ConvertPixels(cw, 1, SDL_PIXELFORMAT_ABGR8888, src, width * 4, dst->format->format, out,
                      dst->pitch);
  }
  SDL_UnlockSurface(dst);
  SDL_UpdateWindowSurface(w->sdl);
}

void _VLsdl_capture(bool on) { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

bool _VLsdl_poll(void) {
  SDL_Event e;
  bool quit = false;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_WINDOWEVENT: window_event(e.window); break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: button_event(e.button); break;
      case SDL_MOUSEMOTION:
        if (VLsyswindow *w = owner_of(e.motion.windowID))
          _VLplatform_deliver(w, VLWM_MOUSEMOVE, e.motion.x, e.motion.y);
        break;
      case SDL_TEXTINPUT: text_event(e.text); break;
      case SDL_KEYDOWN: key_event(e.key); break;
      case SDL_QUIT: quit = true; break;
      default: break;
    }
  }
  return quit;
}

void *_VLsdl_waitcursor(void) {
  static SDL_Cursor *wait = nullptr;
  if (!wait) wait = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
  return wait;
}

void *_VLsdl_setcursor(void *cursor) {
  SDL_Cursor *old = SDL_GetCursor();
  if (cursor) SDL_SetCursor(static_cast<SDL_Cursor *>(cursor));
  return old;
}
