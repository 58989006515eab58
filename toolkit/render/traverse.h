/* The render traversal state of one window: the matrix stack (level 0 is
 * the view matrix), the saved-matrix table of draw entries, the separator
 * levels with their light masks and material state, the view volume, the
 * saved fog and ambient values, the two draw lists and the polygon total.
 * Everything is kept between frames, so a warm traversal allocates
 * nothing. Shared by the traversal (scene) and the playback (display). */
#ifndef VLX_RENDER_TRAVERSE_H
#define VLX_RENDER_TRAVERSE_H

#include <stdint.h>

#include <vector>

#include "scene/state.h"
#include "scene/xf.h"

/* Material state of a level: diffuse (3), opacity, ambient (3), specular
 * (3), emission (3), shininess. */
enum { VLMS_DIFFUSE = 0, VLMS_OPACITY = 3, VLMS_AMBIENT = 4, VLMS_SPECULAR = 7,
       VLMS_EMISSION = 10, VLMS_SHININESS = 13, VLMS_COUNT = 14 };

struct VLmatrixlevel {
  VLxf xf;            /* the model-view matrix of this level */
  int saved;          /* index in the saved-matrix table, -1 while not copied */
};

struct VLseplevel {
  int matrixdepth;    /* matrix levels to restore at the level's end */
  uint8_t lightmask;  /* lights switched on inside the level */
  uint32_t changed;   /* material properties changed inside the level */
  int fog, ambient;   /* saved-value indexes, 0 none */
  float material[VLMS_COUNT];
  bool transformonly; /* an Xformsep level */
};

/* A saved fog (mode, end, start, colour) or ambient (colour) value, or a
 * material restore (mask and the level's material). */
struct VLsavedvalue {
  uint32_t mask;
  float v[VLMS_COUNT];
};

struct VLdrawentry {
  void *item;
  uint32_t word;      /* kind in the low byte, saved-matrix index above */
};

struct VLtraversal {
  std::vector<VLmatrixlevel> matrices;
  int depth = 0;                        /* matrix levels in use */
  std::vector<VLm4> saved;              /* saved-matrix table; 0 = the view */
  std::vector<VLseplevel> levels;
  int level = 0;
  float hither = 1.0f, yon = 65536.0f;
  float planes[4][4] = {};
  std::vector<VLsavedvalue> values;     /* index 0 unused (none) */
  std::vector<VLdrawentry> lists[2];
  uint32_t used[2] = {0, 0};            /* properties overridden per pass */
  int32_t polys = 0;                    /* polygons put on the lists */
  std::vector<VLboxcell *> boxes;       /* cells handed out this frame */
  std::vector<int> lightnumbers;        /* light-on entries' light numbers */
};

/* A fresh state for a frame: the view matrix on level 0, one separator
 * level with the default material, empty lists; box cells returned. */
void _VLtraversal_reset(VLtraversal *t, const VLm4 *view, float hither, float yon,
                        const float planes[4][4]);
void _VLtraversal_free(VLtraversal *t);
/* The saved-matrix index of the current level (copied on first use). */
uint32_t _VLtraversal_savecurrent(VLtraversal *t);
/* Appends an entry to list 0, 1 or both (list -1). */
void _VLtraversal_add(VLtraversal *t, int list, void *item, int kind, uint32_t matrix);

#endif
