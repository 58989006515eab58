/* Material tables: slot layout from the property mask, the table sizes,
 * the entry hash over the floats' bits, growth with stable indexes, new
 * and added entries, and deletion. */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "geometry/mtable_internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

namespace {

const int kSizes[] = {3,    5,    11,    17,    29,    41,    67,    83,    101,   503,
                      1009, 2063, 3001,  4001,  5003,  6007,  7001,  8009,  9001,  10007,
                      11003, 12007, 13001, 14009, 15013, 16001, 17011, 18013, 19001};

/* Slot order of the layout with the floats of each. */
struct SlotKind {
  uint32_t bit;
  int prop;
  uint32_t size;
};
const SlotKind kSlotOrder[] = {{VLSPECULAR, VLMT_SPECULAR, 3},  {VLSHININESS, VLMT_SHININESS, 1},
                               {VLAMBIENT, VLMT_AMBIENT, 3},    {VLEMISSION, VLMT_EMISSION, 3},
                               {VLAMBIENTDIFFUSE, VLMT_AMBIENTDIFFUSE, 4},
                               {VLDIFFUSE, VLMT_DIFFUSE, 4}};

uint32_t bits(float f) {
  uint32_t u;
  memcpy(&u, &f, sizeof u);
  return u;
}

uint32_t entry_hash(const float *e, uint32_t n, int capacity) {
  uint32_t h;
  if (n == 0)
    h = 0;
  else if (n == 1)
    h = bits(e[0]);
  else if (n == 2)
    h = (bits(e[1]) << 16) | (bits(e[0]) & 0xFFFFu);
  else if (n == 3)
    h = (bits(e[2]) & 0x24924924u) | (bits(e[1]) & 0x92492482u) | (bits(e[0]) & 0x49249241u);
  else
    h = (bits(e[n - 2]) & 0x24924924u) | (bits(e[n - 4]) & 0x49249241u) |
        (bits(e[n - 3]) & 0x92492482u);
  return h % static_cast<uint32_t>(capacity);
}

/* Resolves the ambient-and-diffuse conflict and gives opacity a slot. */
uint32_t effective_mask(uint32_t mask) {
  mask &= 127u;
  if ((mask & VLAMBIENTDIFFUSE) && (mask & (VLAMBIENT | VLDIFFUSE))) {
    VLMSG(MT_AD_CONFLICT);
    mask &= ~static_cast<uint32_t>(VLAMBIENT | VLDIFFUSE);
  }
  if ((mask & VLOPACITY) && !(mask & (VLAMBIENTDIFFUSE | VLDIFFUSE))) mask |= VLDIFFUSE;
  return mask;
}

void lay_out(VLmtable *t, uint32_t mask) {
  t->mask = effective_mask(mask);
  for (int &o : t->propoffset) o = -1;
  uint32_t offset = 0;
  for (const SlotKind &k : kSlotOrder) {
    if (!(t->mask & k.bit)) continue;
    t->slotoffset[t->nslots] = offset;
    t->slotsize[t->nslots] = k.size;
    t->slotprop[t->nslots] = static_cast<uint32_t>(k.prop);
    t->propoffset[k.prop] = static_cast<int32_t>(offset);
    t->nslots++;
    offset += k.size;
  }
  t->slotoffset[t->nslots] = offset;
  t->entrysize = offset;
  if (t->mask & VLOPACITY) {
    int colour = t->propoffset[VLMT_AMBIENTDIFFUSE] >= 0 ? t->propoffset[VLMT_AMBIENTDIFFUSE]
                                                          : t->propoffset[VLMT_DIFFUSE];
    t->propoffset[VLMT_OPACITY] = colour + 3;
  }
}

VLmhashbucket *empty_buckets(int capacity) {
  VLmhashbucket *b = static_cast<VLmhashbucket *>(VLmalloc(sizeof(VLmhashbucket) * capacity));
  for (int i = 0; i < capacity; ++i) b[i] = {-1, nullptr};
  return b;
}

void free_overflow(VLmtable *t) {
  for (int i = 0; i < t->capacity; ++i) {
    VLmhashcell *c = t->buckets[i].overflow;
    while (c) {
      VLmhashcell *next = c->next;
      free(c);
      c = next;
    }
    t->buckets[i] = {-1, nullptr};
  }
}

/* New capacity of a full table, or 0 when it is at the largest size. */
int grown_capacity(int old) {
  int step = old / 2 < 50 ? 20 : old / 2;
  if (step > 20000) step = 20000;
  int next = _VLmtable_capacityfor(old + step);
  return next > old ? next : 0;
}

bool grow(VLmtable *t) {
  int capacity = grown_capacity(t->capacity);
  if (!capacity) {
    VLMSG(MT_FULL, t->name, t->nentries);
    return false;
  }
  free_overflow(t);
  free(t->buckets);
  t->buckets = empty_buckets(capacity);
  t->capacity = capacity;
  for (int i = 0; i < t->nentries; ++i) _VLmtable_hash(t, i);
  t->entries = static_cast<float **>(VLrealloc(t->entries, sizeof(float *) * capacity));
  if (t->entrynames) {
    t->entrynames = static_cast<char **>(VLrealloc(t->entrynames, sizeof(char *) * capacity));
    for (int i = t->nentries; i < capacity; ++i) t->entrynames[i] = nullptr;
  }
  return true;
}

}  // namespace

int _VLmtable_capacityfor(int request) {
  for (int s : kSizes)
    if (s >= request) return s;
  return VLMTABLE_MAXCAPACITY;
}

VLmtable *_VLmtable_create(uint32_t mask, int capacity) {
  VLmtable *t = static_cast<VLmtable *>(VLmalloc(sizeof(VLmtable)));
  memset(t, 0, sizeof *t);
  lay_out(t, mask);
  t->capacity = _VLmtable_capacityfor(capacity < 1 ? 1 : capacity);
  t->entries = static_cast<float **>(VLmalloc(sizeof(float *) * t->capacity));
  t->buckets = empty_buckets(t->capacity);
  VLgeomstate &s = _VLgeom();
  t->serial = ++s.tableserial;
  t->next = s.tables;
  s.tables = t;
  return t;
}

void _VLmtable_defaults(const VLmtable *t, float *out) {
  for (uint32_t i = 0; i < t->entrysize; ++i) out[i] = 0.0f;
  if (t->propoffset[VLMT_DIFFUSE] >= 0) out[t->propoffset[VLMT_DIFFUSE] + 3] = 1.0f;
  if (t->propoffset[VLMT_AMBIENTDIFFUSE] >= 0) out[t->propoffset[VLMT_AMBIENTDIFFUSE] + 3] = 1.0f;
}

void _VLmtable_hash(VLmtable *t, int index) {
  if (index < 0) VLMSG(MT_HASH_INTERNAL);
  VLmhashbucket &b = t->buckets[entry_hash(t->entries[index], t->entrysize, t->capacity)];
  if (b.first < 0) {
    b.first = index;
    return;
  }
  VLmhashcell *c = static_cast<VLmhashcell *>(VLmalloc(sizeof(VLmhashcell)));
  c->index = index;
  c->next = b.overflow;
  b.overflow = c;
}

void _VLmtable_unhash(VLmtable *t, int index) {
  VLmhashbucket &b = t->buckets[entry_hash(t->entries[index], t->entrysize, t->capacity)];
  VLmhashcell **link = &b.overflow;
  if (b.first == index) {
    if (!b.overflow) {
      b.first = -1;
      return;
    }
    b.first = b.overflow->index;  /* the first overflow cell moves up */
  } else {
    while (*link && (*link)->index != index) link = &(*link)->next;
    if (!*link) return;
  }
  VLmhashcell *gone = *link;
  *link = gone->next;
  free(gone);
}

int _VLmtable_lookup(const VLmtable *t, const float *values) {
  const VLmhashbucket &b = t->buckets[entry_hash(values, t->entrysize, t->capacity)];
  size_t bytes = sizeof(float) * t->entrysize;
  if (b.first >= 0 && memcmp(t->entries[b.first], values, bytes) == 0) return b.first;
  for (const VLmhashcell *c = b.overflow; c; c = c->next)
    if (memcmp(t->entries[c->index], values, bytes) == 0) return c->index;
  return -1;
}

int _VLmtable_append(VLmtable *t, const float *values) {
  if (t->nentries == t->capacity && !grow(t)) return -1;
  int index = t->nentries;
  float *e = static_cast<float *>(VLmalloc(sizeof(float) * t->entrysize));
  memcpy(e, values, sizeof(float) * t->entrysize);
  t->entries[index] = e;
  if (t->entrynames) t->entrynames[index] = nullptr;
  t->nentries++;
  _VLmtable_hash(t, index);
  return index;
}

VLmtable *VLmtable_new(uint32_t mask, int capacity, const char *name) {
  VLmtable *t = _VLmtable_create(mask, capacity);
  bool named = name ? VLmtable_setname(t, name) : _VLmtable_generatename(t);
  if (!named) {
    VLmtable_delete(t);
    return nullptr;
  }
  return t;
}

VLmtable *VLmtable_first(void) { return _VLgeom().tables; }

VLmtable *VLmtable_find(const char *name) {
  if (!name) return nullptr;
  for (VLmtable *t = _VLgeom().tables; t; t = t->next)
    if (strcmp(t->name, name) == 0) return t;
  return nullptr;
}

uint32_t VLmtable_getmask(const VLmtable *t) { return t ? t->mask : 0; }

unsigned long _VLmtable_newest(void) { return _VLgeom().tableserial; }

void _VLmtable_ownbyusers(unsigned long since) {
  VLmtable *t = _VLgeom().tables;
  while (t && t->serial > since) {
    VLmtable *next = t->next;
    /* A table the load made and no geometry kept (a geometry's first table
     * replaced by the file's) would only fill the list. */
    if (t->users)
      t->freewithusers = true;
    else
      VLmtable_delete(t);
    t = next;
  }
}

static void unlink_table(VLmtable *t) {
  for (VLmtable **link = &_VLgeom().tables; *link; link = &(*link)->next)
    if (*link == t) {
      *link = t->next;
      return;
    }
}

bool VLmtable_delete(VLmtable *t) {
  if (!t) return false;
  unlink_table(t);
  _VLmtable_forgetname(t);
  while (t->users) {
    VLmtableuser *u = t->users;
    t->users = u->next;
    if (u->geometry->mtable == t) {
      u->geometry->mtable = nullptr;
      u->geometry->mtableuser = nullptr;
    }
    free(u);
  }
  free_overflow(t);
  free(t->buckets);
  for (int i = 0; i < t->nentries; ++i) {
    free(t->entries[i]);
    if (t->entrynames) free(t->entrynames[i]);
  }
  free(t->entries);
  free(t->entrynames);
  free(t);
  return true;
}

int VLmtable_newentry(VLmtable *t) {
  if (!t) {
    VLMSG(MT_NULL_TABLE);
    return -1;
  }
  float e[16];
  _VLmtable_defaults(t, e);
  _VLmtable_invalidate(t);
  return _VLmtable_append(t, e);
}

int VLmtable_addentry(VLmtable *t, const float *values) {
  if (!t || !values) return -1;
  int index = _VLmtable_lookup(t, values);
  if (index >= 0) return index;
  _VLmtable_invalidate(t);
  return _VLmtable_append(t, values);
}
