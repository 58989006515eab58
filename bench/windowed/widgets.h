/* The windowed benchmark's widget layer: a thin set of widget records over
 * Qt 6 Widgets. Every element (the application, the frame, the child window
 * that shows the rendered frames, the menu bar, popups and menu items) is a
 * record with a kind, a name, a parent and a list of callback slots; menu
 * items also carry a command identifier and can be grayed or renamed. The
 * benchmark code above this layer never includes a Qt header. */
#ifndef VLX_BENCH_WINDOWED_WIDGETS_H
#define VLX_BENCH_WINDOWED_WIDGETS_H

#include <stdint.h>

#include <string>
#include <vector>

/* Widget kinds. */
enum {
  WL_APPLICATION = 1,
  WL_WINDOW = 2,
  WL_MENUBAR = 9,
  WL_MENUITEM = 16,
  WL_POPUP = 17
};

/* Callback events: 4 a menu command, 5 the frame is being closed, 6 the
 * child window changed size. */
enum { WL_EVENT_COMMAND = 4, WL_EVENT_CLOSE = 5, WL_EVENT_SIZE = 6, WL_EVENT_MOUSE = 7 };

/* A mouse event in the child window (WL_EVENT_MOUSE): what happened, the
 * button (0 left, 1 right, 2 middle) and the position in the window. */
enum { WL_MOUSE_MOVE = 0, WL_MOUSE_DOWN = 1, WL_MOUSE_UP = 2, WL_MOUSE_DOUBLE = 3 };
struct WidgetMouse {
  int event, button, x, y;
};

struct Widget;
typedef void (*WidgetCallback)(Widget *widget, uintptr_t clientdata);

struct WidgetCallbackSlot {
  int event;
  WidgetCallback fn;
  uintptr_t clientdata;
};

struct Widget {
  int kind;
  std::string name;                 /* a copy; menu items: the text at creation */
  Widget *parent;
  std::vector<WidgetCallbackSlot> callbacks;
  int command;                      /* menu items: command identifier, else 0 */
  void *native;                     /* the Qt object behind the record */
};

/* --- application and windows --- */
/* The application record ("TopLevel"); Qt removes its own options from the
 * arguments. */
Widget *wl_application(int &argc, char **argv, const char *name);
/* A frame window at (x, y) with the given outer size. */
Widget *wl_frame(Widget *app, const char *title, int x, int y, int width, int height);
/* New outer size of a frame, as the user gives it by dragging its border. */
void wl_resize(Widget *frame, int width, int height);
/* The frame's central child window, which shows the frames handed to it;
 * its size stays from minimum to maximum in both directions, and it fires
 * WL_EVENT_SIZE whenever its size changes and WL_EVENT_MOUSE for every
 * mouse event over it. */
Widget *wl_view(Widget *frame, const char *name, int minimum, int maximum);
/* Sizes the frame so that its child window is exactly width x height
 * below the menu bar (as far as the frame's own minimum allows). */
void wl_view_fit(Widget *view, int width, int height);
/* The child window's last mouse event (during WL_EVENT_MOUSE). */
WidgetMouse wl_view_mouse(Widget *view);
/* The child window's current size. */
void wl_view_size(Widget *view, int *width, int *height);
/* Hands a finished frame (RGBA, bottom row first) to the child window. */
void wl_view_setframe(Widget *view, const uint8_t *rgba, int width, int height);
/* Saves what the child window shows (PPM by a ".ppm" name, else by suffix);
 * false when it cannot. */
bool wl_view_save(Widget *view, const char *file);
/* Saves the frame with its menu bar as the display shows it; false when it cannot. */
bool wl_frame_save(Widget *frame, const char *file);
void wl_show(Widget *window);
/* Asks the window to close, as its close button does. */
void wl_close(Widget *window);
/* Hides the frame and releases it once control is back in the event loop. */
void wl_destroy(Widget *window);

/* --- menus --- */
Widget *wl_menubar(Widget *frame);
/* A popup in the menu bar or in another popup. */
Widget *wl_popup(Widget *parent, const char *text);
/* A menu item with the next command identifier; grayed items start disabled. */
Widget *wl_menuitem(Widget *popup, const char *text, bool grayed);
/* Opens a popup of the menu bar as a click on its title would. */
void wl_popup_open(Widget *popup);
/* Enable (true) or gray (false). */
void wl_enable(Widget *item, bool on);
bool wl_enabled(const Widget *item);
/* New text; the command identifier stays. */
void wl_settext(Widget *item, const char *text);
std::string wl_text(const Widget *item);
/* Chooses a menu item as the user would: nothing happens when it is grayed.
 * False when no item has that identifier. */
bool wl_choose(int command);
/* The menu item whose current text, or else whose name, equals the text
 * (blanks at either end ignored); null when none. */
Widget *wl_finditem(const char *text);
/* The popup with that title, or null. */
Widget *wl_findpopup(const char *text);

/* --- callbacks --- */
void wl_addcallback(Widget *widget, int event, WidgetCallback fn, uintptr_t clientdata);

/* --- the loop --- */
/* Installs the idle function, called again and again whenever no window
 * message is pending (null: none). */
void wl_setidle(void (*fn)(void));
/* Runs the message loop; returns the status given to wl_quit. */
int wl_run(Widget *app);
void wl_quit(int status);

/* A file-open dialog with the filter "App Files (pattern)" and "All Files
 * (*.*)"; the chosen path, or "" when cancelled. */
std::string wl_openfile(Widget *parent, const char *pattern);

#endif
