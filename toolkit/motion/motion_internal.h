/* Shared core of the motion family (links, paths, markers) and its
 * process-wide state: how many marker nodes exist, so that node deletion
 * looks through the path records only while there are any. The link and
 * path lists themselves are the universe's. One accessor, one reset. */
#ifndef VLX_MOTION_MOTION_INTERNAL_H
#define VLX_MOTION_MOTION_INTERNAL_H

#include "vlx/motion.h"

struct VLuniverse;

struct VLsensor;

struct VLmotionstate {
  int markernodes;     /* marker nodes made and not yet deleted */
  /* A sensor's motion of this frame (translation and rotation), registered
   * by the devices family when it makes a sensor; false or unset: the
   * sensor gives none and links from it move nothing. */
  bool (*sensormotion)(VLsensor *sensor, VLp3 *translation, VLq *rotation);
};

VLmotionstate &_VLmotion(void);
/* Tests: forget the counters (after VLuniverse_delete). */
void _VLmotion_reset(void);

/* Whether a singly linked list (by next) holds this record. */
template <typename T>
bool _VLlist_holds(const T *head, const T *record) {
  for (const T *r = head; r; r = r->next)
    if (r == record) return true;
  return false;
}

/* --- links --- */
/* A node is freed: links that move it are deleted, markers forget it. */
void _VLmotionlinks_cancelnode(VLnode *node);
/* Frees every link of the universe (teardown). */
void _VLmotionlinks_freeall(VLuniverse *u);
/* Moves a sensor link's target by a translation and rotation. */
void _VLmotionlink_applysensor(VLmotionlink *link, const VLp3 *translation, const VLq *rotation);
/* A placement clamped by the link's constraints; true when it changed. */
bool _VLconstraints_clamp(const VLmotionlink *link, VLp3 *position, VLq *orientation);

/* --- targets: the pose of a link's target, and setting it --- */
/* Position and orientation of the target; false when it has none. */
bool _VLtarget_getpose(int kind, void *target, VLmotionlink *link, VLp3 *pos, VLq *q);
/* Sets the placement; locked position axes (bits 0-2) keep their value and
 * a locked orientation (bits 3-5) is left alone. */
void _VLtarget_setpose(int kind, void *target, VLmotionlink *link, const VLp3 *pos,
                       const VLq *q, unsigned locks);

/* --- paths --- */
/* A marker for the record (object copy or movable node), when the path
 * has a template. */
void _VLpath_makemarker(VLpath *path, VLpathrecord *record);
/* Deletes the record's marker, if any. */
void _VLpath_dropmarker(VLpathrecord *record);
/* Forgets a marker node that is being destroyed by the scene graph. */
void _VLpaths_forgetnode(VLuniverse *u, VLnode *node);
/* Forgets a target that is being deleted: path objects, templates, markers. */
void _VLpaths_forgetobject(VLuniverse *u, VLobject *object);

#endif
