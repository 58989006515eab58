/* Lazy bounds of grouping nodes. An update first finds, depth first with an
 * explicit frame stack, every node below that has a child list and its
 * changed bit set, then computes each one after its children (so no call
 * recurses per node). A node's bounds fold its child list in order under an
 * accumulated, classified transform: Xforms concatenate, geometry boxes
 * merge, Groups, Switches and Anchors merge their own box and then pass on
 * their net transform; Lods, Separators, Inlines and Xformseps merge their
 * box only. Object nodes merge their geometry placed by the object's pose. */
#include <math.h>
#include <string.h>

#include <vector>

#include "scene/state.h"
#include "core/messages.h"
#include "scene/scene_internal.h"
#include "scene/xf.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"

namespace {

struct Box {
  float min[3] = {}, max[3] = {};
  bool any = false;

  void merge(const VLxf &acc, const float centre[3], const float half[3]) {
    float c[3], h[3];
    _VLxf_box(&acc, centre, half, c, h);
    for (int i = 0; i < 3; ++i) {
      float lo = c[i] - h[i], hi = c[i] + h[i];
      if (!any || lo < min[i]) min[i] = lo;
      if (!any || hi > max[i]) max[i] = hi;
    }
    any = true;
  }
};

void merge_group(Box &box, const VLxf &acc, VLnode *c) {
  VLgroupnode *g = _VLnode_group(c);
  if (c->flags & VLNODEFLAG_BOUNDSVALID) box.merge(acc, g->centre, g->halfextents);
}

/* One child of the list being folded. */
void fold_child(Box &box, VLxf &acc, VLnode *c, VLnetcache &cache) {
  switch (c->type) {
    case VLNODE_XFORM:
      c->flags &= ~VLNODEFLAG_CHANGED;
      cache.contribute(&acc, c);
      break;
    case VLNODE_GEOMETRY: {
      c->flags &= ~VLNODEFLAG_CHANGED;
      VLgeometry *geo = static_cast<VLgeometrynode *>(c)->geometry;
      if (geo) box.merge(acc, geo->centre, geo->halfextents);
      break;
    }
    case VLNODE_GROUP: case VLNODE_SWITCH: case VLNODE_ANCHOR:
      merge_group(box, acc, c);
      cache.contribute(&acc, c);
      break;
    case VLNODE_LOD: case VLNODE_SEPARATOR: case VLNODE_INLINE: case VLNODE_XFORMSEP:
      merge_group(box, acc, c);
      break;
    case VLNODE_OBJECT: {
      float centre[3], half[3];
      VLobject *o = static_cast<VLobjectnode *>(c)->object;
      bool (*placed)(VLobject *, float *, float *) = _VLscene().events.objectbox;
      if (o && placed && placed(o, centre, half)) box.merge(acc, centre, half);
      break;
    }
    case VLNODE_LIGHT: case VLNODE_MATERIAL: case VLNODE_FOG: case VLNODE_AMBIENT:
    case VLNODE_RENDERING: case VLNODE_MTABLE:
      break;
    default:
      VLMSG(NODE_NOT_UPDATED, c->type);
      break;
  }
}

/* Bounds of one node whose children with child lists are up to date. */
void compute(VLnode *n, VLnetcache &cache) {
  VLgroupnode *g = _VLnode_group(n);
  Box box;
  VLxf acc = _VLxf_identity();
  for (VLnodelink *l = g->firstchild; l; l = l->nextsibling) {
    l->flags &= ~VLLINKFLAG_CHANGED;
    fold_child(box, acc, l->child, cache);
  }
  /* A Group's or Anchor's fold is exactly its net transform. */
  if (n->type == VLNODE_GROUP || n->type == VLNODE_ANCHOR) cache.remember(n, acc);
  if (!box.any) {
    memset(g->centre, 0, sizeof g->centre);
    memset(g->halfextents, 0, sizeof g->halfextents);
    g->radius = 0.0f;
    n->flags &= ~VLNODEFLAG_BOUNDSVALID;
    return;
  }
  for (int i = 0; i < 3; ++i) {
    g->centre[i] = (box.min[i] + box.max[i]) * 0.5f;
    g->halfextents[i] = (box.max[i] - box.min[i]) * 0.5f;
  }
  const float *h = g->halfextents;
  g->radius = sqrtf(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
  n->flags |= VLNODEFLAG_BOUNDSVALID;
}

struct Frame {
  VLnode *node;
  VLnodelink *cursor;
};

}  // namespace

void _VLnode_updatebounds(VLnode *n) {
  if (!_VLnode_haschildren(n) || !(n->flags & VLNODEFLAG_CHANGED)) return;
  VLnetcache cache;
  std::vector<Frame> frames;
  /* A node's changed bit is cleared when it is entered: in an acyclic graph
   * a second path can only reach it after it is done. */
  n->flags &= ~VLNODEFLAG_CHANGED;
  frames.push_back({n, _VLnode_group(n)->firstchild});
  while (!frames.empty()) {
    Frame &f = frames.back();
    if (!f.cursor) {
      VLnode *done = f.node;
      frames.pop_back();
      compute(done, cache);
      continue;
    }
    VLnode *c = f.cursor->child;
    f.cursor = f.cursor->nextsibling;
    if (_VLnode_haschildren(c) && (c->flags & VLNODEFLAG_CHANGED)) {
      c->flags &= ~VLNODEFLAG_CHANGED;
      frames.push_back({c, _VLnode_group(c)->firstchild});
    }
  }
}

/* The bounds a query addresses: a node with a child list (brought up to
 * date) or a Geometry node's geometry. False when there are none. */
static bool query_bounds(VLnode *node, const float **centre, float *radius) {
  if (!node) return false;
  VLnode *n = _VLnode_content(node);
  if (_VLnode_haschildren(n)) {
    _VLnode_updatebounds(n);
    if (!(n->flags & VLNODEFLAG_BOUNDSVALID)) return false;
    *centre = _VLnode_group(n)->centre;
    *radius = _VLnode_group(n)->radius;
    return true;
  }
  if (n->type != VLNODE_GEOMETRY) return false;
  VLgeometry *geo = static_cast<VLgeometrynode *>(n)->geometry;
  if (!geo) return false;
  *centre = geo->centre;
  *radius = geo->radius;
  return true;
}

bool VLnode_getmidpoint(VLnode *node, float out[3]) {
  const float *centre;
  float radius;
  if (!out || !query_bounds(node, &centre, &radius)) return false;
  memcpy(out, centre, 3 * sizeof(float));
  return true;
}

float VLnode_getradius(VLnode *node) {
  const float *centre;
  float radius;
  return query_bounds(node, &centre, &radius) ? radius : -1.0f;
}
