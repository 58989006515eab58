/* The universe: the one simulation state of the process, its simulation
 * loop (VLuniverse_go runs frames, VLuniverse_go1 runs one) and the frame
 * clock. Every list of the toolkit hangs off the universe and is freed by
 * VLuniverse_delete. Single-threaded: the loop, the action function and
 * rendering all run on the thread that called VLuniverse_go. */
#ifndef VLX_UNIVERSE_H
#define VLX_UNIVERSE_H

#include <stdint.h>

#include "vlx/diag.h"  /* the clock and the program kind */

struct VLviewpoint;
struct VLwindow;
struct VLobjectholder;
struct VLportal;
struct VLsensor;
struct VLobject;
struct VLsequence;
struct VLpath;
struct VLlight;
struct VLmotionlink;
struct VLnode;
struct VLsettings;

/* Rendering-options bits. 128 or more is stored as exactly 128 (wireframe). */
enum {
  VLRENDER_TEXTURE = 1,
  VLRENDER_LIGHTING = 4,
  VLRENDER_SMOOTH = 8,
  VLRENDER_PERSPECTIVE = 32,
  VLRENDER_WIREFRAME = 128
};

/* Codes of the per-frame events, run in the universe's event order. */
enum {
  VLEVENT_ACTION = 1,     /* the application's action function */
  VLEVENT_MOTION = 2,     /* motion links and sequences */
  VLEVENT_TASKS = 3,      /* the task list */
  VLEVENT_PATHS = 4       /* recording and playing paths */
};

/* Value of the renderer-ready marker once the renderer start-up completed. */
#define VLRENDERER_READY 0x22

/* One cell of the universe's list of scene roots. */
struct VLrootcell {
  VLnode *node;
  VLrootcell *next;
};

/* Bounds filled by VLuniverse_load: six floats, then a scale (1.0). */
struct VLbounds {
  float min[3], max[3];
  float scale;
};

typedef void (*VLaction)(void);

struct VLuniverse {
  char *name;                       /* "untitled" at creation */
  VLviewpoint *viewpoint;           /* current viewpoint */
  VLviewpoint *viewpoints;          /* all viewpoints */
  VLwindow *windows;                /* all windows, in creation order */
  VLobjectholder *holders;          /* object holders from universe loading */
  VLobjectholder *holder;           /* current holder (head, after ready) */
  uint32_t bgcolor;                 /* 0x00RRGGBB */
  VLportal *portals;
  uint16_t nevents;                 /* 4 */
  uint16_t events[4];               /* 1, 2, 3, 4 */
  VLsensor *sensors;
  VLobject *objects;
  VLsequence *sequences;
  VLpath *paths;
  VLlight *lights[3];               /* the three light lists */
  float ambient;                    /* ambient intensity */
  uint8_t ambientrgb[3];            /* ambient colour r, g, b */
  uint8_t renderchanged;            /* options switched wireframe <-> solid */
  uint8_t renderchanged_aux;        /* the byte after it, cleared with it */
  uint8_t prevrenderchanged;        /* copy of renderchanged at frame end */
  float framerate;                  /* frames/s over the last 30 frames */
  uint32_t framecount;              /* frames run since creation */
  VLaction action;                  /* event 1; a do-nothing function at first */
  uint8_t running;                  /* 1 while VLuniverse_go loops */
  uint8_t unchanged;                /* 1 after a frame was rendered */
  uint8_t two;                      /* set to 2 at creation; unused */
  uint8_t rendering;                /* rendering options, 13 at creation */
  uint8_t portalsenabled;           /* 1 at creation */
  VLsettings *settings;             /* initialisation settings (owned) */
  uint8_t ready;                    /* VLRENDERER_READY after renderer start-up */
  VLmotionlink *motionlinks;
  VLrootcell *roots;                /* scene roots */
  float scale[3];                   /* 1.0 each; unused */
  float contentscale;               /* float after the content lists; 1.0 */
  void *world;                      /* shared-world record (unused here) */
};

/* --- creation and teardown --- */
/* Creates the universe (banner, settings, viewpoint, renderer). When the
 * renderer start-up does not complete, the current universe is none. */
void VLuniverse_new(int configuration, int flags);
/* Tears everything down; the current universe becomes none. No-op without one. */
void VLuniverse_delete(void);
/* The current universe, or null. */
VLuniverse *VLuniverse_current(void);

/* --- the loop --- */
/* Prepares objects and the scene for the first frame. */
void VLuniverse_ready(void);
/* Runs frames until VLuniverse_stop; warns and returns when re-entered. */
void VLuniverse_go(void);
/* Runs one frame; warns and does nothing when re-entered. */
void VLuniverse_go1(void);
/* The loop ends after the frame in progress. */
void VLuniverse_stop(void);
/* Installs the action function of event 1 (null: the do-nothing function). */
void VLuniverse_setactions(VLaction fn);

/* --- settings --- */
void VLuniverse_setbgcolor(uint8_t r, uint8_t g, uint8_t b);
/* Stores options (128 or more as 128); a wireframe <-> solid switch marks
 * the options changed for one frame. */
void VLuniverse_setrendering(uint8_t options);
VLviewpoint *VLuniverse_getviewpoint(void);
/* Ignored when the viewpoint is not in the universe's viewpoint list. */
void VLuniverse_setviewpoint(VLviewpoint *vp);
VLviewpoint *VLuniverse_getviewpoints(void);
VLwindow *VLuniverse_getwindows(void);
/* First Root of the root list, or null. */
VLnode *VLuniverse_getrootnode(void);

/* --- universe files --- */
/* Replaces the universe content with a universe file; false (with a
 * warning where one applies) when it cannot. */
bool VLuniverse_load(const char *name, VLbounds *bounds, float scale);
/* Empties the universe content (objects, portals, sequences, holders). */
void VLuniverse_clear(void);

#endif
