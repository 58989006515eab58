/* Material tables: named, growable arrays of material entries that share
 * one layout (only the properties the table was made with). Geometries
 * refer to colours by entry index. Equal entries are shared through a hash
 * over the entries' bits when they are added with the find-or-add
 * operations. Tables are read from ".mat" files, merged and named; all
 * tables sit in one process-wide list that universe deletion empties.
 * Failures return false/null/-1 after a warning. */
#ifndef VLX_MTABLE_H
#define VLX_MTABLE_H

#include <stdint.h>

struct VLgeometry;

/* Property bits of a table's mask. */
enum {
  VLAMBIENT = 1,
  VLDIFFUSE = 2,
  VLSPECULAR = 4,
  VLSHININESS = 8,
  VLEMISSION = 16,
  VLAMBIENTDIFFUSE = 32,
  VLOPACITY = 64
};

/* Indexes of the properties in the layout tables (propoffset). */
enum {
  VLMT_AMBIENT = 0,
  VLMT_DIFFUSE = 1,
  VLMT_SPECULAR = 2,
  VLMT_SHININESS = 3,
  VLMT_EMISSION = 4,
  VLMT_AMBIENTDIFFUSE = 5,
  VLMT_OPACITY = 6,
  VLMT_NPROPS = 7
};

#define VLMTABLE_NAMELEN 260   /* name buffer, terminator included */
#define VLMTABLE_MAXSLOTS 5
#define VLMTABLE_MAXCAPACITY 19001  /* the largest table size */

/* One overflow cell of a hash bucket. */
struct VLmhashcell {
  int32_t index;
  VLmhashcell *next;
};

/* A hash bucket: the first entry index (-1 when empty) and the others. */
struct VLmhashbucket {
  int32_t first;
  VLmhashcell *overflow;
};

/* One geometry that uses a table (the geometry knows its cell, so that
 * letting go of a table takes constant time however many share it). */
struct VLmtableuser {
  VLmtableuser *next;
  VLgeometry *geometry;
  VLmtableuser *prev;
};

struct VLmtable {
  char name[VLMTABLE_NAMELEN];
  uint32_t mask;                           /* property bits (7 bits) */
  uint32_t entrysize;                      /* floats per entry */
  uint32_t nslots;                         /* slots in the layout */
  uint32_t slotoffset[VLMTABLE_MAXSLOTS + 1];  /* plus one past the end */
  uint32_t slotsize[VLMTABLE_MAXSLOTS];
  int32_t propoffset[VLMT_NPROPS];         /* entry offset by property, -1 absent */
  uint32_t slotprop[VLMTABLE_MAXSLOTS];    /* property index held by each slot */
  int32_t nentries;
  int32_t capacity;                        /* one of the table sizes */
  float **entries;                         /* one owned array per entry */
  char **entrynames;                       /* null until first used */
  VLmhashbucket *buckets;                  /* capacity buckets */
  VLmtable *next;                          /* the table list, newest first */
  VLmtableuser *users;
  unsigned long serial;                    /* order of making, from 1 */
  bool freewithusers;                      /* made by a model load: freed when
                                              its last geometry lets go */
};

/* --- tables --- */
/* New table with the layout of mask; capacity is rounded up to a table
 * size; null name generates "mtN". Null + warning for a bad name. */
VLmtable *VLmtable_new(uint32_t mask, int capacity, const char *name);
/* Names the table (cleaned of paths and extension); false + warning for a
 * null, reserved, blank-holding or already used name. */
bool VLmtable_setname(VLmtable *t, const char *name);
/* Table whose name is exactly name, or null. */
VLmtable *VLmtable_find(const char *name);
/* Reads a ".mat" file found along VLMODELS; null + warning when it cannot. */
VLmtable *VLmtable_load(const char *name);
/* Frees the table and clears its users' table pointers; false for null. */
bool VLmtable_delete(VLmtable *t);
/* Property mask; 0 for null. */
uint32_t VLmtable_getmask(const VLmtable *t);
/* First table of the list (newest first), or null. */
VLmtable *VLmtable_first(void);

/* --- entries --- */
/* Index of a new default entry; -1 + warning for a null table. */
int VLmtable_newentry(VLmtable *t);
/* Index of an entry equal to values (entrysize floats), added when none. */
int VLmtable_addentry(VLmtable *t, const float *values);
/* Sets one property of an entry (3 floats for colours, 1 otherwise);
 * false when the table lacks the property or the index is out of range. */
bool VLmtable_setvalue(VLmtable *t, int index, const float *values, uint32_t property);
/* Reads one property of an entry; false as for setvalue. */
bool VLmtable_getvalue(const VLmtable *t, int index, float *values, uint32_t property);
/* Names entry index (copied); false for a bad index or null name. */
bool VLmtable_setentryname(VLmtable *t, int index, const char *name);
/* First entry with that name, or -1. */
int VLmtable_findentryname(const VLmtable *t, const char *name);
/* Find-or-add of a colour: 0-255 per channel, 0xRRGGBB, 0xRGB. -1 when the
 * table has no ambient, diffuse or ambient-and-diffuse colour. */
int VLmtable_findcolor(VLmtable *t, uint8_t r, uint8_t g, uint8_t b);
int VLmtable_findcolor24(VLmtable *t, uint32_t rgb);
int VLmtable_findcolor12(VLmtable *t, uint32_t rgb);
/* Entry index of src converted to dst's layout and found in or added to
 * dst; -1 for a bad index or null table. */
int VLmtable_copyentry(const VLmtable *src, int index, VLmtable *dst);

/* --- merging and users --- */
/* New table with the properties and entries of both (a's entries first,
 * then b's, at a's count + their index); a or b itself when the other is
 * null or both are the same. */
VLmtable *VLmtable_merge(VLmtable *a, VLmtable *b);
/* Merges g's table into t, makes the merged table g's table and re-points
 * g's vertex and polygon colours; returns the merged table (null for null). */
VLmtable *VLmtable_mergegeometry(VLmtable *t, VLgeometry *g);
/* Makes t g's table, moving g from its old table's users to t's. */
void VLmtable_attach(VLgeometry *g, VLmtable *t);
/* Removes g from t's users and clears g's table pointer when it is t. */
void VLmtable_detach(VLmtable *t, VLgeometry *g);

#endif
