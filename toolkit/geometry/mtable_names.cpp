/* Material-table names: cleaning of paths and extensions, the reserved
 * "mtN" names and their generation, uniqueness, and the register of
 * generated numbers that keeps generation independent of the table count. */
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "core/messages.h"
#include "geometry/mtable_internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/mtable.h"

namespace {

const long kMaxGenerated = 999999;

/* Keeps what follows the last c (everything when there is none). */
void keep_after_last(std::string &s, char c) {
  size_t at = s.rfind(c);
  if (at != std::string::npos) s.erase(0, at + 1);
}

bool has_blank(const std::string &s) {
  for (char c : s)
    if (isspace(static_cast<unsigned char>(c))) return true;
  return false;
}

/* "mt" followed by digits whose value is above 0. */
bool reserved(const char *name) {
  if (strncmp(name, "mt", 2) != 0) return false;
  bool positive = false;
  for (const char *c = name + 2; isdigit(static_cast<unsigned char>(*c)); ++c)
    if (*c != '0') positive = true;
  return positive;
}

bool name_taken(const VLmtable *self, const char *name) {
  for (const VLmtable *t = _VLgeom().tables; t; t = t->next)
    if (t != self && strcmp(t->name, name) == 0) return true;
  return false;
}

}  // namespace

bool _VLmtable_cleanname(const char *given, std::string &out) {
  out = given;
  size_t dot = out.rfind('.');
  if (dot != std::string::npos) out.erase(dot);
  keep_after_last(out, ':');
  keep_after_last(out, '/');
  keep_after_last(out, '\\');
  return !out.empty() && !has_blank(out);
}

long _VLmtable_mtnumber(const char *name) {
  if (strncmp(name, "mt", 2) != 0 || !name[2]) return -1;
  long n = 0;
  for (const char *c = name + 2; *c; ++c) {
    if (!isdigit(static_cast<unsigned char>(*c))) return -1;
    if (n <= kMaxGenerated) n = n * 10 + (*c - '0');  /* saturates above the limit */
  }
  return n;
}

void _VLmtable_forgetname(VLmtable *t) {
  long n = _VLmtable_mtnumber(t->name);
  if (n < 0) return;
  VLgeomstate &s = _VLgeom();
  auto it = s.mtnumbers.find(n);
  if (it != s.mtnumbers.end()) s.mtnumbers.erase(it);
}

bool _VLmtable_storename(VLmtable *t, const char *name) {
  if (strlen(name) >= VLMTABLE_NAMELEN) {
    VLMSG(MT_NAME_TOO_LONG, name, VLMTABLE_NAMELEN - 1);
    return false;
  }
  _VLmtable_forgetname(t);
  strcpy(t->name, name);
  long n = _VLmtable_mtnumber(name);
  if (n >= 0) _VLgeom().mtnumbers.insert(n);
  return true;
}

bool _VLmtable_generatename(VLmtable *t) {
  VLgeomstate &s = _VLgeom();
  _VLmtable_forgetname(t);
  t->name[0] = '\0';
  long next = s.mtnumbers.empty() ? 1 : *s.mtnumbers.rbegin() + 1;
  if (next > kMaxGenerated) {
    /* Told once: a loop that makes tables would repeat it for each. */
    if (!s.mtnameswarned) VLMSG(MT_TOO_MANY_NAMES);
    s.mtnameswarned = true;
    return false;
  }
  s.mtnameswarned = false;
  char name[32];
  snprintf(name, sizeof name, "mt%ld", next);
  return _VLmtable_storename(t, name);
}

bool VLmtable_setname(VLmtable *t, const char *name) {
  if (!t) return false;
  if (!name) {
    VLMSG(MT_NULL_NAME);
    return false;
  }
  if (reserved(name)) {
    VLMSG(MT_RESERVED);
    VLMSG(MT_RESERVED_NAME, name);
    return false;
  }
  std::string clean;
  if (!_VLmtable_cleanname(name, clean)) {
    VLMSG(MT_NAME_BLANK, name);
    return false;
  }
  if (clean != name) {
    VLMSG(MT_NAME_DELIMITERS);
    VLMSG(MT_NAME_SHORTENED, name, clean.c_str());
  }
  if (name_taken(t, clean.c_str())) {
    VLMSG(MT_NAME_EXISTS, name);
    return false;
  }
  return _VLmtable_storename(t, clean.c_str());
}
