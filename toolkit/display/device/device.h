/* The toolkit's 3D device interface. The renderer talks only to this: a
 * device table filled by enumeration, the selection rule, and one open
 * device (VLdevice) with render targets, matrices, lights, materials,
 * textures and execute buffers (execute.h). Backends: gl/ (OpenGL 3.3 core
 * over EGL, egl/ enumerates and makes contexts) and null/ (counts work,
 * draws nothing; for fast tests). No file above this folder includes a GL
 * header. The folder depends on nothing of the toolkit but core/: the
 * texture, render and display families all draw through it.
 *
 * One permitted exception: the performance harness (perf/) includes the GL
 * backend's private shader header (gl/gl_shaders.h) so that its reference
 * drawing runs the same shader program as the device, on the same EGL
 * context. Nothing in the toolkit or the programs may do so. */
#ifndef VLX_DISPLAY_DEVICE_DEVICE_H
#define VLX_DISPLAY_DEVICE_DEVICE_H

#include <stddef.h>
#include <stdint.h>

#define VLDEVICE_MAX 5

/* Colour models a device offers (bits). The one software rasteriser Mesa
 * enumerates stands for both the RGB and the ramp software device. */
enum { VLCOLORMODEL_RAMP = 1, VLCOLORMODEL_RGB = 2 };

/* One entry of the device table. */
struct VLdevinfo {
  char name[32];            /* NUL-terminated */
  char description[128];    /* NUL-terminated */
  uint8_t hardware;         /* a GPU driver */
  uint8_t perspective;      /* perspective-correct texturing */
  uint8_t colormodels;      /* VLCOLORMODEL_* bits */
  int depthbits;            /* 16, 24, 32, 8 or 0 */
  int backendindex;         /* the backend's own index of the device */
};

/* Work the device accepted, counted per frame (reset by the renderer). */
struct VLdevstats {
  uint32_t executions;      /* executions that drew primitives */
  uint32_t stateexecutions; /* executions of states only */
  uint32_t triangles;
  uint32_t lines;
  uint32_t points;
  uint32_t vertices;        /* vertices processed */
  uint32_t statechanges;    /* render and light states set */
  uint32_t drawcalls;       /* primitive submissions */
  uint32_t clears;
  uint32_t maxtriangles;    /* most primitives in one execution */
};

/* Material description (colours r, g, b, a). */
struct VLmaterialdesc {
  float diffuse[4];
  float ambient[4];
  float specular[4];
  float emissive[4];
  float power;
  uint32_t texture;         /* texture handle, 0 none */
  int rampsize;
};

enum { VLLIGHT_DIRECTIONAL = 0, VLLIGHT_POINT = 1, VLLIGHT_SPOT = 2 };

/* Light description, in view coordinates. */
struct VLlightdesc {
  int type;                 /* VLLIGHT_* */
  float color[4];
  float position[3];
  float direction[3];
  float range, falloff;
  float attenuation[3];
  float theta, phi;         /* spot cone, radians */
};

enum { VLMATRIX_WORLD = 0, VLMATRIX_VIEW = 1, VLMATRIX_PROJECTION = 2 };
#define VLDEVICE_LIGHTS 8

class VLdevice {
 public:
  virtual ~VLdevice() {}
  virtual const char *vendor() const = 0;
  virtual const char *renderer() const = 0;
  virtual const char *version() const = 0;

  /* Render targets: colour RGBA8 + 16-bit depth of the given size. */
  virtual int newtarget(int width, int height) = 0;      /* 0 on failure */
  virtual void deletetarget(int target) = 0;
  virtual void selecttarget(int target) = 0;
  virtual void viewport(int x, int y, int width, int height) = 0;
  virtual void clear(const float rgba[4]) = 0;           /* colour and depth */
  virtual void setmatrix(int which, const float m[16]) = 0;
  /* World matrices by handle (1..65535) for the transform-state code of
   * execute buffers; handle 0 is the one setmatrix(VLMATRIX_WORLD) sets. */
  virtual void setworldmatrix(uint32_t handle, const float m[16]) = 0;

  /* Lights (8 slots) and the packed ambient colour 0xAARRGGBB. */
  virtual void setlight(int slot, const VLlightdesc *desc) = 0;
  virtual void lighton(int slot, bool on) = 0;

  /* Materials: handles from 1. */
  virtual uint32_t newmaterial(void) = 0;
  virtual void setmaterial(uint32_t handle, const VLmaterialdesc *desc) = 0;
  virtual void deletematerial(uint32_t handle) = 0;

  /* Textures: RGBA, bottom row first; handles from 1. */
  virtual uint32_t newtexture(int width, int height, const uint8_t *rgba) = 0;
  virtual void deletetexture(uint32_t handle) = 0;

  /* Executes an execute buffer (execute.h): vertexcount vertices at the
   * start, instructions from instroffset, instrlength bytes. */
  virtual void execute(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
                       uint32_t instrlength) = 0;

  /* Waits until the device has finished all work. */
  virtual void finish(void) = 0;
  /* Reads the bottom-left width x height pixels of the selected target as
   * RGBA, bottom row first, into rows of rowlength pixels (rowlength >=
   * width); the caller keeps the area inside the target. */
  virtual void readpixels(int width, int height, int rowlength, uint8_t *rgba) = 0;
  /* Tests: on, every draw goes through one general program that takes any
   * state as data; off (the default), through programs made for the state
   * in force. Both give the same pixels. */
  virtual void generalshading(bool on) { (void)on; }

  VLdevstats stats = {};

 protected:
  /* Counts an accepted execution; call before the walk adds its primitives
   * (begincount) and after it (count). */
  void begincount(void) { counted_ = stats.triangles + stats.lines + stats.points; }
  void count(bool accepted) {
    uint32_t prims = stats.triangles + stats.lines + stats.points - counted_;
    if (!accepted) return;
    if (prims) stats.executions++;
    else stats.stateexecutions++;
    if (prims > stats.maxtriangles) stats.maxtriangles = prims;
  }

 private:
  uint32_t counted_ = 0;
};

/* --- the device table and the open device --- */
/* Enumerates the devices of the backend in use into the table; count. */
int _VLdevice_enumerate(void);
int _VLdevice_count(void);
const VLdevinfo *_VLdevice_info(int index);
/* The selection rule: the last hardware entry with perspective texturing
 * and a depth buffer, unless hardware is not allowed or there is none; then
 * the last software entry offering the wanted colour model. -1: none. */
int _VLdevice_choose(bool hardwareallowed, bool softwarergb);
/* Opens the chosen device; false when it cannot be opened. */
bool _VLdevice_open(int index);
/* The open device, or null. */
VLdevice *_VLdevice(void);
void _VLdevice_close(void);
/* Tests: replaces the device table (the selection rule's input). */
void _VLdevice_settable(const VLdevinfo *entries, int count);
/* Tests: the null backend replaces the GL one (before enumeration). */
void _VLdevice_usenull(bool on);
bool _VLdevice_isnull(void);

#endif
