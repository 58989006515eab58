/* The benchmark's process-wide state and the operations shared by the batch
 * interpreter and the windowed front end. */
#ifndef VLX_BENCH_BENCH_H
#define VLX_BENCH_BENCH_H

#include <stdint.h>
#include <stdio.h>

struct VLnode;

struct Bench {
  bool batchmode = false;
  FILE *batch = nullptr;
  const char *batchname = nullptr;
  bool batcheof = false;
  bool measuring = false;
  int32_t frames = 0;
  int32_t polygons = 0;
  int32_t start_s = 0, start_us = 0, stop_s = 0, stop_us = 0;
  bool terrain = false, ripple = false, overwrite = false;
  int32_t gridsize = 2;
  int32_t multiplier = 1;
  int32_t overwritecount = 0;
  bool quads = true;
  bool prebuild = false;
  uint8_t vertexflags = 3;      /* 1 vertex colours, 2 vertex normals */
  uint8_t rendering = 12;       /* copy of the universe rendering options */
  bool wireframe = false;
  uint8_t texturemode = 2;      /* 0 point, 1 bilinear, 2 mipmap */
  VLnode *root = nullptr;
  VLnode *scenenode = nullptr;  /* grid switch or Separator of the scene */
};

Bench &bench(void);

/* Rendering toggle codes. */
enum { TOGGLE_TEXTURE = 0, TOGGLE_LIGHTING = 3, TOGGLE_SMOOTH = 7,
       TOGGLE_PERSPECTIVE = 31, TOGGLE_WIREFRAME = 127 };

/* Flips one rendering option (or wireframe) and hands the result to the universe. */
void bench_togglerendering(int code);
/* Stores the vertex flags and selects the matching grid variant. */
void bench_setvertexflags(uint8_t flags);
/* Sets the texture filter of the benchmark's textures: 0 point, 1 bilinear, 2 mipmap. */
void bench_settexturemode(int mode);
/* Stores the prebuild setting and walks the scene from the Root with it. */
void bench_setprebuild(bool on);

/* Test scenes and measurements. */
void bench_gridscene(int size);
void bench_overwritescene(int count);
void bench_ripplescene(void);
void bench_terrainscene(void);
void bench_measure(void);

/* The action functions. */
void bench_idle(void);

/* Batch files: executes the next line (exits the process at the end of the
 * file or at an unknown command). */
void batch_next(void);
/* Executes one line as read from a batch file; false for an unknown command
 * (already reported). */
bool batch_line(char *line);

#endif
