/* Path files (".pth"): the line "path record v.2" (the rest of it is
 * ignored), the record count, then per record "Posi  x y z" and
 * "Orie  x y z w". Read through the tokenizer (no comments); a record that
 * does not read (or holds a value that is not finite), a negative count or
 * fewer records than counted make the whole load fail with a warning, and
 * nothing is kept. A zero orientation quaternion cannot orient anything: it
 * is replaced by the orientation before it (the identity for the first
 * record), with one warning per file. Written with nine significant
 * digits, so that a saved path loads back to the same floats. */
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "core/messages.h"
#include "motion/motion_internal.h"
#include "readers/bytes/modelpath.h"
#include "readers/text/tokenizer.h"
#include "vlx/diag.h"
#include "vlx/math.h"

namespace {

const char kMagic[] = "path record v.2";
constexpr size_t kMagicLength = sizeof kMagic - 1;

/* A line of exactly the keyword and n floats. */
bool read_line(VLtokenizer *t, const char *keyword, float *out, int n) {
  if (!VLtok_nextline(t)) return false;
  const char *word = VLtok_next(t);
  if (!word || strcmp(word, keyword) != 0) return false;
  for (int i = 0; i < n; ++i) {
    const char *token = VLtok_next(t);
    size_t used;
    if (!token || !VLtok_parsefloat(token, &out[i], &used) || !isfinite(out[i])) return false;
  }
  return VLtok_next(t) == nullptr;
}

bool read_count(VLtokenizer *t, int *count) {
  if (!VLtok_nextline(t)) return false;
  const char *token = VLtok_next(t);
  size_t used;
  return token && VLtok_parseint(token, count, &used) && *count >= 0 && !VLtok_next(t);
}

bool zero_quaternion(const float q[4]) {
  return fabsf(q[0]) < VLEPSILON && fabsf(q[1]) < VLEPSILON && fabsf(q[2]) < VLEPSILON &&
         fabsf(q[3]) < VLEPSILON;
}

/* The records after the first line; false (after a warning) when the count
 * or a record does not read. */
bool read_records(VLtokenizer *t, VLpath *path, const char *name) {
  int count;
  if (!read_count(t, &count)) {
    VLMSG(PATH_BAD_COUNT, name);
    return false;
  }
  VLq previous = {0, 0, 0, 1};
  int zeros = 0;
  for (int i = 0; i < count; ++i) {
    float p[3], q[4];
    if (!read_line(t, "Posi", p, 3) || !read_line(t, "Orie", q, 4)) {
      VLMSG(PATH_BAD_RECORD, name, i + 1, count);
      return false;
    }
    VLp3 pos = {p[0], p[1], p[2]};
    VLq orientation = {q[0], q[1], q[2], q[3]};
    if (zero_quaternion(q)) {
      orientation = previous;
      ++zeros;
    }
    previous = orientation;
    VLpath_addrecord(path, VLpathrecord_new(&pos, &orientation));
  }
  if (zeros) VLMSG(PATH_ZERO_ORIENTATION, name, zeros);
  return true;
}

/* The path of an open tokenizer, or null after the messages. */
VLpath *read_path(VLtokenizer *t, const char *name, VLobject *marker) {
  if (t->size < kMagicLength || memcmp(t->data, kMagic, kMagicLength) != 0) {
    VLMSG(PATH_NOT_PATH, name);
    return nullptr;
  }
  VLpath *path = VLpath_new(marker);
  if (!path) return nullptr;
  if (!read_records(t, path, name)) {
    VLpath_delete(path);
    return nullptr;
  }
  path->state = VLPATH_STOPPED;
  path->current = path->first;
  return path;
}

}  // namespace

VLpath *VLpath_read(const char *name, const char *data, size_t size, VLobject *marker) {
  if (!name || !data) return nullptr;
  VLtokenizer *t = VLtok_openbytes(name, data, size, nullptr);
  VLpath *path = read_path(t, name, marker);
  VLtok_close(t);
  return path;
}

VLpath *VLpath_load(const char *name, VLobject *marker) {
  if (!name) return nullptr;
  std::string found;
  if (!_VLmodelpath_find(name, &found)) {
    VLMSG(PATH_NOT_FOUND, name);
    return nullptr;
  }
  FILE *f = fopen(found.c_str(), "rb");
  if (!f) {
    VLMSG(PATH_SYSTEM_ERROR, name, strerror(errno));
    return nullptr;
  }
  VLtokenizer *t = VLtok_open(found.c_str(), f, nullptr);
  fclose(f);
  VLpath *path = read_path(t, name, marker);
  VLtok_close(t);
  return path;
}

bool VLpath_save(VLpath *path, const char *name) {
  if (!path || !name) return false;
  FILE *f = fopen(name, "w");
  if (!f) {
    VLMSG(PATH_SYSTEM_ERROR, name, strerror(errno));
    return false;
  }
  fprintf(f, "%s\n%d\n", kMagic, path->count);
  for (const VLpathrecord *r = path->first; r; r = r->next) {
    fprintf(f, "Posi  %.9g %.9g %.9g\n", r->position.x, r->position.y, r->position.z);
    fprintf(f, "Orie  %.9g %.9g %.9g %.9g\n", r->orientation.x, r->orientation.y,
            r->orientation.z, r->orientation.w);
  }
  bool ok = !ferror(f);
  if (fclose(f) != 0) ok = false;
  if (!ok) VLMSG(PATH_SYSTEM_ERROR, name, strerror(errno));
  return ok;
}
