/* Objects, sequences and portals.
 *
 * An object is a movable rigid body: a geometry with a pose (position and
 * orientation), a pivot and a bounding box, held by an object node in the
 * scene graph. Its geometry keeps the frame it was built in; the object
 * node's matrix carries the motion since then (build pose -> current pose),
 * and the render traversal multiplies it in. Moves are relative motions in
 * the object's own frame, the world frame or the current viewpoint's frame.
 * A sequence shows one node of a list at a time, stepping at an interval.
 * A portal is a polygon that loads another universe when the viewpoint
 * passes through it. All three live in lists of the current universe.
 * Failures: null arguments make an operation return false / null / 0 and
 * change nothing. */
#ifndef VLX_OBJECT_H
#define VLX_OBJECT_H

#include <stdint.h>

#include "vlx/math.h"

struct VLgeometry;
struct VLnode;
struct VLpoly;
struct VLobject;

/* Draw function of an object; null means the standard geometry draw. */
typedef void (*VLobjectdraw)(VLobject *object);

/* Object flags (the flags byte). */
enum { VLOBJECT_FIXED = 16 };   /* every move is ignored */

/* Per-frame bits (frameflags), kept by the simulation loop. */
enum {
  VLOBJFRAME_CHANGED = 1,       /* the pose changed in this frame */
  VLOBJFRAME_RETIRE = 4,        /* retire: kept, no longer compared */
  VLOBJFRAME_RETIRED = 8,       /* retired (motion links skip it) */
  VLOBJFRAME_DELETE = 16        /* deleted by the next flag handling */
};

/* Render-flags byte: follow the window's wireframe setting / always wireframe. */
enum { VLOBJRENDER_DEFAULT = 64, VLOBJRENDER_WIREFRAME = 128 };

/* Move frames. */
enum { VLFRAME_OWN = 0, VLFRAME_WORLD = 1, VLFRAME_VIEWPOINT = 2 };

struct VLobject {
  uint32_t kind;
  VLgeometry *geometry;         /* may be null */
  uint32_t words[2];
  VLp3 pivot;                   /* centre of rotation */
  uint32_t reserved[2];
  uint32_t drawword;
  VLobjectdraw draw;            /* null: the standard geometry draw */
  uint32_t drawwords[2];
  uint8_t renderflags;          /* 64 at creation */
  uint32_t renderword;
  VLp3 position;                /* current pose */
  VLq orientation;
  VLposq built;                 /* the pose its geometry was built in */
  VLposq spare;                 /* zero position, identity orientation */
  VLp3 corners[8];              /* bounding box, world frame */
  VLposq *lastpose;             /* when attached: pose copied after every move */
  VLnode *node;                 /* the object node holding it */
  uint8_t flags;                /* VLOBJECT_FIXED */
  uint8_t updatemotion;         /* every move also updates the motion record */
  void *motion;                 /* attached motion record (opaque here) */
  int32_t further[5];           /* 0, 0, 1, 1, 0 */
  /* per-frame state */
  uint8_t frameflags;           /* VLOBJFRAME_* */
  uint8_t moved;                /* CHANGED bit of the last frame */
  uint8_t hidden;               /* the render traversal skips it */
  uint32_t counter;             /* cleared when retired */
  VLposq previous;              /* pose at the last comparison */
  char *name;                   /* owned, or null */
  VLobject *next;               /* universe's object list */
};

/* One record of universe loading: it holds one object. */
struct VLobjectholder {
  VLobject *object;
  VLobjectholder *next;
};

/* --- objects --- */
/* New object carrying the geometry (or none) at the origin, appended to the
 * universe's list, with its own object node. A geometry without a node is
 * handed over to the object; when it has a Geometry node, the object node
 * takes that node's place under its parents (the Geometry node moves to the
 * orphan holder) and the object takes a reference of its own. Otherwise the
 * new node sits under the orphan holder. Null without a universe or when
 * the geometry already belongs to an object. */
VLobject *VLobject_new(VLgeometry *geometry);
/* The object of a Geometry node: bounds from its vertices, position and
 * pivot at their centre, name from the node; align turns it to the
 * principal axes (the geometry is rotated into the object's frame). The
 * object node takes the Geometry node's place as in VLobject_new. Null for a
 * node that is not a Geometry node, has no geometry, or whose geometry
 * already belongs to an object. */
VLobject *VLobject_newfromnode(VLnode *geometrynode, int align);
/* Removes it from the universe's list, deletes its node (and the node's
 * subtree) and the motion links that move it, drops its geometry reference
 * and frees it. Null is ignored. */
void VLobject_delete(VLobject *object);
/* Moves it in the world frame to the position; ignored when fixed. */
void VLobject_setposition(VLobject *object, const VLp3 *position);
/* Turns it in the world frame to the orientation; warns "Invalid quaternion
 * passed to VLobject_setorientation.\n" for a quaternion with all four
 * components below 0.004 in magnitude; ignored when fixed. */
void VLobject_setorientation(VLobject *object, const VLq *q);
/* Relative motion: translation (3 floats) then rotation quaternion (4,
 * normalised here) in frame VLFRAME_OWN, _WORLD or _VIEWPOINT: a rotation
 * about the pivot, then the translation. Ignored when fixed, for any other
 * frame, and for a motion with neither part (a rotation with zero x, y, z
 * counts as none; one with |w| < 0.004 as well stops the move). */
void VLobject_move(VLobject *object, const float motion[7], int frame);
/* The object's node (made when missing). */
VLnode *VLobject_getnode(VLobject *object);
/* Current pose; false for null arguments. */
bool VLobject_getposition(VLobject *object, VLp3 *out);
bool VLobject_getorientation(VLobject *object, VLq *out);
/* Hidden objects are skipped by the render traversal. */
void VLobject_sethidden(VLobject *object, bool hidden);
/* Fixed objects ignore every move. */
void VLobject_setfixed(VLobject *object, bool fixed);
/* Asks the loop to delete it at the next flag handling (safe inside a frame). */
void VLobject_requestdelete(VLobject *object);
/* Whether new object nodes are also appended to the first Root (off at
 * first). */
void VLobject_setattachnew(bool on);
/* The universe's first object, or null; then object->next. */
VLobject *VLuniverse_getobjects(void);
/* A holder of the object appended to the universe's holder list (what
 * universe loading makes); null without a universe or object. Holders are
 * freed with the universe's content; a deleted object leaves its holders
 * empty. */
VLobjectholder *VLobjectholder_new(VLobject *object);

/* --- sequences --- */
/* Sequence mode bits. */
enum { VLSEQ_REPEAT = 1, VLSEQ_REVERSE = 2 };
/* Sequence state bits. */
enum { VLSEQ_FINISHED = 1, VLSEQ_STOPREQUEST = 2, VLSEQ_STOPPED = 4, VLSEQ_DELETEREQUEST = 8 };
/* Directions. */
enum { VLSEQ_FORWARD = 1, VLSEQ_BACKWARD = 2 };

struct VLsequence {
  VLnode **nodes;               /* owned copy of the list */
  uint8_t *saved;               /* owned: each node's enabled bit beforehand */
  int count;
  double laststep;              /* toolkit clock seconds */
  double interval;              /* seconds */
  int current;                  /* -1: none shown */
  int nextindex;
  int direction;                /* VLSEQ_FORWARD or VLSEQ_BACKWARD */
  uint32_t mode;                /* VLSEQ_REPEAT | VLSEQ_REVERSE */
  uint32_t state;               /* VLSEQ_* state bits */
  VLsequence *next;
};

/* New sequence over a copy of the node list, every node hidden, the first
 * shown at the first update; appended to the universe's list. Null without
 * a universe, for a count below 1, a null node, or a negative interval.
 * When the sequence is freed its nodes get their enabled bits back. */
VLsequence *VLsequence_new(VLnode *const *nodes, int count, double interval, uint32_t mode);
/* Asks the sequence to stop (its node is hidden at the next update). */
void VLsequence_stop(VLsequence *s);
/* Asks for deletion: stopped at the next update, freed at the one after;
 * tasks keyed by it are marked deleted. */
void VLsequence_delete(VLsequence *s);

/* --- portals --- */
struct VLportal {
  char *target;                 /* owned universe file name */
  uint8_t active;               /* 1 at creation */
  VLpoly *poly;                 /* not owned: its geometry owns it */
  VLgeometry *geometry;         /* the polygon's geometry, of which it holds a reference */
  float previous;               /* signed value of the last test; 0: none */
  VLportal *next;
};

/* New active portal through the polygon to the universe file, appended to
 * the universe's list; null without a universe or for null arguments. */
VLportal *VLportal_new(VLpoly *poly, const char *target);
/* Unlinks and frees it (not its polygon). */
void VLportal_delete(VLportal *portal);
/* True when the current viewpoint has passed through the portal's polygon
 * since the previous test. */
bool VLportal_crossed(VLportal *portal);

#endif
