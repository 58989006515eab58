/* Geometry drawing: a compiled geometry's state groups, the back-face
 * choice on the CPU, and polygon emission as triangle fans with the corner
 * orders of the two sides, textures, materials and normals; wireframe
 * outlines. */
#include <math.h>
#include <string.h>

#include "core/messages.h"
#include "render/execute_batch.h"
#include "display/device/device.h"
#include "render/render_state.h"
#include "render/draw_internal.h"
#include "render/playback.h"
#include "render/state_buffer.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/render.h"
#include "vlx/renderer.h"
#include "vlx/texture.h"

namespace {

/* What a material index of the table set last in this state group: the
 * current material, drawing colour and device material it left. Within a
 * group an index always leaves the same (a table sets the same properties
 * for every entry, the rest of the current material stays), so polygons
 * that alternate between a few entries skip resolving them again. */
struct MaterialUse {
  int32_t index;
  VLmatvalues current;
  float colorf[4];
  uint32_t color, material;
};

/* The geometry being drawn: its table, the material index in use and the
 * uses remembered for this state group. */
struct DrawState {
  const VLmtable *table = nullptr;
  int32_t material = -1;
  static const int kUses = 8;
  MaterialUse uses[kUses];
  int nuses = 0;
};
DrawState g_draw;

/* Makes entry m of the table current, from a remembered use when there is
 * one. Unlit drawing without colour material changes blocks on a colour
 * change, so it always goes the whole way. */
void use_material(int32_t m) {
  VLbatchstate &b = _VLbatch();
  bool remember = b.lighting || b.colormaterial;
  if (remember)
    for (int i = 0; i < g_draw.nuses; ++i) {
      const MaterialUse &u = g_draw.uses[i];
      if (u.index != m) continue;
      b.current = u.current;
      memcpy(b.colorf, u.colorf, sizeof b.colorf);
      b.color = u.color;
      b.material = u.material;
      _VLbatch_materialchanged();
      return;
    }
  _VLrender_usematerial(g_draw.table, m);
  if (!remember || g_draw.nuses == DrawState::kUses) return;
  MaterialUse &u = g_draw.uses[g_draw.nuses++];
  u.index = m;
  u.current = b.current;
  memcpy(u.colorf, b.colorf, sizeof u.colorf);
  u.color = b.color;
  u.material = b.material;
}

bool one_colour_property(const VLmtable *t) {
  if (!t) return false;
  uint32_t m = t->mask;
  if (m & VLOPACITY) m &= ~(VLOPACITY | VLDIFFUSE);  /* opacity rides on diffuse */
  return m == VLAMBIENT || m == VLDIFFUSE || m == VLSPECULAR || m == VLEMISSION ||
         m == VLAMBIENTDIFFUSE;
}

int32_t material_index(const VLpoly *p, const VLmtable *t) {
  int32_t i = p->colour;
  if ((p->vertexflags & VLPOLY_VCOLOURS) && p->vertices && p->vertices->vertex)
    i = p->vertices->vertex->colour;
  if (!t || t->nentries <= 0) return 0;
  if (i >= 0 && i < t->nentries) return i;
  i %= t->nentries;
  return i < 0 ? i + t->nentries : i;
}

/* Filter level 0 is nearest, 1..3 linear, 4 and more mip-mapped. */
uint32_t filter_of(const VLtexture *t) {
  return t->filterlevel == 0 ? 0 : t->filterlevel < 4 ? 1 : 2;
}

/* Makes the polygon's texture current, in a new block when it changes. */
void use_texture(const VLpolytexture *pt) {
  VLbatchstate &b = _VLbatch();
  if (!pt || !pt->texture) return;
  const VLtexture *tex = pt->texture;
  uint32_t filter = filter_of(tex);
  if (tex->handle == b.texture && filter == b.texturefilter) return;
  _VLbatch_close();
  b.texture = tex->handle;
  b.texturefilter = filter;
  /* The filter belongs to the device texture: set it while it is bound. */
  _VLstate_execute(_VLrender().current, VLOP_RENDERSTATE, VLRS_TEXTUREHANDLE, b.texture);
  _VLstate_execute(_VLrender().current, VLOP_RENDERSTATE, VLRS_TEXTUREFILTER, filter);
  _VLbatch_open(VLBLOCK_TRIANGLES);
}

/* The polygon's first n corners as vertices of the open block, written in
 * place (the caller reserved room for n). */
void emit_vertices(VLpoly *p, uint32_t n, bool facing, bool smooth, const VLpolytexture *pt) {
  VLbatchstate &b = _VLbatch();
  float sign = facing ? 1.0f : -1.0f;
  bool own = smooth && (p->vertexflags & VLPOLY_VNORMALS) && (p->vertexflags & 4);
  bool textured = b.texturing && pt && pt->uv;
  uint8_t *out = b.buffer + size_t(b.nverts) * 32;
  uint32_t k = 0;
  for (VLvertexref *r = p->vertices; r && k < n; r = r->next, ++k, out += 32) {
    const VLvertex *v = r->vertex;
    float u = 0, w = 0;
    if (textured && int32_t(k) < pt->ncorners) {
      u = pt->uv[2 * k];
      w = pt->uv[2 * k + 1];
    }
    const float *P = v->position;
    if (b.lit) {
      const float *N = own && v->normal ? v->normal : p->normal;
      VLlitvertex x{P[0], P[1], P[2], sign * N[0], sign * N[1], sign * N[2], u, w};
      memcpy(out, &x, 32);
    } else {
      VLunlitvertex x{P[0], P[1], P[2], 0, b.color, 0, u, w};
      memcpy(out, &x, 32);
    }
  }
  b.nverts += k;
}

}  // namespace

void _VLrender_emitpolygon(VLpoly *p, bool facing, bool smooth) {
  VLbatchstate &b = _VLbatch();
  const VLpolytexture *pt = static_cast<const VLpolytexture *>(p->attributes);
  if (b.texturing) use_texture(pt);
  if (!_VLbatch_ensure(b, VLBLOCK_TRIANGLES)) return;   /* no context to draw into */
  int32_t m = material_index(p, g_draw.table);
  if (m != g_draw.material) {
    g_draw.material = m;
    use_material(m);
  }
  uint32_t n = p->ncorners;
  if (n < 3) return;
  _VLbatch_reserve(n);
  uint32_t base = b.nverts;
  emit_vertices(p, n, facing, smooth, pt);
  _VLbatch_fan(base, n, facing);
  b.polys++;
}

void VLrender_polygon(VLpoly *p) {
  if (!p || !p->vertices) return;
  g_draw.table = p->geometry ? p->geometry->mtable : nullptr;
  g_draw.material = -1;
  g_draw.nuses = 0;
  _VLrender_emitpolygon(p, true, false);
}

void VLrender_geometry(VLgeometry *g, VLrenderstate *rs) {
  if (!g || !rs) return;
  if (!g->rendercache) VLMSG(COMPILE_IN_DRAW);
  VLgeomcache *c = _VLrender_compile(g);
  g_draw.table = g->mtable;
  g_draw.material = -1;
  bool cm = one_colour_property(g->mtable);
  _VLrender_setstate(VLSTATE_COLORMATERIAL, cm);
  bool second = rs->flags & 16u;
  bool parallel = rs->flags & 1u;
  for (const VLstategroup &grp : c->groups) {
    if (bool(grp.flags & VLGROUP_TRANSLUCENT) != second) continue;
    _VLrender_setstate(VLSTATE_LIGHTING, grp.flags & VLGROUP_LIT);
    _VLrender_setstate(VLSTATE_TEXTURE, grp.flags & VLGROUP_TEXTURED);
    _VLrender_setstate(VLSTATE_BLEND, grp.flags & VLGROUP_BLENDED);
    g_draw.nuses = 0;
    bool smooth = grp.flags & VLGROUP_SMOOTH;
    for (int32_t i = grp.first; i < grp.first + grp.count; ++i) {
      VLpoly *p = c->polys[size_t(i)];
      if (p->vertexflags & 8) continue;
      const float *P = p->vertices->vertex->position, *N = p->normal;
      float d = parallel ? rs->viewdir[0] * N[0] + rs->viewdir[1] * N[1] + rs->viewdir[2] * N[2]
                         : (rs->eye[0] - P[0]) * N[0] + (rs->eye[1] - P[1]) * N[1] +
                               (rs->eye[2] - P[2]) * N[2];
      bool facing = d >= 0.0f;
      if (facing || (p->flags & VLPOLY_TWOSIDED)) _VLrender_emitpolygon(p, facing, smooth);
    }
  }
}

void _VLrender_wireframe(VLgeometry *g) {
  if (!g) return;
  _VLrender_setstate(VLSTATE_LIGHTING, false);
  _VLrender_setstate(VLSTATE_TEXTURE, false);
  bool cm = one_colour_property(g->mtable);
  _VLrender_setstate(VLSTATE_COLORMATERIAL, cm);
  int32_t current = -1;
  for (VLpoly *p = g->polys; p; p = p->next) {
    if ((p->vertexflags & 8) || !p->vertices) continue;
    if (g->mtable) {
      int32_t m = material_index(p, g->mtable);
      if (m != current) {
        float colour[4];
        _VLrender_entrycolour(g->mtable, m, colour);
        VLrender_setcolor(colour);
        current = m;
      }
    }
    for (VLvertexref *r = p->vertices; r; r = r->next) {
      const VLvertexref *next = r->next ? r->next : p->vertices;
      VLrender_line(r->vertex->position, next->vertex->position);
    }
    _VLbatch().polys++;
  }
}
