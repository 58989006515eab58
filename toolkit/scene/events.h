/* Events of the scene family that higher families answer. A family that
 * ties its records to nodes registers its handlers when it makes the first
 * such record (the object family when it makes an object or a sequence,
 * the motion family when it makes a link), so no scene code includes it.
 * An unset handler means no such record was ever made. */
#ifndef VLX_SCENE_EVENTS_H
#define VLX_SCENE_EVENTS_H

struct VLnode;
struct VLobject;

struct VLsceneevents {
  /* A node is freed: sequences forget it. */
  void (*nodefreed)(VLnode *node);
  /* An Xform or movable node is freed: links that move it are cancelled. */
  void (*movablefreed)(VLnode *node);
  /* The object of a freed object node is deleted with it. */
  void (*objectfreed)(VLobject *object);
  /* A new object node was made for an object. */
  void (*objectnodemade)(VLnode *node);
  /* The box of an object's geometry placed by its pose, in the object
   * node's parent frame; false when it has none. */
  bool (*objectbox)(VLobject *object, float centre[3], float halfextents[3]);
};

VLsceneevents &_VLscene_events(void);

#endif
