/* Path markers: one per record while shown. With a marker object, a new
 * object carrying a copy of its geometry, placed at the record; otherwise,
 * with a marker geometry, a movable node named "VLMarker" under the first
 * Root (the first marker holds a copy of the geometry, the later ones
 * instance it), its user word pointing to the record. Hiding deletes the
 * markers. Markers that the scene graph or the objects delete themselves
 * are forgotten through the hooks. */
#include "motion/motion_internal.h"
#include "motion/loop.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"

namespace {

const char kMarkerName[] = "VLMarker";

void place_object(VLpath *path, VLpathrecord *r) {
  VLgeometry *g = path->markerobject->geometry;
  VLgeometry *copy = g ? VLgeometry_copy(g) : nullptr;
  VLobject *o = VLobject_new(copy);
  if (!o) {
    if (copy) VLgeometry_delete(copy);
    return;
  }
  VLobject_setposition(o, &r->position);
  VLobject_setorientation(o, &r->orientation);
  r->markerobject = o;
}

/* A marker node already made for another record of the path, or null. */
VLnode *existing_marker(const VLpath *path) {
  for (const VLpathrecord *r = path->first; r; r = r->next)
    if (r->markernode) return r->markernode;
  return nullptr;
}

void place_node(VLpath *path, VLpathrecord *r) {
  VLnode *root = VLuniverse_getrootnode();
  if (!root) return;
  VLnode *node;
  if (VLnode *shared = existing_marker(path)) {
    node = VLmovablenode_instance(root, shared);
  } else {
    VLgeometry *copy = VLgeometry_copy(path->markergeometry);
    if (!copy) return;
    node = VLmovablegeometrynode_new(root, copy);
    if (!node) VLgeometry_delete(copy);
  }
  if (!node) return;
  VLnode_setname(node, kMarkerName);
  node->user = r;
  float t[3] = {r->position.x, r->position.y, r->position.z};
  VLmovablenode_settranslation(node, t);
  VLxformnode_setorientation(node, &r->orientation);
  r->markernode = node;
  _VLmotion().markernodes++;
  _VLmotion_registerevents();
}

}  // namespace

void _VLpath_makemarker(VLpath *path, VLpathrecord *r) {
  if (r->markerobject || r->markernode) return;
  if (path->markerobject) place_object(path, r);
  else if (path->markergeometry) place_node(path, r);
}

void _VLpath_dropmarker(VLpathrecord *r) {
  if (VLobject *o = r->markerobject) {
    r->markerobject = nullptr;
    VLobject_delete(o);
  }
  if (VLnode *n = r->markernode) {
    r->markernode = nullptr;
    _VLmotion().markernodes--;
    n->user = nullptr;
    VLnode_delete(n);
  }
}

void VLpath_showmarkers(VLpath *path, bool on) {
  if (!path) return;
  path->markersshown = on ? 1 : 0;
  for (VLpathrecord *r = path->first; r; r = r->next) {
    if (on) _VLpath_makemarker(path, r);
    else _VLpath_dropmarker(r);
  }
}

void _VLpaths_forgetnode(VLuniverse *u, VLnode *node) {
  if (_VLmotion().markernodes <= 0) return;
  for (VLpath *p = u->paths; p; p = p->next)
    for (VLpathrecord *r = p->first; r; r = r->next)
      if (r->markernode == node) {
        r->markernode = nullptr;
        _VLmotion().markernodes--;
        return;
      }
}

void _VLpaths_forgetobject(VLuniverse *u, VLobject *object) {
  for (VLpath *p = u->paths; p; p = p->next) {
    if (p->object == object) p->object = nullptr;
    if (p->markerobject == object) p->markerobject = nullptr;
    for (VLpathrecord *r = p->first; r; r = r->next)
      if (r->markerobject == object) r->markerobject = nullptr;
  }
}
