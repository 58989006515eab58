/* The renderer: start-up (the 3D device, base windows), one render context
 * per window, one frame for every window, shutdown. Transformation and
 * lighting run on the device; the toolkit walks the scene, culls, picks
 * back faces and batches polygons into execute buffers. */
#ifndef VLX_RENDERER_H
#define VLX_RENDERER_H

#include <stdint.h>

struct VLwindow;
struct VLlight;
struct VLtraversal;

/* The five materials of a render context. */
enum {
  VLMAT_DEFAULT = 0,      /* lit, untextured */
  VLMAT_BACKGROUND = 1,
  VLMAT_TEXTURED = 2,     /* lit, textured */
  VLMAT_TEXTUREDUNLIT = 3,
  VLMAT_UNLIT = 4,        /* carries the drawing colour when lighting is off */
  VLMAT_COUNT = 5
};

struct VLmaterialslot {
  uint32_t handle;
  float diffuse[4], ambient[4], specular[4], emissive[4];
  float power;
  uint32_t texture;
  int rampsize;
};

struct VLlightslot {
  uint8_t on;
  int type;                      /* 0 directional, 1 point, 2 spot */
  float color[4];
  float position[3];             /* as given (world); the device gets view space */
  float direction[3];
  float range, falloff;
  float attenuation[3];
  float theta, phi;
};

/* One per window. */
struct VLrendercontext {
  int32_t x, y, width, height;   /* client area; at least 100 x 100 */
  int32_t bufwidth, bufheight;   /* size of the buffers */
  VLwindow *window;
  int target;                    /* the device's render target */
  float world[16], view[16], projection[16];
  VLlightslot lights[8];
  VLmaterialslot materials[VLMAT_COUNT];
  uint32_t texture;              /* current texture handle */
  uint8_t *execbuffer;           /* 49152 bytes: vertices, then instructions */
  uint8_t *statebuffer;          /* 8192 bytes */
  uint8_t *pixels;               /* read-back frame for on-screen copies */
};

/* Per-window state of the render traversal and playback. */
struct VLrenderstate {
  float viewrot[9];              /* the view matrix's 3x3, row by row */
  float viewtrans[3];            /* the view matrix's translation row */
  float eye[3];                  /* eye position (world; during playback in the
                                    coordinates of the entry being drawn) */
  float viewdir[3];              /* direction towards the viewer (parallel projection) */
  float planes[4][4];            /* culling side planes (y and z negated) */
  float hither, yon;
  uint32_t windowbit;            /* 1 << window number */
  uint32_t flags;                /* 128 smooth shading, 16 second pass, 1 parallel */
  int32_t polys;                 /* polygons emitted this frame */
  VLtraversal *traversal;        /* the render traversal's state (kept between frames) */
};

/* Renderer settings, created by VLrenderer_init. */
struct VLrenderersettings {
  float ambient[4];              /* universe ambient colour x intensity / 255 */
  VLlight *lights[8];
  uint8_t uploaded[8];
  uint8_t ambientuploaded;
  int32_t maxtexsize;            /* VLXMAXTEXSIZE, 1024 */
  uint8_t sqrtex;                /* VLXSQRTEX */
  int32_t display;               /* main display index, 0 */
};

/* The display table (one display). */
struct VLdisplay {
  int32_t width, height;
  int32_t active;                /* 1 */
  int32_t reserved;              /* 0 */
  int32_t processor;             /* -1 */
};

/* Starts the renderer for the current universe: version and device lines,
 * the device (once per run), base windows by configuration (1 one window,
 * 2 stereo pair, 4 full screen, 8 geometry with flag 0x100, 512 none); sets
 * the universe's ready marker when it completed. */
void VLrenderer_init(int configuration, int flags);
/* Renders every window of the current universe once. */
void VLrenderer_frame(void);
/* Releases what VLrenderer_init made. */
void VLrenderer_close(void);
/* The renderer settings, or null before VLrenderer_init. */
VLrenderersettings *VLrenderer_settings(void);
/* The display table entry, or null. */
VLdisplay *VLrenderer_display(int index);
/* Reads back a window's last frame into a caller's buffer of width x height
 * RGBA pixels, bottom row first. The part of the frame that fits is copied
 * with its bottom-left corner at the buffer's; buffer pixels outside the
 * frame become black. Nothing is written past width x height pixels. False
 * (buffer untouched) when the window has no render context, the buffer is
 * null or a size is below 1. */
bool VLrenderer_readpixels(VLwindow *window, uint8_t *rgba, int width, int height);
/* Writes a window's last frame to a PNG file (8-bit RGBA, top row first).
 * False when the window has no render context or the file cannot be
 * written (a partial file is removed). */
bool VLrenderer_savepng(VLwindow *window, const char *file);

/* The 3D device in use, as the device line names it. */
struct VLdevicedesc {
  const char *vendor, *renderer, *version;   /* owned by the device */
  bool hardware;                              /* a GPU driver, not the software device */
};
/* False (the record untouched) before the renderer opened a device. */
bool VLrenderer_device(VLdevicedesc *out);

/* Render contexts (made by window creation; sizes below 100 become 100). */
VLrendercontext *VLrendercontext_new(VLwindow *window, int width, int height, int x, int y);
void VLrendercontext_delete(VLrendercontext *context);
/* Keeps the buffers when the new size fits them; otherwise recreates them. */
void VLrendercontext_resize(VLrendercontext *context, int width, int height);
void VLrendercontext_select(VLrendercontext *context);

#endif
