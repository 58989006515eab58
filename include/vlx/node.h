/* The scene graph: a directed acyclic graph of typed nodes. Grouping nodes
 * hold ordered child lists; every parent-child edge is its own link record,
 * so a shared subtree is stored once and reached once per path. A node
 * without a real parent sits under a hidden orphan holder until attached or
 * deleted. Attribute state (transforms, materials, lights) applies to the
 * siblings after it and leaks out of Groups; Separators confine all of it,
 * Xformseps the transform only. Bounds of grouping nodes are cached and
 * recomputed lazily under the changed bits. Every walk is iterative, so the
 * depth and width of a scene are limited only by memory.
 * Failures: a null node, a bad index or a wrong node type make an operation
 * return false, null, 0 or -1 and change nothing. */
#ifndef VLX_NODE_H
#define VLX_NODE_H

#include <stdint.h>
#include <stdio.h>

#include "vlx/math.h"

struct VLgeometry;
struct VLgeomcell;
struct VLlight;
struct VLobject;
struct VLmtable;
struct VLnode;
struct VLnodelink;

/* --- node type codes (the type byte) --- */
typedef uint8_t VLnodetype;
enum {
  VLNODE_XFORM = 1,
  VLNODE_LOD = 2,
  VLNODE_MLOD = 3,          /* reported for a movable Lod, never stored */
  VLNODE_SWITCH = 4,
  VLNODE_MSWITCH = 5,       /* reported only */
  VLNODE_GEOMETRY = 6,
  VLNODE_MGEOMETRY = 7,     /* reported only */
  VLNODE_GROUP = 8,
  VLNODE_SEPARATOR = 9,
  VLNODE_MSEPARATOR = 10,   /* reported only */
  VLNODE_OBJECT = 11,
  VLNODE_LIGHT = 12,
  VLNODE_MLIGHT = 13,       /* reported only */
  VLNODE_ANCHOR = 14,
  VLNODE_INLINE = 15,
  VLNODE_XFORMSEP = 16,
  VLNODE_MATERIAL = 17,
  VLNODE_FOG = 18,
  VLNODE_AMBIENT = 19,
  VLNODE_RENDERING = 20,    /* reported only */
  VLNODE_ROOT = 21,
  VLNODE_LINK = 22,         /* a VLnodelink */
  VLNODE_ENDSEPARATOR = 23, /* render traversal marker */
  VLNODE_ENDXFORMSEP = 24,  /* render traversal marker */
  VLNODE_MTABLE = 26        /* temporary, while a VRML file is converted */
};

/* --- node flag bits --- */
enum {
  VLNODEFLAG_ENABLED = 1,      /* the render traversal skips a node without it */
  VLNODEFLAG_CHANGED = 4,      /* bounds must be recomputed */
  VLNODEFLAG_ORPHANHOLDER = 8,
  VLNODEFLAG_SHOWBOX = 16,     /* draw the bounding box */
  VLNODEFLAG_BOUNDSVALID = 32,
  VLNODEFLAG_MOVABLE = 64,     /* outside of a movable node */
  VLNODEFLAG_DEEPCONTENT = 128 /* the movable content sits one level deeper */
};
/* Flags of new nodes. */
enum { VLNODEFLAGS_NEWGROUP = 5, VLNODEFLAGS_NEWLEAF = 1 };

/* --- link flag bits --- */
enum { VLLINKFLAG_CREATED = 1, VLLINKFLAG_CHANGED = 4 };

/* Switch selections besides a child index. */
enum { VLSWITCH_NONE = -1, VLSWITCH_ALL = -3 };
/* Separator and Root culling modes: 1 never culls, anything else culls. */
enum { VLCULL_NEVER = 1, VLCULL_DEFAULT = 3 };
/* Xform matrix kind bits: 0 identity, 2 translation only. */
enum { VLXFORM_ROTATES = 1, VLXFORM_TRANSLATES = 2 };
/* Frames of VLxformnode_translate. */
enum { VLXFORM_FRAMELOCAL = 0, VLXFORM_FRAMEPARENT = 3 };
/* Results of VLnode_gettransform. */
enum { VLTRANSFORM_NONE = 0, VLTRANSFORM_GENERAL = 1, VLTRANSFORM_TRANSLATION = 2 };
/* Light kinds made by VLdirlightnode_new / VLpointlightnode_new. */
enum { VLLIGHTKIND_DIRECTED = 0, VLLIGHTKIND_POINT = 1 };

/* --- records --- */
/* The two bytes every node, link and traversal marker starts with: walk
 * stacks hold pointers to this and dispatch on the type. */
struct VLnodebase {
  uint8_t type;
  uint8_t flags;
};

/* Common header of every node. */
struct VLnode : VLnodebase {
  uint16_t nparents;       /* real parents (orphan holder links do not count) */
  VLnodelink *firstlink;   /* first parent link; null for Roots and the holder */
  void *user;              /* zero at creation; free for the owner */
  char *name;              /* owned, or null */
};

/* One parent-child edge. */
struct VLnodelink : VLnodebase {
  uint16_t spare;          /* zero */
  VLnode *parent;          /* grouping node or the orphan holder */
  uint32_t words[2];       /* zero */
  VLnodelink *nextinstance;/* next parent link of the same child */
  VLnodelink *tailorprev;  /* first link: last link of the chain (null when
                              alone); other links: the previous link */
  VLnodelink *nextsibling; /* next child link of the same parent */
  VLnodelink *prevsibling;
  VLnode *child;
};

/* Group part: every grouping node and the object node. Group, Xformsep. */
struct VLgroupnode : VLnode {
  VLnodelink *firstchild, *lastchild;  /* both null when empty */
  float centre[3];         /* bounds, valid while VLNODEFLAG_BOUNDSVALID */
  float halfextents[3];
  float radius;
};
struct VLswitchnode : VLgroupnode {
  int32_t which;           /* -1 none, -3 all, n >= 0 child n */
};
/* Separator and Root. */
struct VLsepnode : VLgroupnode {
  int32_t culling;         /* VLCULL_NEVER or any other value */
};
struct VLlodnode : VLgroupnode {
  float lodcentre[3];      /* in the node's frame */
  int32_t nranges;
  float *ranges;           /* owned; squared switch distances */
};
struct VLanchornode : VLgroupnode {
  char *url;               /* owned, or null */
};
struct VLinlinenode : VLgroupnode {
  char *file;              /* owned, or null */
};
struct VLobjectnode : VLgroupnode {
  VLobject *object;
  VLm4 matrix;             /* the object's matrix, kept by the objects family */
};
struct VLxformnode : VLnode {
  VLm4 matrix;             /* row vectors, translation in the last row */
  uint32_t kind;           /* VLXFORM_ROTATES | VLXFORM_TRANSLATES */
};
struct VLgeometrynode : VLnode {
  VLgeometry *geometry;    /* owned; its node field points back here */
};
struct VLlightnode : VLnode {
  VLlight *light;          /* owned; its first field points back here */
  int32_t on;              /* 1 at creation */
};
struct VLambientnode : VLnode {
  float colour[3];         /* 1, 1, 1 */
  float intensity;         /* 0.4 */
};
struct VLmaterialnode : VLnode {
  float diffuse[3];
  float opacity;
  float ambient[3];
  float specular[3];
  float emission[3];
  float shininess;
  uint32_t mask;           /* material property bits of the values present */
};
struct VLfognode : VLnode {
  float colour[4];
  float start;
  float end;               /* 0: the far clipping distance */
  int32_t mode;            /* 0: no fog */
};
struct VLmtablenode : VLnode {
  VLmtable *table;
  uint32_t zero;
};

/* --- constructors (a null parent means the orphan holder; a parent that
 *     is not a grouping node after movable resolution gives null) --- */
/* New Root appended to the universe's roots; null without a universe. */
VLnode *VLrootnode_new(void);
VLnode *VLgroupnode_new(VLnode *parent);
VLnode *VLsepnode_new(VLnode *parent);
VLnode *VLswitchnode_new(VLnode *parent);
VLnode *VLlodnode_new(VLnode *parent);
VLnode *VLxformsepnode_new(VLnode *parent);
VLnode *VLanchornode_new(VLnode *parent);
VLnode *VLinlinenode_new(VLnode *parent);
VLnode *VLxformnode_new(VLnode *parent);
VLnode *VLambientnode_new(VLnode *parent);
VLnode *VLmtablenode_new(VLnode *parent);
/* Null when the geometry is null or already has a node. */
VLnode *VLgeometrynode_new(VLnode *parent, VLgeometry *geometry);
/* Light node for an existing light; null when the light is null or already
 * has a node. The light's back pointer is set to the node. */
VLnode *VLlightnode_new(VLlight *light, VLnode *parent);
/* New directed light (default direction) / point light (at the origin) and
 * its Light node; null when the light cannot be made. */
VLnode *VLdirlightnode_new(VLnode *parent);
VLnode *VLpointlightnode_new(VLnode *parent);
/* The object's node, made on the first call under the orphan holder; null
 * when the object cannot carry a node. */
VLnode *VLobjectnode_new(VLobject *object);

/* --- movable nodes --- */
/* Movable Separator under the parent: its own Xform, then a Geometry node
 * for the geometry; null (nothing made) when the Geometry node cannot be. */
VLnode *VLmovablegeometrynode_new(VLnode *parent, VLgeometry *geometry);
/* A second movable node under the parent sharing the content of an existing
 * one (reported type 3, 5, 7 or 10); null otherwise or when the parent lies
 * inside the shared content. */
VLnode *VLmovablenode_instance(VLnode *parent, VLnode *movable);
/* Children of a movable node whose content carries VLNODEFLAG_DEEPCONTENT:
 * the content's children from index 1 on; 0 / null otherwise. */
int VLmovablenode_numchildren(VLnode *movable);
VLnode *VLmovablenode_getchild(VLnode *movable, int index);
/* VLxformnode_settranslation on the movable node's Xform. */
bool VLmovablenode_settranslation(VLnode *movable, const float t[3]);

/* --- edges --- */
/* False for a null or Root child, a non-grouping parent, a cycle, or a
 * child that already has 65535 parents. */
bool VLnode_addchild(VLnode *parent, VLnode *child);
/* As addchild, the child getting that index; false for index < 0 or past
 * the child count (index == count appends). */
bool VLnode_insertchild(VLnode *parent, VLnode *child, int index);
/* Removes the edge at index; a child left without parents moves to the
 * orphan holder. False when there is no such edge. */
bool VLnode_removechild(VLnode *parent, int index);
/* Removes the edge at index and destroys the child when no parent remains. */
bool VLnode_deletechild(VLnode *parent, int index);
/* Removes every parent edge; the node moves to the orphan holder. False for
 * a Root. */
bool VLnode_detach(VLnode *node);
/* Destroys the node and the descendants no other parent holds; false for a
 * Root. */
bool VLnode_delete(VLnode *node);

/* --- queries --- */
/* Children of the content node: 0 / null for leaves and bad indexes. */
int VLnode_numchildren(VLnode *node);
VLnode *VLnode_getchild(VLnode *node, int index);
int VLnode_numparents(VLnode *node);
/* Stores an owned copy (null removes the name); warns "Could not find node
 * name" when the old name is missing from the table, and renames anyway. */
bool VLnode_setname(VLnode *node, const char *name);
const char *VLnode_getname(VLnode *node);
/* Reported type: content's code (Ambient reports 12), plus 1 for a movable
 * node; 0 for null. */
int VLnode_gettype(VLnode *node);
int VLnode_ismovable(VLnode *node);
/* Bounds of a grouping node (recomputed when changed) or of a Geometry
 * node's geometry: false / -1.0 when there are none. */
bool VLnode_getmidpoint(VLnode *node, float out[3]);
float VLnode_getradius(VLnode *node);
/* True when node lies in candidate's subtree or is candidate. */
bool VLnode_isdescendant(VLnode *node, VLnode *candidate);
/* Geometry and object nodes only: marks the node and its ancestors changed
 * when its changed bit is clear. */
void VLnode_markchanged(VLnode *node);

/* --- type-specific operations (movable nodes resolve to their content) --- */
/* Accepts n >= 0, VLSWITCH_NONE and VLSWITCH_ALL only. */
bool VLswitchnode_setwhich(VLnode *node, int which);
/* Stores count squared distances (count 0 or null clears); false for a
 * negative count. */
bool VLlodnode_setranges(VLnode *node, const float *distances, int count);
/* Writes the distances back; false when capacity < count. */
bool VLlodnode_getranges(VLnode *node, float *out, int capacity);
bool VLlodnode_setcenter(VLnode *node, const float centre[3]);
/* Replace the owned text (null clears). */
bool VLanchornode_seturl(VLnode *node, const char *url);
bool VLinlinenode_setfile(VLnode *node, const char *file);

/* --- transforms (movable nodes resolve to their Xform) --- */
/* Copies the first three columns of every row; recomputes the kind. */
bool VLxformnode_setmatrix(VLnode *node, const VLm4 *m);
bool VLxformnode_getmatrix(VLnode *node, VLm4 *out);
/* Sets the translation row; a zero translation (either sign) clears the
 * translation kind bit. */
bool VLxformnode_settranslation(VLnode *node, const float t[3]);
/* Frame VLXFORM_FRAMELOCAL adds t turned by the node's 3x3, frame
 * VLXFORM_FRAMEPARENT adds t unchanged; other frames are refused. */
bool VLxformnode_translate(VLnode *node, const float t[3], int frame);
bool VLxformnode_setorientation(VLnode *node, const VLq *q);
bool VLxformnode_getorientation(VLnode *node, VLq *out);
/* Net transform of the sibling list that starts at a first child link:
 * VLTRANSFORM_NONE, _TRANSLATION or _GENERAL, and the matrix. */
int VLnode_gettransform(VLnodelink *firstlink, VLm4 *out);
/* Accumulated transform along a node path (parent-child links from a Root
 * downwards); false when a link is not among its parent's children. */
bool VLnodepath_gettransform(VLnodelink *const *links, int count, VLm4 *out);

/* --- loading model files (types from vlx/file.h) --- */
/* One cell of a list of nodes (what the model loaders return). */
struct VLnodecell {
  VLnode *node;
  VLnodecell *next;
};
/* Number of load parameters handed to the geometry readers. */
enum { VLLOAD_NPARAMS = 7 };
/* What the geometry readers' node entries return: one Geometry node (a
 * movable one when flag is set) per geometry of the list, under the orphan
 * holder and named after its geometry, in reverse order; the list cells
 * are freed, a geometry whose node cannot be made is deleted. */
VLnodecell *_VLnode_fromgeometries(VLgeomcell *list, int flag);
/* Finds name along VLMODELS (an "http://" name goes to the VRML reader),
 * detects its type from its first bytes and attaches what its reader makes
 * under parent (null: the orphan holder); the first node made, or null
 * after a warning ("Nonsensical scale factor.", "Couldn't find file",
 * "Unknown file type", a reader not built yet). The scale reaches only the
 * geometry formats. */
VLnode *VLnode_load(VLnode *parent, const char *name, float scale);
/* Runs the geometry reader of type on the open stream (which it closes):
 * the list of geometries (release the cells with free()), or null. The
 * parameters are reset to six zeros and 1.0 first. Null with "Unknown file
 * type: %d of file %s" for a type without a geometry reader. */
VLgeomcell *VLgeometry_load(FILE *stream, const char *name, int type,
                            float params[VLLOAD_NPARAMS], float scale, int flag);

/* --- whole scenes --- */
/* Empties every Root and the orphan holder; with freeroots also frees the
 * Roots, the universe's root list and the cached walk buffers. */
void VLscene_deleteall(int freeroots);

#endif
