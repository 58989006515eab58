/* Editing a polygon's texture coordinates (rotate, scale, translate,
 * mirror), and fitting again, after a scene was loaded, every named texture
 * without explicit coordinates on the polygons of the universe's objects
 * and of the geometries in its scene graph. Coordinates are fitted in the
 * geometry's own frame, which is the frame an object's geometry keeps. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "core/messages.h"
#include "texture/texture_internal.h"
#include "scene/scene_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* The record of p when its coordinates may be edited (the change is then
 * marked); null otherwise. */
VLpolytexture *editable(VLpoly *p) {
  if (!_VLpoly_texturable(p) || !p->attributes) return nullptr;
  _VLpoly_texturechanged(p);
  return static_cast<VLpolytexture *>(p->attributes);
}

/* The window option that turns texture rotation the other way. */
bool rotation_reversed(void) {
  VLuniverse *u = VLuniverse_current();
  return u && u->settings && u->settings->byte1;
}

/* The geometries of the universe's objects, then every other geometry
 * reachable from its scene roots; each once. */
std::vector<VLgeometry *> scene_geometries(VLuniverse *u) {
  std::vector<VLgeometry *> found;
  std::unordered_set<VLgeometry *> taken;
  for (VLobject *o = u->objects; o; o = o->next)
    if (o->geometry && taken.insert(o->geometry).second) found.push_back(o->geometry);
  std::unordered_set<VLnode *> seen;
  std::vector<VLnode *> stack;
  for (VLrootcell *c = u->roots; c; c = c->next)
    if (c->node) stack.push_back(c->node);
  while (!stack.empty()) {
    VLnode *n = _VLnode_content(stack.back());
    stack.pop_back();
    if (!n || !seen.insert(n).second) continue;
    if (n->type == VLNODE_GEOMETRY) {
      VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry;
      if (g && taken.insert(g).second) found.push_back(g);
    } else if (_VLnode_haschildren(n)) {
      for (VLnodelink *l = _VLnode_group(n)->firstchild; l; l = l->nextsibling)
        stack.push_back(l->child);
    }
  }
  return found;
}

void reapply_poly(VLpoly *p) {
  const VLpolytexture *pt = static_cast<const VLpolytexture *>(p->attributes);
  if (!pt || !pt->name || pt->explicitcoords) return;
  char mode = pt->name[0];
  if ((mode != 'V' && mode != 'S' && mode != 'T') || strlen(pt->name) < 2) {
    VLMSG(TEX_INVALID_NAME, pt->name);
    return;
  }
  if (!_VLpoly_texturable(p)) return;
  std::string file(pt->name + 2);
  if (!VLpoly_applytexture(p, file.c_str(), mode == 'S', mode == 'T'))
    VLpoly_removetexture(p);
}

}  // namespace

bool VLpoly_rotatetexture(VLpoly *p, float angle) {
  VLpolytexture *pt = editable(p);
  if (!pt) return false;
  float c = cosf(angle), s = sinf(angle);
  if (rotation_reversed()) s = -s;
  for (int i = 0; i < pt->ncorners; ++i) {
    float u = pt->uv[2 * i] - 0.5f, v = pt->uv[2 * i + 1] - 0.5f;
    pt->uv[2 * i] = u * c + v * s + 0.5f;
    pt->uv[2 * i + 1] = v * c - u * s + 0.5f;
  }
  pt->rotation += angle;
  return true;
}

bool VLpoly_scaletexture(VLpoly *p, float factor) {
  VLpolytexture *pt = editable(p);
  if (!pt) return false;
  float mean[2] = {0, 0};
  for (int i = 0; i < pt->ncorners; ++i)
    for (int j = 0; j < 2; ++j) mean[j] += pt->uv[2 * i + j];
  for (int j = 0; j < 2; ++j) mean[j] /= float(pt->ncorners ? pt->ncorners : 1);
  for (int i = 0; i < pt->ncorners; ++i)
    for (int j = 0; j < 2; ++j)
      pt->uv[2 * i + j] = mean[j] + (pt->uv[2 * i + j] - mean[j]) * factor;
  pt->scale *= factor;
  return true;
}

bool VLpoly_translatetexture(VLpoly *p, float du, float dv) {
  VLpolytexture *pt = editable(p);
  if (!pt || !pt->texture || !pt->texture->width || !pt->texture->height) return false;
  float su = du / pt->texture->width, sv = dv / pt->texture->height;
  for (int i = 0; i < pt->ncorners; ++i) {
    pt->uv[2 * i] += su;
    pt->uv[2 * i + 1] += sv;
  }
  pt->offsetu += su;
  pt->offsetv += sv;
  return true;
}

bool VLpoly_mirrortexture(VLpoly *p) {
  VLpolytexture *pt = editable(p);
  if (!pt) return false;
  for (int i = 0; i < pt->ncorners; ++i) pt->uv[2 * i] = 1.0f - pt->uv[2 * i];
  pt->mirrored ^= 1;
  return true;
}

void VLtexture_reapply(void) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return;
  for (VLgeometry *g : scene_geometries(u))
    for (VLpoly *p = g->polys; p; p = p->next) reapply_poly(p);
}
