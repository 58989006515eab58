/* Objects: creation (from a geometry or from a Geometry node), the
 * universe's object list and holders, deletion from either side (the object
 * or its node), and the scene graph's object hooks. An object holds one
 * reference of its geometry; a Geometry node it replaces keeps its own and
 * moves to the orphan holder. */
#include <stdlib.h>
#include <string.h>

#include "object/loop.h"
#include "object/object_internal.h"
#include "scene/events.h"
#include "scene/scene_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/motion.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"

VLobjectstate &_VLobjects(void) {
  static VLobjectstate state;
  return state;
}

void _VLobjects_reset(void) { _VLobjects() = VLobjectstate(); }

namespace {

/* The object of a freed object node goes with it. */
void node_freed(VLobject *object) {
  if (object) _VLobject_destroy(object);
}

/* A new object node also goes under the first Root when asked. */
void node_made(VLnode *n) {
  VLnode *root = VLuniverse_current() ? VLuniverse_getrootnode() : nullptr;
  if (root && _VLobjects().attachnew) _VLnode_link(root, n, nullptr);
}

VLobject *alloc_object(VLgeometry *g) {
  _VLobjects_registerevents();
  VLobject *o = static_cast<VLobject *>(VLmalloc(sizeof(VLobject)));
  memset(o, 0, sizeof *o);
  o->geometry = g;
  o->renderflags = VLOBJRENDER_DEFAULT;
  VLq_identity(&o->orientation);
  VLq_identity(&o->built.q);
  VLq_identity(&o->spare.q);
  VLq_identity(&o->previous.q);
  o->further[2] = o->further[3] = 1;
  return o;
}

void append(VLuniverse *u, VLobject *o) {
  VLobject **at = &u->objects;
  while (*at) at = &(*at)->next;
  *at = o;
}

/* The object node takes the Geometry node's place under each of its real
 * parents; the Geometry node moves to the orphan holder. */
void replace_geometrynode(VLnode *objnode, VLnode *geonode) {
  VLnodelink *l = geonode->firstlink;
  if (!l || (l->parent->flags & VLNODEFLAG_ORPHANHOLDER)) return;
  for (; l; l = l->nextinstance) _VLnode_link(l->parent, objnode, l);
  VLnode_detach(geonode);
}

/* The object's node; a Geometry node of its geometry is replaced by it. */
void give_node(VLobject *o) {
  VLnode *n = VLobjectnode_new(o);
  _VLobject_updatenode(o);
  VLnode *geonode = o->geometry ? o->geometry->node : nullptr;
  if (n && geonode && geonode->type == VLNODE_GEOMETRY) replace_geometrynode(n, geonode);
}

}  // namespace

void _VLobjects_registerevents(void) {
  VLsceneevents &events = _VLscene_events();
  events.objectfreed = node_freed;
  events.objectnodemade = node_made;
  events.objectbox = _VLobject_placedbox;
  events.nodefreed = _VLsequences_forgetnode;
}

VLobject *_VLobject_ofgeometry(const VLgeometry *g) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !g) return nullptr;
  for (VLobject *o = u->objects; o; o = o->next)
    if (o->geometry == g) return o;
  return nullptr;
}

VLobject *VLobject_new(VLgeometry *geometry) {
  VLuniverse *u = VLuniverse_current();
  if (!u || (geometry && _VLobject_ofgeometry(geometry))) return nullptr;
  /* A geometry without a node is handed over; a node keeps its reference. */
  if (geometry && geometry->node) geometry->refcount++;
  VLobject *o = alloc_object(geometry);
  _VLobject_geometrycorners(o);
  append(u, o);
  give_node(o);
  return o;
}

VLobject *VLobject_newfromnode(VLnode *geometrynode, int align) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !geometrynode || geometrynode->type != VLNODE_GEOMETRY) return nullptr;
  VLgeometry *g = static_cast<VLgeometrynode *>(geometrynode)->geometry;
  if (!g || !g->vertices || _VLobject_ofgeometry(g)) return nullptr;
  g->refcount++;
  VLobject *o = alloc_object(g);
  _VLobject_frombounds(o, align != 0);
  o->previous.pos = o->position;
  o->previous.q = o->orientation;
  o->name = VLstrdup(VLnode_getname(geometrynode));
  append(u, o);
  give_node(o);
  return o;
}

void _VLobject_destroy(VLobject *o) {
  VLuniverse *u = VLuniverse_current();
  if (u) {
    for (VLobject **at = &u->objects; *at; at = &(*at)->next)
      if (*at == o) {
        *at = o->next;
        break;
      }
    for (VLobjectholder *h = u->holders; h; h = h->next)
      if (h->object == o) h->object = nullptr;
  }
  VLmotionlink_deletetarget(o);
  if (o->geometry) VLgeometry_delete(o->geometry);
  free(o->name);
  free(o);
}

void VLobject_delete(VLobject *object) {
  if (!object) return;
  VLnode *n = object->node;
  object->node = nullptr;
  if (n) {
    /* The node must not come back to delete the object a second time. */
    static_cast<VLobjectnode *>(n)->object = nullptr;
    VLnode_delete(n);
  }
  _VLobject_destroy(object);
}

VLnode *VLobject_getnode(VLobject *object) {
  if (!object) return nullptr;
  if (!object->node) {
    VLobjectnode_new(object);
    _VLobject_updatenode(object);
  }
  return object->node;
}

bool VLobject_getposition(VLobject *object, VLp3 *out) {
  if (!object || !out) return false;
  *out = object->position;
  return true;
}

bool VLobject_getorientation(VLobject *object, VLq *out) {
  if (!object || !out) return false;
  *out = object->orientation;
  return true;
}

void VLobject_sethidden(VLobject *object, bool hidden) {
  if (!object) return;
  object->hidden = hidden ? 1 : 0;
  if (VLuniverse *u = VLuniverse_current()) u->unchanged = 0;
}

void VLobject_setfixed(VLobject *object, bool fixed) {
  if (!object) return;
  if (fixed) object->flags |= VLOBJECT_FIXED;
  else object->flags &= static_cast<uint8_t>(~VLOBJECT_FIXED);
}

void VLobject_requestdelete(VLobject *object) {
  if (object) object->frameflags |= VLOBJFRAME_DELETE;
}

void VLobject_setattachnew(bool on) { _VLobjects().attachnew = on; }

VLobject *VLuniverse_getobjects(void) {
  VLuniverse *u = VLuniverse_current();
  return u ? u->objects : nullptr;
}

/* --- holders --- */

VLobjectholder *VLobjectholder_new(VLobject *object) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !object) return nullptr;
  VLobjectholder *h = static_cast<VLobjectholder *>(VLmalloc(sizeof(VLobjectholder)));
  h->object = object;
  h->next = nullptr;
  VLobjectholder **at = &u->holders;
  while (*at) at = &(*at)->next;
  *at = h;
  return h;
}

/* --- hooks of the universe and the scene graph --- */

bool _VLuniverse_hasobjects(VLuniverse *u) { return u->holders || u->objects; }

void _VLuniverse_deletecontent(VLuniverse *u) {
  while (VLsequence *s = u->sequences) {
    u->sequences = s->next;
    _VLsequence_free(s);
  }
  while (u->objects) VLobject_delete(u->objects);
  while (VLportal *p = u->portals) {
    u->portals = p->next;
    _VLportal_free(p);
  }
  while (VLobjectholder *h = u->holders) {
    u->holders = h->next;
    free(h);
  }
  u->holder = nullptr;
}

