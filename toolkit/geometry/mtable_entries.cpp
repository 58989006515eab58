/* Material-table entries by value: find-or-add of colours, property values,
 * entry names, and the users (geometries) whose render caches an entry
 * change invalidates. */
#include <stdlib.h>
#include <string.h>

#include "geometry/internal.h"
#include "geometry/mtable_internal.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

void _VLmtable_invalidate(VLmtable *t) {
  for (VLmtableuser *u = t->users; u; u = u->next) _VLgeometry_dropcache(u->geometry);
}

/* Offset of the slot that takes a plain colour, or -1. */
static int colour_offset(const VLmtable *t) {
  if (t->propoffset[VLMT_AMBIENTDIFFUSE] >= 0) return t->propoffset[VLMT_AMBIENTDIFFUSE];
  if (t->propoffset[VLMT_DIFFUSE] >= 0) return t->propoffset[VLMT_DIFFUSE];
  return t->propoffset[VLMT_AMBIENT];
}

static int find_or_add_colour(VLmtable *t, float r, float g, float b) {
  if (!t) return -1;
  int offset = colour_offset(t);
  if (offset < 0) return -1;
  float e[16];
  _VLmtable_defaults(t, e);
  e[offset] = r, e[offset + 1] = g, e[offset + 2] = b;
  return VLmtable_addentry(t, e);
}

int VLmtable_findcolor(VLmtable *t, uint8_t r, uint8_t g, uint8_t b) {
  const float k = 0.003921569f;
  return find_or_add_colour(t, r * k, g * k, b * k);
}

int VLmtable_findcolor24(VLmtable *t, uint32_t rgb) {
  return VLmtable_findcolor(t, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int VLmtable_findcolor12(VLmtable *t, uint32_t rgb) {
  const float k = 0.06666667f;
  return find_or_add_colour(t, ((rgb >> 8) & 0xF) * k, ((rgb >> 4) & 0xF) * k, (rgb & 0xF) * k);
}

/* Offset and float count of a property bit in t's layout; false if absent. */
static bool property_place(const VLmtable *t, uint32_t property, int *offset, int *count) {
  static const struct {
    uint32_t bit;
    int prop, count;
  } kProps[] = {{VLAMBIENT, VLMT_AMBIENT, 3},     {VLDIFFUSE, VLMT_DIFFUSE, 3},
                {VLSPECULAR, VLMT_SPECULAR, 3},   {VLSHININESS, VLMT_SHININESS, 1},
                {VLEMISSION, VLMT_EMISSION, 3},   {VLAMBIENTDIFFUSE, VLMT_AMBIENTDIFFUSE, 3},
                {VLOPACITY, VLMT_OPACITY, 1}};
  for (const auto &p : kProps)
    if (p.bit == property) {
      *offset = t->propoffset[p.prop];
      *count = p.count;
      return *offset >= 0;
    }
  return false;
}

bool VLmtable_setvalue(VLmtable *t, int index, const float *values, uint32_t property) {
  int offset, count;
  if (!t || !values || index < 0 || index >= t->nentries) return false;
  if (!property_place(t, property, &offset, &count)) return false;
  /* The entry moves to the bucket of its new bits. */
  _VLmtable_unhash(t, index);
  memcpy(t->entries[index] + offset, values, sizeof(float) * count);
  _VLmtable_hash(t, index);
  _VLmtable_invalidate(t);
  return true;
}

bool VLmtable_getvalue(const VLmtable *t, int index, float *values, uint32_t property) {
  int offset, count;
  if (!t || !values || index < 0 || index >= t->nentries) return false;
  if (!property_place(t, property, &offset, &count)) return false;
  memcpy(values, t->entries[index] + offset, sizeof(float) * count);
  return true;
}

bool VLmtable_setentryname(VLmtable *t, int index, const char *name) {
  if (!t || !name || index < 0 || index >= t->nentries) return false;
  if (!t->entrynames) {
    t->entrynames = static_cast<char **>(VLmalloc(sizeof(char *) * t->capacity));
    for (int i = 0; i < t->capacity; ++i) t->entrynames[i] = nullptr;
  }
  free(t->entrynames[index]);
  t->entrynames[index] = VLstrdup(name);
  return true;
}

int VLmtable_findentryname(const VLmtable *t, const char *name) {
  if (!t || !name || !t->entrynames) return -1;
  for (int i = 0; i < t->nentries; ++i)
    if (t->entrynames[i] && strcmp(t->entrynames[i], name) == 0) return i;
  return -1;
}

void VLmtable_detach(VLmtable *t, VLgeometry *g) {
  if (!t || !g) return;
  if (g->mtable == t) {
    if (VLmtableuser *u = g->mtableuser) {
      if (u->prev) u->prev->next = u->next;
      else t->users = u->next;
      if (u->next) u->next->prev = u->prev;
      free(u);
    }
    g->mtable = nullptr;
    g->mtableuser = nullptr;
  }
  if (t->freewithusers && !t->users) VLmtable_delete(t);
}

void VLmtable_attach(VLgeometry *g, VLmtable *t) {
  if (!g || g->mtable == t) return;
  if (g->mtable) VLmtable_detach(g->mtable, g);
  g->mtable = t;
  if (!t) return;
  VLmtableuser *u = static_cast<VLmtableuser *>(VLmalloc(sizeof(VLmtableuser)));
  u->geometry = g;
  u->prev = nullptr;
  u->next = t->users;
  if (u->next) u->next->prev = u;
  t->users = u;
  g->mtableuser = u;
}
