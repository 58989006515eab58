/* Unchecked core of the material tables, shared by their files. */
#ifndef VLX_GEOMETRY_MTABLE_INTERNAL_H
#define VLX_GEOMETRY_MTABLE_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

#include <string>

struct VLmtable;

/* First table size not below request; the largest size beyond the list. */
int _VLmtable_capacityfor(int request);
/* New unnamed table with the layout of mask at the front of the list. */
VLmtable *_VLmtable_create(uint32_t mask, int capacity);
/* An entry of t's layout holding the default values. */
void _VLmtable_defaults(const VLmtable *t, float *out);
/* Index of an entry bit-identical to values, or -1. */
int _VLmtable_lookup(const VLmtable *t, const float *values);
/* Appends a copy of values (growing when full) and hashes it; -1 (with a
 * warning) when the table is at its largest size and full. */
int _VLmtable_append(VLmtable *t, const float *values);
/* Takes entry index out of the hash / puts it in by its current bits. */
void _VLmtable_unhash(VLmtable *t, int index);
void _VLmtable_hash(VLmtable *t, int index);
/* Drops the render caches of every geometry that uses t. */
void _VLmtable_invalidate(VLmtable *t);

/* Name cleaning: text from the last "." on removed, then only what follows
 * the last ":", "/" and "\\" kept. False when the result is empty or holds
 * a blank. */
bool _VLmtable_cleanname(const char *given, std::string &out);
/* N of a name "mt" + digits, or -1. */
long _VLmtable_mtnumber(const char *name);
/* Stores a name in t (keeping the generated-number register in step);
 * false when it does not fit the name buffer. */
bool _VLmtable_storename(VLmtable *t, const char *name);
/* Gives t the next generated name "mtN"; false + warning beyond 999999. */
bool _VLmtable_generatename(VLmtable *t);
/* Forgets t's name in the register (before t is freed). */
void _VLmtable_forgetname(VLmtable *t);

/* Parses the bytes of a ".mat" file (path for messages, name for the
 * table); null after a warning when they do not make a table. */
VLmtable *_VLmtable_read(const char *path, const char *name, const char *data, size_t size);

/* The serial of the newest table made (0 for none). A model load notes it
 * before reading; afterwards _VLmtable_ownbyusers marks every table made
 * since that geometries use, so that each is freed with its last geometry,
 * and frees those that none uses: loading and deleting a model again and
 * again leaves no tables behind. */
unsigned long _VLmtable_newest(void);
void _VLmtable_ownbyusers(unsigned long since);

#endif
