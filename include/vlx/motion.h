/* Motion links and paths. A motion link connects a source of motion (a
 * sensor or a recorded path) to a target it moves: a viewpoint, an object,
 * a light, an Xform node, a node path or a movable node. A path is a list
 * of recorded placements (position and orientation) that can be recorded
 * from a target, saved, loaded, and played forwards or backwards, once,
 * looping or back and forth, onto every target linked to it. The universe
 * keeps both lists; its loop applies the sensor links in event 2 and
 * advances recording and playing paths in event 4.
 * Failures: bad arguments make an operation return null / false and change
 * nothing. */
#ifndef VLX_MOTION_H
#define VLX_MOTION_H

#include <stddef.h>
#include <stdint.h>

#include "vlx/math.h"

struct VLnode;
struct VLnodelink;
struct VLobject;
struct VLgeometry;
struct VLviewpoint;
struct VLpath;

/* Source kinds. */
enum { VLSOURCE_SENSOR = 0, VLSOURCE_PATH = 1 };
/* Target kinds ("to_type"). */
enum {
  VLTARGET_VIEWPOINT = 0,
  VLTARGET_OBJECT = 1,
  VLTARGET_LIGHT = 2,
  VLTARGET_XFORM = 3,      /* an Xform node */
  VLTARGET_NODEPATH = 4,   /* a VLnodepath ending in an Xform or a movable node */
  VLTARGET_MOVABLE = 5     /* a movable node */
};
/* Frames of sensor motion: 0 the target's own axes, 3 its parent's axes,
 * any other value relative to the link's reference viewpoint. */
enum { VLLINKFRAME_OWN = 0, VLLINKFRAME_REFERENCE = 1, VLLINKFRAME_PARENT = 3 };

/* A node path: the parent-child links from a Root down to the moved node.
 * The caller owns it and keeps it valid while a link targets it. */
struct VLnodepath {
  VLnodelink **links;
  int count;
};

/* A constraint applied after each move: a position range along an axis, or
 * a range of the rotation angle about an axis (radians, wrapped into
 * -pi..pi before the comparison). */
enum { VLCONSTRAIN_POSITION = 0, VLCONSTRAIN_ANGLE = 1 };
struct VLconstraint {
  int32_t kind;            /* VLCONSTRAIN_* */
  int32_t axis;            /* 0 x, 1 y, 2 z */
  float min, max;
};

struct VLmotionlink {
  VLmotionlink *next, *previous;  /* the universe's list, oldest first */
  void *source;                   /* the sensor or path */
  void *target;                   /* viewpoint, object, light, node or node path */
  float placement[6];             /* reference placement; zero */
  float scale;                    /* 1.0 */
  int32_t sourcekind;             /* VLSOURCE_* */
  int32_t targetkind;             /* VLTARGET_* */
  int32_t frame;                  /* VLLINKFRAME_*; 1 for node paths */
  int32_t pathflag;               /* 1 for node paths */
  int32_t nconstraints;
  VLconstraint *constraints;      /* owned */
  VLviewpoint *reference;         /* other frames: this viewpoint's axes (null: the current one) */
  uint8_t enabled;                /* 1 */
  VLnode *endnode;                /* node paths: the moved node, kept for cancelling */
};

/* --- links --- */
/* A link from a sensor (source kind 0) or path (1) to a viewpoint (target
 * kind 0), Xform (3), node path (4) or movable node (5); other target kinds
 * warn "Illegal to_type in call to VLmotionlink_new." Null for null
 * arguments, a link with the same source and target, a kind-5 target that
 * is not movable, or a node path not ending in an Xform or movable node. */
VLmotionlink *VLmotionlink_new(void *source, void *target, int sourcekind, int targetkind);
/* A sensor link to any target kind (0-5) with the given frame. */
VLmotionlink *VLmotionlink_newany(void *source, void *target, int frame, int targetkind);
void VLmotionlink_delete(VLmotionlink *link);
/* Deletes every link that moves target. */
void VLmotionlink_deletetarget(void *target);
/* Deletes every link whose source is source. */
void VLmotionlink_deletesource(void *source);
void VLmotionlink_enable(VLmotionlink *link, bool on);
/* Adds a constraint; false for a bad kind or axis or min > max. */
bool VLmotionlink_addconstraint(VLmotionlink *link, int kind, int axis, float min, float max);

/* --- paths --- */
/* Path states. */
enum { VLPATH_STOPPED = 0, VLPATH_RECORDING = 1, VLPATH_PLAYING = 2, VLPATH_STEPPING = 3 };
/* End-mode bits and directions. */
enum { VLPATH_REPEAT = 1, VLPATH_REVERSE = 2 };
enum { VLPATH_FORWARD = 1, VLPATH_BACKWARD = 2 };
/* Lock bits: position x, y, z; orientation (any of the three). */
enum { VLPATH_LOCKX = 1, VLPATH_LOCKY = 2, VLPATH_LOCKZ = 4, VLPATH_LOCKPOSITION = 7,
       VLPATH_LOCKORIENTATION = 56 };

struct VLpathrecord {
  VLp3 position;
  VLq orientation;                /* identity at creation */
  VLpathrecord *previous, *next;
  VLpath *path;                   /* the path holding it, or null */
  VLobject *markerobject;         /* its marker, when shown */
  VLnode *markernode;
};

struct VLpath {
  int32_t state;                  /* VLPATH_STOPPED .. VLPATH_STEPPING */
  uint16_t endmode;               /* VLPATH_REPEAT | VLPATH_REVERSE; 0 */
  uint16_t direction;             /* VLPATH_FORWARD (1) or VLPATH_BACKWARD (2) */
  VLpathrecord *first, *current, *last;
  int32_t count;                  /* records */
  VLobject *object;               /* default target when no link applies; null */
  VLobject *markerobject;         /* marker template (not owned), or null */
  VLgeometry *markergeometry;     /* alternative marker template (not owned), or null */
  uint8_t markersshown;
  int32_t speed;                  /* records per played frame: 1 (0 advances one, < 0 holds) */
  int32_t interval;               /* frames between recorded records: 1 */
  int32_t countdown;              /* frames left to the next record */
  uint32_t locks;                 /* VLPATH_LOCK* */
  VLmotionlink *recordlink;       /* whose target is sampled while recording, or null */
  VLpath *next;                   /* the universe's list, newest first */
};

/* A stopped, empty path at the head of the universe's list. The marker
 * object, when given, is the template of the markers. Null without a
 * universe. */
VLpath *VLpath_new(VLobject *marker);
/* A path from a "path record v.2" file found along VLMODELS; null (and
 * nothing kept) after "Couldn't find file %s\n", a system error, "File '%s'
 * is not a path file\n", or a record that does not read. */
VLpath *VLpath_load(const char *name, VLobject *marker);
/* The same over bytes already read; name is used in messages. */
VLpath *VLpath_read(const char *name, const char *data, size_t size, VLobject *marker);
/* Writes the path's records in the same format; false when it cannot. */
bool VLpath_save(VLpath *path, const char *name);
/* A record that belongs to no path yet (null orientation: identity). */
VLpathrecord *VLpathrecord_new(const VLp3 *position, const VLq *orientation);
/* Takes it out of its path (if any) with its marker, and frees it. */
void VLpathrecord_delete(VLpathrecord *record);
/* Appends the record, which the path then owns (one that belongs to a path
 * already is refused); null samples the target now. */
void VLpath_addrecord(VLpath *path, VLpathrecord *record);
/* Playing (state 2) and single step (state 3): only a stopped path with
 * records; the current record starts at the first when none is set. */
void VLpath_play(VLpath *path);
void VLpath_setplaying(VLpath *path);
/* Recording (state 1) of a stopped path, sampling link's target each
 * interval (null link: the path's object, else the current viewpoint). */
void VLpath_record(VLpath *path, VLmotionlink *link);
void VLpath_stop(VLpath *path);
/* Only when stopped: the current record becomes the first. */
void VLpath_rewind(VLpath *path);
bool VLpath_isplaying(const VLpath *path);
/* Per frame (the loop calls them in event 4). */
void VLpath_recordframe(VLpath *path);
void VLpath_playframe(VLpath *path);
/* Markers at every record: copies of the marker object, else movable nodes
 * of the marker geometry named "VLMarker" under the first Root. */
void VLpath_showmarkers(VLpath *path, bool on);
/* Deletes the path, its records and markers, and the links it drives. */
void VLpath_delete(VLpath *path);

#endif
