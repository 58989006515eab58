/* Allocation wrappers that turn an exhausted heap into the fatal error, so
 * that no caller checks an allocation result; string helpers; the wait
 * cursor over the window system's cursor calls (registered when it starts). */
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "core/state.h"
#include "vlx/diag.h"

void *VLmalloc(size_t size) {
  void *p = malloc(size ? size : 1);
  if (!p) VLMSG(OUT_OF_MEMORY);
  return p;
}

void *VLrealloc(void *p, size_t size) {
  void *q = realloc(p, size ? size : 1);
  if (!q) VLMSG(OUT_OF_MEMORY);
  return q;
}

char *VLstrdup(const char *s) {
  if (!s) return nullptr;
  size_t n = strlen(s) + 1;
  char *d = static_cast<char *>(VLmalloc(n));
  memcpy(d, s, n);
  return d;
}

char *VLstrlower(char *s) {
  if (!s) return s;
  for (char *c = s; *c; ++c) *c = static_cast<char>(tolower(static_cast<unsigned char>(*c)));
  return s;
}

void _VLcursor_setcalls(void *(*waitcursor)(void), void *(*setcursor)(void *cursor)) {
  _VLcore().waitcursorfn = waitcursor;
  _VLcore().setcursorfn = setcursor;
}

void VLcursor_wait(void *cursor) {
  VLcorestate &core = _VLcore();
  if (!core.setcursorfn) return;
  if (cursor == VLCURSOR_RESTORE) {
    if (core.havereplaced) core.setcursorfn(core.replacedcursor);
    return;
  }
  if (cursor == VLCURSOR_WAIT) {
    core.waitcursor = core.waitcursorfn ? core.waitcursorfn() : nullptr;
    cursor = core.waitcursor;
  }
  core.replacedcursor = core.setcursorfn(cursor);
  core.havereplaced = true;
}
