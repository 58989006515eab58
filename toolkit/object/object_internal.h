/* Unchecked core of the objects family (objects, sequences, portals),
 * shared by its files: the family state, the pose arithmetic and the
 * object record's life cycle. Callers have checked their arguments. */
#ifndef VLX_OBJECT_OBJECT_INTERNAL_H
#define VLX_OBJECT_OBJECT_INTERNAL_H

#include "vlx/math.h"
#include "vlx/object.h"

/* Process-wide state of the family. */
struct VLobjectstate {
  VLp3 vpposition = {0, 0, 0};        /* the current viewpoint, noted each frame */
  VLq vporientation = {0, 0, 0, 1};
  bool attachnew = false;             /* new object nodes also go under the first Root */
};
VLobjectstate &_VLobjects(void);
/* Tests: back to the initial state. */
void _VLobjects_reset(void);

/* A world-frame motion: translation, then rotation about the pivot. */
struct VLmotion {
  VLp3 t;
  VLq r;                              /* normalised */
  bool translates, rotates;
};

/* --- poses --- */
/* The geometry-to-parent matrix of the object (build pose -> current pose). */
void _VLobject_posematrix(const VLobject *o, VLm4 *out);
/* Writes the pose matrix into the object node and marks the node changed. */
void _VLobject_updatenode(VLobject *o);
/* p' = (p - pivot).R(r) + pivot + t, each part only when present. */
void _VLmotion_point(const VLmotion *m, const VLp3 *pivot, VLp3 *p);
/* Applies a world-frame motion to the pose, pivot and corners (no checks). */
void _VLobject_apply(VLobject *o, const VLmotion *m);
/* The world-frame motion that takes the object to the pose. */
void _VLobject_motionto(const VLobject *o, const VLp3 *position, const VLq *q, VLmotion *out);

/* --- bounds --- */
/* Corners of the box min/max (corner i: x max when i >= 4, y max with bit
 * 1, z max with bit 0). */
void _VLbox_corners(const float min[3], const float max[3], VLp3 corners[8]);
/* Corners from the geometry's bounds (all zero without a geometry). */
void _VLobject_geometrycorners(VLobject *o);
/* Bounds from the geometry's vertices, position and pivot at their centre;
 * with align, turned to the principal axes. */
void _VLobject_frombounds(VLobject *o, bool align);

/* --- life cycle --- */
/* The object carrying this geometry, or null. */
VLobject *_VLobject_ofgeometry(const VLgeometry *g);
/* Unlinks the object from the universe, forgets it in the holders and
 * frees it (dropping its geometry reference); the node is not touched. */
void _VLobject_destroy(VLobject *o);

/* The box of the object's geometry placed by its orientation and position,
 * in the object node's parent frame; false when it has none. */
bool _VLobject_placedbox(VLobject *object, float centre[3], float halfextents[3]);

/* --- sequences and portals (content teardown) --- */
/* A destroyed node leaves every sequence. */
void _VLsequences_forgetnode(VLnode *node);
void _VLsequence_free(VLsequence *s);
void _VLportal_free(VLportal *p);

#endif
