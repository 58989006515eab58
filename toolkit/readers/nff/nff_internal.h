/* The part both neutral-file readers share: building one geometry
 * (vertices, texture coordinates, polygons with their colour, sides,
 * texture and portal), ending it (ignored and valid polygon counts, the
 * shared material table), and ending the file (merging, completion,
 * portal records). The readers only decode their form and call these. */
#ifndef VLX_READERS_NFF_NFF_INTERNAL_H
#define VLX_READERS_NFF_NFF_INTERNAL_H

#include <stdint.h>

#include <string>
#include <vector>

#include "vlx/nff.h"

struct VLgeometry;
struct VLgeomcell;
struct VLmtable;
struct VLpoly;
struct VLvertex;

/* Most corners of one polygon. */
enum { VLNFF_MAXINDICES = 256 };
/* Longest binary string. */
enum { VLNFF_MAXSTRING = 80 };
/* Smallest rotation, scale change and offset that count. */
#define VLNFF_EPSILON 0.004f

/* A polygon whose portal tag names a universe file. */
struct VLnffportal {
  VLpoly *poly;
  std::string target;
};

/* What a polygon line says besides its corners. */
struct VLnffpoly {
  int colour = -1;             /* material index, -1: none given */
  bool both = false;
  bool tint = false;
  bool textured = false;
  char mode = 0;               /* texture mode letter */
  std::string texture;         /* texture name */
  float rotation = 0.0f, scale = 1.0f, offset[2] = {0.0f, 0.0f};
  bool mirror = false;
  std::vector<std::string> portals;
  int id = 0;
};

/* The geometry being read. */
struct VLnffgeom {
  VLgeometry *g = nullptr;
  std::vector<VLvertex *> vertices; /* index -> vertex */
  std::vector<float> uv;            /* 2 per vertex once any has them */
  std::vector<uint8_t> hasuv;
  int valid = 0, ignored = 0;
  bool mergetable = false;          /* its own table joins the shared one */
  std::vector<VLnffportal> portals;
};

/* The file being read. */
struct VLnfffile {
  const char *path;
  const VLnffoptions *options;
  VLmtable *shared = nullptr;       /* table handed to the next geometry */
  std::vector<VLmtable *> versions; /* shared tables, each a prefix of the next */
  std::vector<VLgeometry *> geometries;
  std::vector<VLnffportal> portals;
};

/* Result of ending a geometry. */
enum VLnffend { VLNFF_KEPT, VLNFF_DROPPED, VLNFF_DISCARDED };

/* Opens a geometry named name; false when one is already open. */
bool _VLnff_begin(VLnffgeom &s, const std::string &name);
/* Deletes the geometry being read. */
void _VLnff_discard(VLnffgeom &s);
/* New vertex at the position times the scale. */
VLvertex *_VLnff_vertex(VLnffgeom &s, const VLnfffile &f, const float position[3]);
/* Texture coordinates of vertex index i. */
void _VLnff_setuv(VLnffgeom &s, int i, float u, float v);
/* Entry of a colour in the geometry's table (found or added), or -1. */
int _VLnff_colour(VLnffgeom &s, uint8_t r, uint8_t g, uint8_t b);
/* Closes the polygon of these vertex indexes and gives it what the line
 * said; false when it does not close (the caller reports it; the polygon is
 * freed and counted as ignored). */
bool _VLnff_closepoly(VLnffgeom &s, VLpoly *p, const int *indices, int n, VLnffpoly &a);
/* End of a geometry's polygons: messages, its table, completion. */
VLnffend _VLnff_end(VLnffgeom &s, VLnfffile &f);
/* Gives a new geometry the shared table (or a new colour table when
 * makenew and none is shared). */
void _VLnff_sharetable(VLnffgeom &s, VLnfffile &f, bool makenew);
/* The geometry read its own table: attach it (merged into the shared one
 * at its end when shared and one is shared). */
void _VLnff_owntable(VLnffgeom &s, VLnfffile &f, VLmtable *t, bool shared);
/* End of the file: merging, portals, the list (null when empty). */
VLgeomcell *_VLnff_finish(VLnfffile &f, bool distinct);
/* The view's defaults, and a direction into its orientation. */
void _VLnff_resetview(VLview *view);
void _VLnff_setviewdir(VLview *view, const float dir[3], bool ignorezero);

#endif
