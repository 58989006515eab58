/* Node construction: the allocation of every stored node type with its
 * payload's initial values, the public constructors, Roots and the
 * universe's root list, and the type predicates and reported types.
 * Constructors append the new node as the parent's last child, or put it
 * under the orphan holder when the parent is null. */
#include <stdlib.h>
#include <string.h>

#include "scene/light_internal.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/object.h"
#include "vlx/universe.h"

namespace {

const char *const kTypeNames[] = {
    "",           "Xform     ", "Lod       ", "MLod      ", "Switch    ", "MSwitch   ",
    "Geometry  ", "MGeometry ", "Group     ", "Separator ", "MSeparator", "VLobject  ",
    "Light     ", "MLight    ", "Anchor    ", "Inline    ", "Xformsep  ", "Material  ",
    "Fog       ", "Ambient   ", "Rendering ", "Root      "};

size_t node_size(int type) {
  switch (type) {
    case VLNODE_XFORM: return sizeof(VLxformnode);
    case VLNODE_LOD: return sizeof(VLlodnode);
    case VLNODE_SWITCH: return sizeof(VLswitchnode);
    case VLNODE_GEOMETRY: return sizeof(VLgeometrynode);
    case VLNODE_SEPARATOR:
    case VLNODE_ROOT: return sizeof(VLsepnode);
    case VLNODE_OBJECT: return sizeof(VLobjectnode);
    case VLNODE_LIGHT: return sizeof(VLlightnode);
    case VLNODE_ANCHOR: return sizeof(VLanchornode);
    case VLNODE_INLINE: return sizeof(VLinlinenode);
    case VLNODE_MATERIAL: return sizeof(VLmaterialnode);
    case VLNODE_FOG: return sizeof(VLfognode);
    case VLNODE_AMBIENT: return sizeof(VLambientnode);
    case VLNODE_MTABLE: return sizeof(VLmtablenode);
    default: return sizeof(VLgroupnode);   /* Group, Xformsep */
  }
}

/* Initial payload values besides zero. */
void init_payload(VLnode *n) {
  switch (n->type) {
    case VLNODE_XFORM: VLm4_identity(&static_cast<VLxformnode *>(n)->matrix); break;
    case VLNODE_SWITCH: static_cast<VLswitchnode *>(n)->which = VLSWITCH_NONE; break;
    case VLNODE_SEPARATOR:
    case VLNODE_ROOT: static_cast<VLsepnode *>(n)->culling = VLCULL_DEFAULT; break;
    case VLNODE_OBJECT: VLm4_identity(&static_cast<VLobjectnode *>(n)->matrix); break;
    case VLNODE_LIGHT: static_cast<VLlightnode *>(n)->on = 1; break;
    case VLNODE_AMBIENT: {
      VLambientnode *a = static_cast<VLambientnode *>(n);
      a->colour[0] = a->colour[1] = a->colour[2] = 1.0f;
      a->intensity = 0.4f;
      break;
    }
    default: break;
  }
}

VLnode *alloc_node(int type) {
  size_t size = node_size(type);
  VLnode *n = static_cast<VLnode *>(VLmalloc(size));
  memset(static_cast<void *>(n), 0, size);
  n->type = static_cast<uint8_t>(type);
  n->flags = _VLnode_haschildren(n) ? VLNODEFLAGS_NEWGROUP : VLNODEFLAGS_NEWLEAF;
  init_payload(n);
  return n;
}

bool resolve_parent(VLnode *&parent) { return _VLnode_resolveparent(&parent); }

VLnode *new_checked(int type, VLnode *parent) {
  if (!resolve_parent(parent)) return nullptr;
  return _VLnode_new(type, parent);
}

VLnode **light_nodeslot(VLlight *light) {
  /* The light record's first field is its node pointer. */
  return reinterpret_cast<VLnode **>(light);
}

}  // namespace

/* ---------- predicates and resolution ---------- */

bool _VLnode_isgrouping(const VLnode *n) {
  switch (n->type) {
    case VLNODE_LOD: case VLNODE_SWITCH: case VLNODE_GROUP: case VLNODE_SEPARATOR:
    case VLNODE_ANCHOR: case VLNODE_INLINE: case VLNODE_XFORMSEP: case VLNODE_ROOT:
      return true;
    default:
      return false;
  }
}

bool _VLnode_haschildren(const VLnode *n) {
  return _VLnode_isgrouping(n) || n->type == VLNODE_OBJECT;
}

const char *_VLnode_typename(int type) {
  if (type < 0 || type >= static_cast<int>(sizeof kTypeNames / sizeof kTypeNames[0])) return "";
  return kTypeNames[type];
}

VLnode *_VLnode_content(VLnode *n) {
  if (!(n->flags & VLNODEFLAG_MOVABLE) || !_VLnode_haschildren(n)) return n;
  VLnodelink *last = _VLnode_group(n)->lastchild;
  if (!last) return n;
  VLnode *content = last->child;
  if (!(content->flags & VLNODEFLAG_DEEPCONTENT)) return content;
  if (!_VLnode_haschildren(content) || !_VLnode_group(content)->firstchild) return content;
  return _VLnode_group(content)->firstchild->child;
}

VLnode *_VLnode_transformnode(VLnode *n) {
  if (!(n->flags & VLNODEFLAG_MOVABLE) || !_VLnode_haschildren(n)) return n;
  VLnodelink *first = _VLnode_group(n)->firstchild;
  return first ? first->child : n;
}

/* ---------- construction ---------- */

bool _VLnode_resolveparent(VLnode **parent) {
  if (!*parent) return true;
  *parent = _VLnode_content(*parent);
  return _VLnode_isgrouping(*parent);
}

VLnode *_VLgeometrynode_make(VLnode *parent, VLgeometry *geometry) {
  VLnode *n = _VLnode_new(VLNODE_GEOMETRY, parent);
  static_cast<VLgeometrynode *>(n)->geometry = geometry;
  geometry->node = n;
  return n;
}

VLnode *_VLnode_new(int type, VLnode *parent) {
  VLnode *n = alloc_node(type);
  _VLnode_link(parent ? parent : _VLscene_orphans(), n, nullptr);
  return n;
}

VLnode *VLrootnode_new(void) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return nullptr;
  VLnode *root = alloc_node(VLNODE_ROOT);
  VLrootcell *cell = static_cast<VLrootcell *>(VLmalloc(sizeof *cell));
  cell->node = root;
  cell->next = nullptr;
  VLrootcell **at = &u->roots;
  while (*at) at = &(*at)->next;
  *at = cell;
  return root;
}

VLnode *VLgroupnode_new(VLnode *parent) { return new_checked(VLNODE_GROUP, parent); }
VLnode *VLsepnode_new(VLnode *parent) { return new_checked(VLNODE_SEPARATOR, parent); }
VLnode *VLswitchnode_new(VLnode *parent) { return new_checked(VLNODE_SWITCH, parent); }
VLnode *VLlodnode_new(VLnode *parent) { return new_checked(VLNODE_LOD, parent); }
VLnode *VLxformsepnode_new(VLnode *parent) { return new_checked(VLNODE_XFORMSEP, parent); }
VLnode *VLanchornode_new(VLnode *parent) { return new_checked(VLNODE_ANCHOR, parent); }
VLnode *VLinlinenode_new(VLnode *parent) { return new_checked(VLNODE_INLINE, parent); }
VLnode *VLxformnode_new(VLnode *parent) { return new_checked(VLNODE_XFORM, parent); }
VLnode *VLambientnode_new(VLnode *parent) { return new_checked(VLNODE_AMBIENT, parent); }
VLnode *VLmtablenode_new(VLnode *parent) { return new_checked(VLNODE_MTABLE, parent); }

VLnode *VLgeometrynode_new(VLnode *parent, VLgeometry *geometry) {
  if (!geometry || geometry->node || !resolve_parent(parent)) return nullptr;
  return _VLgeometrynode_make(parent, geometry);
}

VLnode *VLlightnode_new(VLlight *light, VLnode *parent) {
  if (!light || *light_nodeslot(light) || !resolve_parent(parent)) return nullptr;
  VLnode *n = _VLnode_new(VLNODE_LIGHT, parent);
  static_cast<VLlightnode *>(n)->light = light;
  *light_nodeslot(light) = n;
  return n;
}

static VLnode *default_light_node(VLnode *parent, int kind) {
  if (!resolve_parent(parent)) return nullptr;
  VLlight *light = _VLlight_newdefault(kind);
  if (!light) return nullptr;
  VLnode *n = _VLnode_new(VLNODE_LIGHT, parent);
  static_cast<VLlightnode *>(n)->light = light;
  *light_nodeslot(light) = n;
  return n;
}

VLnode *VLdirlightnode_new(VLnode *parent) {
  return default_light_node(parent, VLLIGHTKIND_DIRECTED);
}

VLnode *VLpointlightnode_new(VLnode *parent) {
  return default_light_node(parent, VLLIGHTKIND_POINT);
}

VLnode *VLobjectnode_new(VLobject *object) {
  if (!object) return nullptr;
  if (object->node) return object->node;
  VLnode *n = _VLnode_new(VLNODE_OBJECT, nullptr);
  static_cast<VLobjectnode *>(n)->object = object;
  object->node = n;
  if (_VLscene().events.objectnodemade) _VLscene().events.objectnodemade(n);
  return n;
}

/* ---------- reported types ---------- */

int VLnode_gettype(VLnode *node) {
  if (!node) return 0;
  VLnode *content = _VLnode_content(node);
  int type = content->type == VLNODE_AMBIENT ? int(VLNODE_LIGHT) : int(content->type);
  if (node->flags & VLNODEFLAG_MOVABLE) type += 1;
  return type;
}

int VLnode_ismovable(VLnode *node) {
  return node && (node->flags & VLNODEFLAG_MOVABLE) ? 1 : 0;
}
