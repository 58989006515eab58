/* Merging material tables and copying entries between layouts. A value
 * the destination has but the source lacks falls back between the
 * combined ambient-and-diffuse colour and the separate ambient and diffuse
 * colours; anything else keeps its default. */
#include <limits.h>
#include <string.h>

#include "core/messages.h"
#include "geometry/internal.h"
#include "geometry/mtable_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

namespace {

/* Source offset of the value for destination property prop, or -1. */
int source_offset(const VLmtable *src, int prop) {
  if (src->propoffset[prop] >= 0) return src->propoffset[prop];
  const int *o = src->propoffset;
  switch (prop) {
    case VLMT_AMBIENT:
    case VLMT_DIFFUSE:
      return o[VLMT_AMBIENTDIFFUSE];
    case VLMT_AMBIENTDIFFUSE:
      return o[VLMT_DIFFUSE] >= 0 ? o[VLMT_DIFFUSE] : o[VLMT_AMBIENT];
    default:
      return -1;
  }
}

/* Entry e of src in dst's layout. */
void convert(const VLmtable *src, const float *e, const VLmtable *dst, float *out) {
  static const int kCounts[VLMT_NPROPS] = {3, 3, 3, 1, 3, 3, 1};
  _VLmtable_defaults(dst, out);
  for (int prop = 0; prop < VLMT_NPROPS; ++prop) {
    int to = dst->propoffset[prop];
    int from = to >= 0 ? source_offset(src, prop) : -1;
    if (from >= 0) memcpy(out + to, e + from, sizeof(float) * kCounts[prop]);
  }
}

void copy_name(const VLmtable *src, int from, VLmtable *dst, int to) {
  if (src->entrynames && src->entrynames[from]) VLmtable_setentryname(dst, to, src->entrynames[from]);
}

/* Appends every entry of src to dst (no sharing: index i lands at the
 * destination's count before the copy plus i). */
void append_all(const VLmtable *src, VLmtable *dst) {
  float e[16];
  for (int i = 0; i < src->nentries; ++i) {
    convert(src, src->entries[i], dst, e);
    int to = _VLmtable_append(dst, e);
    if (to >= 0) copy_name(src, i, dst, to);
  }
}

uint32_t merged_mask(uint32_t a, uint32_t b) {
  uint32_t mask = a | b;
  if ((mask & VLAMBIENTDIFFUSE) && (mask & (VLAMBIENT | VLDIFFUSE)))
    mask = (mask & ~static_cast<uint32_t>(VLAMBIENTDIFFUSE)) | VLAMBIENT | VLDIFFUSE;
  return mask;
}

}  // namespace

int VLmtable_copyentry(const VLmtable *src, int index, VLmtable *dst) {
  if (!src || !dst || index < 0 || index >= src->nentries) return -1;
  float e[16];
  convert(src, src->entries[index], dst, e);
  int to = VLmtable_addentry(dst, e);
  if (to >= 0 && !(dst->entrynames && dst->entrynames[to])) copy_name(src, index, dst, to);
  return to;
}

VLmtable *VLmtable_merge(VLmtable *a, VLmtable *b) {
  if (!a) return b;
  if (!b || a == b) return a;
  long total = static_cast<long>(a->nentries) + b->nentries;
  if (total > VLMTABLE_MAXCAPACITY) {
    VLMSG(MT_MERGE_TOO_BIG, a->name, b->name, VLMTABLE_MAXCAPACITY);
    return nullptr;
  }
  VLmtable *m = VLmtable_new(merged_mask(a->mask, b->mask), static_cast<int>(total), nullptr);
  if (!m) return nullptr;
  append_all(a, m);
  append_all(b, m);
  return m;
}

/* An index moved by shift; one already past every table (a file may name
 * any number) stays past them rather than wrapping round. */
static int shifted(int colour, int shift) {
  long moved = static_cast<long>(colour) + shift;
  return moved > INT_MAX ? INT_MAX : static_cast<int>(moved);
}

/* Adds shift to every colour index of g. */
static void shift_colours(VLgeometry *g, int shift) {
  for (VLvertex *v = g->vertices; v; v = v->next)
    if (v->flags & VLVERTEX_COLOURED) v->colour = shifted(v->colour, shift);
  for (VLpoly *p = g->polys; p; p = p->next) p->colour = shifted(p->colour, shift);
}

VLmtable *VLmtable_mergegeometry(VLmtable *t, VLgeometry *g) {
  if (!t || !g) return nullptr;
  VLmtable *old = g->mtable;
  if (!old || old == t) {
    VLmtable_attach(g, t);
    return t;
  }
  VLmtable *m = VLmtable_merge(t, old);
  if (!m) return nullptr;
  shift_colours(g, t->nentries);
  VLmtable_attach(g, m);
  _VLgeometry_dropcache(g);
  return m;
}
