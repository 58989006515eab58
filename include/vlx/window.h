/* Windows and the initialisation file. The window options block (VLsettings)
 * holds the defaults and what the initialisation file sets; universe
 * creation reads it once. Windows (at most 8) each have a viewpoint, a scene
 * root, a background colour, a projection and their own render context;
 * they receive keyboard and mouse input for the toolkit. */
#ifndef VLX_WINDOW_H
#define VLX_WINDOW_H

#include <stdint.h>

struct VLviewpoint;
struct VLnode;
struct VLrendercontext;
struct VLrenderstate;
struct VLsyswindow;
struct VLwindow;

#define VLWINDOW_MAX 8

/* Toolkit key codes queued for function and navigation keys. */
enum {
  VLKEY_F1 = 0x423,     /* F1 .. F12 are 0x423 .. 0x42E */
  VLKEY_F12 = 0x42E,
  VLKEY_HOME = 0x42F,
  VLKEY_PAGEUP = 0x431,
  VLKEY_END = 0x437,
  VLKEY_PAGEDOWN = 0x439,
  VLKEY_UP = 0x3E8,
  VLKEY_DOWN = 0x3E9,
  VLKEY_RIGHT = 0x3EA,
  VLKEY_LEFT = 0x3EB
};

/* VLwindow_new flags: no border; bits 4-7 hold the display index. */
enum { VLWINDOW_NOBORDER = 1, VLWINDOW_DISPLAYINDEX = 2 };

/* Projection modes. */
enum { VLPROJ_PERSPECTIVE = 1, VLPROJ_STEREO = 2, VLPROJ_OFFAXIS = 3, VLPROJ_PARALLEL = 4 };

struct VLfrustum {
  float left, right, top, bottom, hither, yon;
};

typedef void (*VLdrawcallback)(VLwindow *window);

/* A window record, in the universe's window list in creation order. */
struct VLwindow {
  bool attached;                 /* adopted an existing system window */
  VLrendercontext *context;
  VLdrawcallback draw2d, draw3d;
  uint8_t in3d, in2d;            /* inside a draw callback */
  int32_t mode;                  /* drawing mode: 1 draws */
  VLviewpoint *viewpoint;
  VLviewpoint *viewpoint2;       /* eye 1 outside drawing mode 1 */
  VLnode *root;
  VLrenderstate *renderstate;
  int32_t numpolys;              /* polygons drawn in the last frame */
  uint32_t bgcolor;              /* 0xRRGGBB */
  int32_t eye;                   /* 0 left, 1 right */
  int32_t width, height, x, y;   /* client size, screen position */
  float aspect;
  int32_t display;
  uint32_t state;                /* bit 0 visible */
  uint8_t drawing;               /* 0: skipped by the renderer */
  VLsyswindow *syswindow;
  int32_t projection;            /* VLPROJ_*, 1 at creation */
  VLfrustum frustum[2];          /* per eye */
  float hither, yon, t, ta;      /* near, far, tan(half fov), t * aspect */
  uint32_t flags;                /* creation flags */
  int32_t number;                /* slot number 0..7 */
  VLwindow *next;
};

/* Mouse state kept by the window procedure (buttons: 0 left, 1 right, 2 middle). */
struct VLmousestate {
  uint8_t down[3], pressed[3], released[3], doubleclick[3];
  VLwindow *window;              /* the window under the mouse */
  int32_t x, y;
};

/* --- windows --- */
/* A new window, or null (with a warning past 8 windows). */
VLwindow *VLwindow_new(int x, int y, int width, int height, int flags);
/* A window record over an existing native window (size 64 x 64 until its
 * first size message), or null. */
VLwindow *VLwindow_attach(uintptr_t native, int flags);
/* Unknown windows are ignored. */
void VLwindow_delete(VLwindow *window);
/* Modes 1..4; others ignored. */
void VLwindow_setprojection(VLwindow *window, int mode);
/* Eye 0 or 1 (others ignored); near below 0.004 becomes 0.004. */
void VLwindow_setfrustum(VLwindow *window, int eye, float left, float right, float bottom,
                         float top, float hither, float yon);
/* Near below 0.004 becomes 0.004. */
void VLwindow_sethither(VLwindow *window, float hither);
void VLwindow_getposition(VLwindow *window, int *x, int *y, int *width, int *height);
/* The window's client area has a new size (a front end that shows the
 * window in a widget of its own calls this when the widget is resized): it
 * goes through the window procedure's size message, so the record and the
 * render context follow. Unknown windows and sizes below 1 are ignored. */
void VLwindow_setsize(VLwindow *window, int width, int height);
void VLwindow_setbgcolor(VLwindow *window, uint32_t rgb);
void VLwindow_setviewpoint(VLwindow *window, VLviewpoint *vp);
/* 0 or 1; others ignored. */
void VLwindow_seteye(VLwindow *window, int eye);
/* Polygons drawn in the window's last frame. */
int VLwindow_numpolys(VLwindow *window);
/* Installs the draw callbacks (either may be null). */
void VLwindow_setcallbacks(VLwindow *window, VLdrawcallback draw3d, VLdrawcallback draw2d);

/* --- input --- */
/* Mouse events that a front end tells for a window it shows in a widget of
 * its own (VLwindow_mouse). */
enum { VLMOUSE_MOVE = 0, VLMOUSE_DOWN = 1, VLMOUSE_UP = 2, VLMOUSE_DOUBLE = 3 };
/* Mouse input for such a window: the pointer at (x, y) in the client area,
 * then, for the button events, button 0 left, 1 right or 2 middle goes down,
 * up or double-clicks. It goes through the window procedure as from a
 * system window, so the mouse state and the mouse sensor follow. Unknown
 * windows, events and buttons are ignored. */
void VLwindow_mouse(VLwindow *window, int event, int button, int x, int y);
/* The next queued key or character code, or 0 when the queue is empty. */
int VLkey_get(void);
/* The mouse state; the pressed, released and double-click flags are events
 * that the reader clears. */
VLmousestate *VLmouse_state(void);

/* Geometry flag bits: x counts from the right edge, y from the bottom edge. */
enum { VLGEOM_XNEGATIVE = 16, VLGEOM_YNEGATIVE = 32 };

/* The window options block, one per universe. */
struct VLsettings {
  uint32_t geomflags;        /* 0 */
  int32_t x, y;              /* 0, 0 */
  int32_t width, height;     /* 640, 480 */
  uint32_t bgcolor;          /* 0x0000FF */
  int32_t word1;             /* 1 */
  int32_t word2;             /* 0 */
  int32_t word3;             /* 13 */
  float ambient;             /* 0.4 */
  uint32_t ambientrgb;       /* 0xFFFFFF */
  float halffov;             /* 0.6981317 (40 degrees) */
  float hither;              /* 1.0 */
  float yon;                 /* 65536.0 */
  uint8_t coplanar;          /* 0 */
  uint8_t old3ds;            /* 0 */
  uint8_t byte1;             /* 0 */
  uint8_t oldwfront;         /* 0 */
  uint8_t verbose;           /* 0: verbose geometry-completion messages */
  uint8_t writeuv;           /* 0 */
  uint8_t write12;           /* 1 */
  uint8_t bytes[6];          /* 0, 0, 1, 1, 0, 0 */
  uint8_t pumpmessages;      /* 1: the loop dispatches window messages */
};

/* Fills the options block with its defaults. */
void VLsettings_setdefaults(VLsettings *s);
/* Reads the initialisation file into the current universe's options block. */
void VLini_read(void);

/* --- initialisation file --- */
/* Size of the path buffer that VLini_find fills. */
#define VLINI_PATHSIZE 128
/* Finds the initialisation file of a program or base name: the name up to
 * the first "." of its last component, plus ".ini"; a bare name means the
 * current directory ("./" is put before it). True with the path left in path
 * (VLINI_PATHSIZE bytes); false when there is no such readable regular file,
 * with "Path to initialization file is too long\n" when the name is longer
 * than 123 characters (120 for a bare name). */
bool VLini_find(const char *name, char *path);
/* The resource table: name/value pairs consulted before the file (exact,
 * case-sensitive names). Process-wide and kept across universes, so a
 * program can fill it before VLuniverse_new. Sets or replaces a copy of
 * value; a null value removes the entry; false for a null or empty name. */
bool VLini_setresource(const char *name, const char *value);
/* The table's value for name, or null. */
const char *VLini_getresource(const char *name);
/* Empties the resource table. */
void VLini_clearresources(void);

#endif
