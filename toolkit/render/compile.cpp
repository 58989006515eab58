/* The geometry compile: a geometry's polygons sorted into state groups by
 * lighting, texturing, blending, translucency and smooth shading, for the
 * rendering options in force. A group's polygons draw with one set of
 * states, so state changes per geometry are one per group. The cache is
 * remade when the geometry was modified (its cache was released) or the
 * rendering options changed since it was made. */
#include <string.h>

#include <algorithm>

#include "geometry/events.h"
#include "render/loop.h"
#include "render/playback.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/render.h"
#include "vlx/texture.h"
#include "vlx/universe.h"

namespace {

/* Opacity of a material-table entry (1 without a colour slot). */
float opacity_of(const VLmtable *t, int32_t index) {
  if (!t || t->nentries <= 0) return 1.0f;
  int o = t->propoffset[VLMT_OPACITY];
  if (o < 0) o = t->propoffset[VLMT_AMBIENTDIFFUSE] >= 0 ? t->propoffset[VLMT_AMBIENTDIFFUSE] + 3
                 : t->propoffset[VLMT_DIFFUSE] >= 0      ? t->propoffset[VLMT_DIFFUSE] + 3
                                                         : -1;
  if (o < 0) return 1.0f;
  int32_t i = index % t->nentries;
  if (i < 0) i += t->nentries;
  return t->entries[i][o];
}

int32_t colour_index(const VLpoly *p) {
  if ((p->vertexflags & VLPOLY_VCOLOURS) && p->vertices && p->vertices->vertex)
    return p->vertices->vertex->colour;
  return p->colour;
}

uint32_t group_flags(const VLgeometry *g, const VLpoly *p, uint8_t options) {
  const VLpolytexture *pt = static_cast<const VLpolytexture *>(p->attributes);
  bool lighting = options & VLRENDER_LIGHTING;
  bool textured = (options & VLRENDER_TEXTURE) && pt && pt->texture;
  uint32_t f = 0;
  if (textured) {
    f |= VLGROUP_TEXTURED;
    if (lighting && pt->shaded) f |= VLGROUP_LIT;
    if (pt->transparent) f |= VLGROUP_BLENDED;
  } else if (lighting) {
    f |= VLGROUP_LIT;
  }
  if (opacity_of(g->mtable, colour_index(p)) < 0.95f) f |= VLGROUP_TRANSLUCENT | VLGROUP_BLENDED;
  if (options & VLRENDER_SMOOTH) f |= VLGROUP_SMOOTH;
  return f;
}

void build(VLgeometry *g, VLgeomcache *c, uint8_t options) {
  c->rendering = options;
  c->passes = 0;
  c->groups.clear();
  c->polys.clear();
  std::vector<std::pair<uint32_t, VLpoly *>> keyed;
  keyed.reserve(size_t(g->npolys));
  for (VLpoly *p = g->polys; p; p = p->next) keyed.emplace_back(group_flags(g, p, options), p);
  /* The list is newest first: draw in creation order, grouped by flags. */
  std::reverse(keyed.begin(), keyed.end());
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  for (const auto &k : keyed) {
    if (c->groups.empty() || c->groups.back().flags != k.first)
      c->groups.push_back(VLstategroup{k.first, int32_t(c->polys.size()), 0});
    c->groups.back().count++;
    c->polys.push_back(k.second);
    c->passes |= (k.first & VLGROUP_TRANSLUCENT) ? 2 : 1;
  }
}

/* A geometry's cache dropped by the geometry family (an edit, a deletion). */
void release_cache(void *cache) { delete static_cast<VLgeomcache *>(cache); }

}  // namespace

void _VLrender_registerevents(void) { _VLgeometry_events().cachedropped = release_cache; }

VLgeomcache *_VLrender_compile(VLgeometry *g) {
  if (!g) return nullptr;
  VLuniverse *u = VLuniverse_current();
  uint8_t options = u ? u->rendering : 13;
  VLgeomcache *c = static_cast<VLgeomcache *>(g->rendercache);
  if (c && (c->rendering == options || g->frozen)) return c;
  if (!c) {
    c = new VLgeomcache();
    g->rendercache = c;
    _VLrender_registerevents();
  }
  build(g, c, options);
  return c;
}

int _VLrender_passes(VLgeometry *g) {
  VLgeomcache *c = _VLrender_compile(g);
  return c ? c->passes : 0;
}

