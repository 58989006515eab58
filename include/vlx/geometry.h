/* Geometry: polygon meshes built through one construction protocol
 * (begin, new vertex, new polygon, add corners, close polygon, close
 * geometry), edited between beginedit and endedit, and the primitives
 * (block, sphere, rectangle). Only one geometry is under construction in the
 * process at a time. A geometry's colours are indexes into its material
 * table (vlx/mtable.h). Failures return false/null after a warning; a frozen
 * geometry refuses every modification. */
#ifndef VLX_GEOMETRY_H
#define VLX_GEOMETRY_H

#include <stdint.h>

struct VLnode;
struct VLmtable;
struct VLmtableuser;
struct VLgeometry;

/* Vertex flag bits. */
enum {
  VLVERTEX_USED = 1,      /* a polygon refers to it */
  VLVERTEX_COLOURED = 4,  /* colour holds a material-table index */
  VLVERTEX_MOVED = 16,    /* moved during the current edit */
  VLVERTEX_SMOOTH = 128   /* smooth normal to be computed at close */
};

/* Polygon flag bits (flags), second flags (flags2) and vertex flags. */
enum {
  VLPOLY_TWOSIDED = 1,
  VLPOLY_TINT = 2,        /* the texture tints the polygon's colour (model files) */
  VLPOLY_CONVEX = 16,
  VLPOLY_TOOLKIT = 32,    /* made by the toolkit's polygon constructors */
  VLPOLY_CREATED = 64,
  VLPOLY_DEGENERATE = 1,  /* flags2: fewer than 3 distinct corners */
  VLPOLY_VNORMALS = 1,    /* vertexflags: every corner has a normal */
  VLPOLY_VCOLOURS = 2     /* vertexflags: every corner has a colour */
};

/* Polygon corner limits. */
enum { VLPOLY_MINCORNERS = 3, VLPOLY_MAXCORNERS = 256 };

struct VLvertex {
  VLvertex *next;          /* next vertex of the geometry */
  float *normal;           /* 3 floats (VLmalloc), or null */
  float position[3];
  int32_t colour;          /* material-table index, valid with VLVERTEX_COLOURED */
  uint8_t flags;
  uint8_t spare;           /* zero */
};

/* One corner of a polygon. */
struct VLvertexref {
  VLvertex *vertex;
  VLvertexref *next;
};

struct VLpoly {
  void *attributes;        /* per-polygon rendering attributes, or null */
  float normal[3];         /* unit plane normal */
  float plane;             /* normal . any corner */
  float shading[4];        /* renderer's per-polygon data; zero here */
  VLgeometry *geometry;    /* owner (set when the polygon is closed) */
  VLvertexref *vertices;   /* corners in order */
  VLpoly *next;            /* next polygon of the geometry */
  uint8_t flags;
  uint8_t flags2;
  uint8_t vertexflags;     /* starts at 4 */
  int32_t colour;          /* material-table index, 0 at creation */
  uint16_t ncorners;       /* 3 to 256 */
};

/* One cell of a list of geometries (what the model readers return). */
struct VLgeomcell {
  VLgeometry *geometry;
  VLgeomcell *next;
};

typedef void (*VLgeometry_deletefn)(VLgeometry *g);

struct VLgeometry {
  VLnode *node;                 /* its Geometry node, or null */
  uint32_t creator;             /* 0 from the construction protocol */
  VLmtable *mtable;             /* colours of vertices and polygons */
  uint32_t frozen;              /* non-zero: every modification is refused */
  VLgeometry_deletefn deletefn; /* called with the geometry when it is deleted */
  void *rendercache;            /* renderer data; cleared by every modification */
  VLvertex *vertices;           /* vertex list */
  VLvertex *initialvertices;    /* copy taken at close (positions, normals) */
  VLvertex *lastvertex;         /* append point of the vertex list */
  char *name;                   /* owned; "untitled" unless named */
  float halfextents[3];
  float centre[3];
  float radius;                 /* length of the half-extents */
  uint8_t editing;
  uint8_t modified;
  uint32_t ownspolys;           /* 1: polygons are deleted with the geometry */
  int32_t npolys;               /* closed polygons */
  int32_t refcount;             /* 1 at creation */
  VLpoly *polys;                /* polygon list, newest first */
  VLmtableuser *mtableuser;     /* its cell in mtable's user list */
};

/* --- construction (one open geometry in the process) --- */
/* Opens a new geometry with its own material table (white at index 0);
 * null + warning while another is open. */
VLgeometry *VLgeometry_begin(void);
/* New vertex appended to g (and, while open, to the vertex table); null +
 * warning unless g is open or being edited. */
VLvertex *VLgeometry_newvertex(VLgeometry *g, const float position[3]);
/* Appends an existing vertex record; false + warning as above. */
bool _VLgeometry_addvertex(VLgeometry *g, VLvertex *v);
/* New unlinked polygon (flags 64 | 32); null for a null geometry. */
VLpoly *VLpoly_new(VLgeometry *g);
/* Adds the vertex of table index i as the next corner; false when p is
 * closed or not of the open geometry, or i is not a filled table slot. */
bool VLpoly_addvertex(VLpoly *p, int index);
/* Adds a vertex record as the next corner; false for null arguments or a
 * closed polygon. */
bool VLpoly_addvertexptr(VLpoly *p, VLvertex *v);
/* Closes p into its geometry (plane, coincident corners removed); false +
 * warning outside 3..256 corners (the caller then frees p with
 * VLpoly_delete); false for a polygon already closed. */
bool VLpoly_close(VLpoly *p);
/* Frees a polygon that was never closed into its geometry; a closed one
 * is left alone (its geometry owns it). */
void VLpoly_delete(VLpoly *p);
/* On: two-sided bit set; off: bits 1 and 2 cleared. Ignored when frozen. */
void VLpoly_setbothsides(VLpoly *p, bool on);
/* Closes the open geometry: unused vertices removed, smooth normals,
 * bounds, initial vertices. False + warning when g is not the open one;
 * false (g deleted) when fewer than 3 vertices remain. */
bool VLgeometry_close(VLgeometry *g);

/* --- editing --- */
/* False when already editing, frozen, or still open. */
bool VLgeometry_beginedit(VLgeometry *g);
/* Recomputes the planes of polygons with moved corners and, when anything
 * moved or was added, the bounds (the node is marked changed); false when
 * not editing. */
bool VLgeometry_endedit(VLgeometry *g);
/* Moves v (flagged moved while editing); false unless g is open or being
 * edited, or when frozen. */
bool VLvertex_setposition(VLgeometry *g, VLvertex *v, const float position[3]);
/* Copies v's position; false for a null vertex. */
bool VLvertex_getposition(VLgeometry *g, const VLvertex *v, float out[3]);
/* Sets v's normal; false for a zero vector or frozen geometry. */
bool VLvertex_setnormal(VLgeometry *g, VLvertex *v, const float normal[3]);
/* Colour by value (found in or added to g's table); false when refused. */
bool VLvertex_setrgb(VLgeometry *g, VLvertex *v, uint8_t r, uint8_t gr, uint8_t b);
/* Colour by table index; false for a negative index or frozen geometry. */
bool VLvertex_setcolorindex(VLgeometry *g, VLvertex *v, int index);
/* First vertex, or null. */
VLvertex *VLgeometry_getvertices(VLgeometry *g);
/* Next vertex, or null. */
VLvertex *VLvertex_next(VLvertex *v);
/* Removes the vertices no polygon uses (recount: recompute the used flags
 * from the polygons first). */
void VLgeometry_cleanvertices(VLgeometry *g, bool recount);
/* Polygon colour by value; ignored when frozen or the table refuses. */
void VLpoly_setrgb(VLpoly *p, uint8_t r, uint8_t g, uint8_t b);
/* Polygon colour by index; false for a negative index or frozen geometry. */
bool VLpoly_setcolorindex(VLpoly *p, int index);
/* This system keeps no prebuilt form: both do nothing and return false. */
bool VLgeometry_prebuild(VLgeometry *g);
bool VLgeometry_unprebuild(VLgeometry *g);
/* Replaces g's material table (moves g between the tables' users);
 * ignored when frozen. */
void VLgeometry_setmtable(VLgeometry *g, VLmtable *t);

/* --- bounds and whole-geometry operations --- */
/* Centre of the bounding box; false for a null geometry. */
bool VLgeometry_getmidpoint(VLgeometry *g, float out[3]);
/* Full size of the bounding box (twice the half-extents); false for null. */
bool VLgeometry_getextents(VLgeometry *g, float out[3]);
/* Moves every vertex and initial vertex, the planes and the centre;
 * ignored when frozen or for an offset of exactly zero. */
void VLgeometry_translate(VLgeometry *g, const float offset[3]);
/* Deep copy sharing the material table; null for null or open geometry. */
VLgeometry *VLgeometry_copy(VLgeometry *g);
/* Moves the vertices and polygons of every later geometry of the list
 * into the first one and deletes the later ones (their cells' geometry
 * pointers become null); then removes the first one's unused vertices. */
void VLgeometry_merge(VLgeomcell *list);
/* Drops one reference; at the last, frees g (and its Geometry node).
 * Returns the remaining reference count (0 when freed, -1 for null). */
int VLgeometry_delete(VLgeometry *g);

/* --- primitives (sizes below 0.004 in magnitude are refused: null) --- */
/* Box centred on the origin, name "block". */
VLgeometry *VLgeometry_newblock(float x, float y, float z, bool twosided);
/* Sphere of m latitudes (>= 2) and n longitudes (>= 3), name "sphere". */
VLgeometry *VLgeometry_newsphere(float radius, int latitudes, int longitudes,
                                 bool twosided, bool smooth);
/* One quadrilateral facing -z, name "rectangle"; sizes must be positive. */
VLgeometry *VLgeometry_newrectangle(float height, float width, bool twosided);
/* New vertices at the points and one polygon over them (count 3..256);
 * null with nothing left behind when it cannot be closed. g must be open or
 * being edited. */
VLpoly *VLpoly_frompoints(VLgeometry *g, const float *points, int count, bool twosided);

#endif
