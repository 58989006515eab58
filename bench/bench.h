/* The benchmark's process-wide state and the operations shared by the batch
 * interpreter and the windowed front end: start-up, the test scenes, the
 * rendering, vertex, texture and prebuild settings, and measurements. */
#ifndef VLX_BENCH_BENCH_H
#define VLX_BENCH_BENCH_H

#include <stdint.h>
#include <stdio.h>

#include <string>

struct VLnode;
struct VLgeometry;
struct VLvertex;
struct VLviewpoint;
struct VLwindow;
struct VLpath;
struct VLmtable;
struct VLsensor;

#define RIPPLE_SIDE 30

/* Limits of the test scenes and the render area, far above what a device
 * of today draws at an interactive rate; larger values are refused. */
#define BENCH_MAXGRID 100          /* grid size: a 1000 by 1000 grid, 10^6 quads */
#define BENCH_MAXMULTIPLIER 16     /* the grid drawn at most 16 times per frame */
#define BENCH_MAXLAYERS 10000      /* overwrite layers */
#define BENCH_MINAREA 100          /* render area edge: the render context's minimum */
#define BENCH_MAXAREA 4096         /* render area edge */

struct Bench {
  bool batchmode = false;
  FILE *batch = nullptr;
  const char *batchname = nullptr;
  bool batcheof = false;
  bool measuring = false;
  int32_t frames = 0;             /* F */
  int32_t polygons = 0;           /* D */
  int32_t start_s = 0, start_us = 0, stop_s = 0, stop_us = 0;
  bool terrain = false, ripple = false, overwrite = false;
  int32_t gridsize = 2;
  int32_t multiplier = 1;
  int32_t overwritecount = 0;
  bool quads = true;
  bool prebuild = false;
  uint8_t vertexflags = 3;        /* 1 vertex colours, 2 vertex normals */
  uint8_t rendering = 12;         /* copy of the universe rendering options */
  bool wireframe = false;
  uint8_t texturemode = 2;        /* 0 point, 1 bilinear, 2 mipmap */
  /* ripple */
  int32_t ripplerow = 15, ripplecolumn = 15;   /* source a (column), b (row) */
  float ripplephase = 0.0f;
  float rippledecay = 1.0f;
  float ripplespread = 0.74f;
  int32_t ripplecount = 0;
  bool buildingripple = false;
  bool resetting = false;         /* inside a scene builder's common reset */
  VLvertex *ripplevertices[RIPPLE_SIDE * RIPPLE_SIDE] = {};
  /* scene handles */
  VLnode *root = nullptr;
  VLviewpoint *viewpoint = nullptr;
  VLwindow *window = nullptr;
  VLpath *path = nullptr;
  VLsensor *sensor = nullptr;     /* the terrain scene's mouse sensor */
  VLnode *modelswitch = nullptr;
  std::string worlddir;           /* where "final.wrl" was found (its textures' names start so) */
  VLnode *scenenode = nullptr;    /* grid switch or Separator of the scene */
  VLnode *multiplier_group = nullptr;
  VLnode *templates[4] = {};      /* the grid variants' shared movable nodes */
  VLmtable *templatetables[4] = {};  /* their geometries' material tables */
  VLgeometry *ripplegeometry = nullptr;
  float texbox[2][3] = {};        /* texture box corners A and B */
  /* Front end hooks: the windowed program updates its menus after scene
   * changes and at the end of a measurement. */
  void (*onscene)(void) = nullptr;
  void (*onmeasured)(void) = nullptr;
  /* Report line 13 differs in the windowed program. */
  bool windowed = false;
};

Bench &bench(void);

/* Rendering toggle codes. */
enum { TOGGLE_TEXTURE = 0, TOGGLE_LIGHTING = 3, TOGGLE_SMOOTH = 7,
       TOGGLE_PERSPECTIVE = 31, TOGGLE_WIREFRAME = 127 };

/* The state both programs start from: quads, multiplier 1, prebuild off,
 * vertex flags 3, texture mode 2. */
void bench_initstate(void);
/* An argument "-b<file>" or "-B<file>" opens the batch file named right
 * after the letter and sets batch mode. Returns 1 for such an argument,
 * 0 for any other, -1 when the file cannot be opened. */
int bench_batchoption(const char *arg);

/* Start-up after the universe exists: path, lights, model switch, ripple
 * surface, window set-up, default grid; ends with the idle action installed. */
void bench_startup(void);

/* Flips one rendering option (or wireframe) and hands the result to the universe. */
void bench_togglerendering(int code);
/* Stores the vertex flags and selects the matching grid variant. */
void bench_setvertexflags(uint8_t flags);
/* Sets the texture filter of the benchmark's textures: 0 point, 1 bilinear, 2 mipmap. */
void bench_settexturemode(int mode);
/* Releases (and, when on, prebuilds) every geometry under a node. */
void bench_prebuildwalk(VLnode *node, bool on);
/* Stores the prebuild setting and walks the scene from the Root with it. */
void bench_setprebuild(bool on);

/* Range checks of the scene sizes: true when the value is within its
 * limits; otherwise the refusal is printed and the caller keeps the scene. */
bool bench_checkgrid(long long size);
bool bench_checkmultiplier(long long multiplier);
bool bench_checklayers(long long layers);

/* Test scenes. Sizes out of range are refused (checks above). */
void bench_gridscene(int size);
/* Sets the grid multiplier and rebuilds the grid with the current size. */
void bench_setmultiplier(int multiplier);
void bench_overwritescene(int count);
void bench_ripplescene(void);
void bench_terrainscene(void);
/* Deletes the terrain scene's mouse sensor, if there is one. */
void bench_deletesensor(void);
/* One step of the ripple animation. */
void bench_ripplestep(void);
/* The patch geometry of the grid and ripple scenes. */
VLgeometry *bench_patch(bool normals, bool colours, int w, int h, bool quads);

/* Measurements: start or cancel (batch "c", the "Measure" menu item). */
void bench_measure(void);
/* The settings printout, with or without the vertex line. */
void bench_printsettings(bool vertexline);

/* The action functions. */
void bench_idle(void);
void bench_rippleidle(void);
void bench_measuring(void);

/* The figures of one report, as printed (32-bit floats). Report A (grid
 * and overwrite) fills pixels, pixelsperpoly, megapixels and, for the grid,
 * the polygon rate; report B (ripple and terrain) the polygons drawn, the
 * average per frame and per second. */
struct BenchFigures {
  bool reportb = false;
  int width = 0, height = 0;      /* the window */
  float elapsed = 0.0f;           /* T */
  int frames = 0;                 /* 10 (report A) or F */
  float framerate = 0.0f;
  int polygons = 0;               /* P (report A) or D (report B) */
  int pixels = 0;                 /* X = W x H */
  float pixelsperpoly = 0.0f;
  bool hasrate = false;           /* the polygon rate is printed */
  float polyrate = 0.0f;          /* 10 P / T, or D / T */
  float perframe = 0.0f;          /* D / F */
  float megapixels = 0.0f;
  bool hastexmemory = false;      /* printed while texturing is on */
  long long texmemory = 0;
  int lastframe = 0;              /* polygons in the last frame */
  bool warning = false;           /* the high frame rate warning */
};

/* Results file (VLXRESULTS) and snapshot folder (VLXSNAPSHOTS): checked
 * once at start-up, with one warning for one that cannot be used. */
void bench_outputs_open(void);
/* After a report: its JSON line and the snapshot of the last frame, for
 * whichever of the two is in use. */
void bench_outputs_report(const BenchFigures &figures);
/* The measurement's scene and settings as a file name stem, for example
 * "grid20x20-quads-m1_640x480_n1c1_pb0_l1s1t0p0_mipmap". */
std::string bench_measurement_name(int width, int height);

/* Batch files: executes the next line (exits the process at the end of the
 * file or at an unknown command). */
void batch_next(void);
/* Executes one line as read from a batch file; false for an unknown command
 * (already reported). */
bool batch_line(char *line);

#endif
