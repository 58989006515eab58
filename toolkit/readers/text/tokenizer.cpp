/* The line tokenizer: reading physical lines out of the byte buffer,
 * cutting them into tokens, comments and continuations, the logical-line
 * and any-line token walks, and the file entry point. Conversions and the
 * position report are in tokenizer_report.cpp. Every read is bounded by the
 * buffer size and by the fixed line and token tables. */
#include "readers/text/tokenizer.h"

#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "vlx/diag.h"

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/* Cuts work_line into tokens in place, up to the comment marker: the
 * first token holding the marker is cut there and stays only when
 * something precedes the marker; every later token goes. The marker holds
 * no separator, so cutting the line at its first occurrence before
 * splitting gives the same tokens, found with one search per line instead
 * of one per token. */
void split_tokens(VLtokenizer *t) {
  char *s = t->work_line;
  size_t n = t->raw_length;
  if (t->comment && *t->comment) {
    char *at = strstr(s, t->comment);
    if (at) n = size_t(at - s);
  }
  size_t i = 0;
  while (i < n) {
    while (i < n && is_separator(s[i])) ++i;
    if (i == n) break;
    t->tokens[t->count++] = s + i;
    while (i < n && !is_separator(s[i])) ++i;
    s[i] = '\0';  /* a separator, the marker, or the terminator */
    ++i;
  }
}

/* A continuation character ending the last token continues the line; the
 * character goes, and the token too when nothing else is left of it. */
void take_continuation(VLtokenizer *t) {
  if (t->count == 0) return;
  char *last = t->tokens[t->count - 1];
  size_t len = strlen(last);
  if (len == 0 || !strchr(t->continuation, last[len - 1])) return;
  t->continued = true;
  last[len - 1] = '\0';
  if (len == 1) t->count--;
}

}  // namespace

/* ---------- opening and closing ---------- */

VLtokenizer *VLtok_openbytes(const char *path, const char *data, size_t size,
                             const char *comment) {
  VLtokenizer *t = static_cast<VLtokenizer *>(VLmalloc(sizeof *t));
  t->path = VLstrdup(path ? path : "");
  t->data = data;
  t->size = data ? size : 0;
  t->pos = 0;
  t->owned = nullptr;
  t->comment = comment;
  t->continuation = "\\";
  t->line_number = 0;
  t->raw_length = 0;
  t->raw_line[0] = t->work_line[0] = '\0';
  t->count = 0;
  t->continued = false;
  t->index = 0;
  VLtok_readline(t);
  return t;
}

VLtokenizer *VLtok_open(const char *path, FILE *stream, const char *comment) {
  char *bytes = nullptr;
  size_t size = 0;
  if (!_VLfetch_warned(path, stream, &bytes, &size)) return nullptr;
  VLtokenizer *t = VLtok_openbytes(path, bytes, size, comment);
  t->owned = bytes;
  return t;
}

void VLtok_close(VLtokenizer *t) {
  if (!t) return;
  free(t->owned);
  free(t->path);
  free(t);
}

/* ---------- lines ---------- */

int VLtok_readline(VLtokenizer *t) {
  if (!t || t->pos >= t->size) return 0;
  /* Up to and including the line feed, at most VLTOK_LINEMAX bytes; a NUL
   * byte reads as a blank. */
  size_t room = t->size - t->pos < VLTOK_LINEMAX ? t->size - t->pos : VLTOK_LINEMAX;
  const char *from = t->data + t->pos;
  const char *lf = static_cast<const char *>(memchr(from, '\n', room));
  size_t n = lf ? size_t(lf - from) + 1 : room;
  memcpy(t->raw_line, from, n);
  t->pos += n;
  for (char *z = static_cast<char *>(memchr(t->raw_line, '\0', n)); z;
       z = static_cast<char *>(memchr(z, '\0', n - size_t(z - t->raw_line))))
    *z = ' ';
  t->raw_line[n] = '\0';
  t->raw_length = n;
  t->line_number++;
  t->index = 0;
  t->count = 0;
  t->continued = false;
  memcpy(t->work_line, t->raw_line, n + 1);
  split_tokens(t);
  take_continuation(t);
  return 1;
}

int VLtok_nextline(VLtokenizer *t) {
  while (VLtok_readline(t))
    if (t->count > 0) return 1;
  return 0;
}

/* ---------- tokens ---------- */

const char *VLtok_next(VLtokenizer *t) {
  if (!t) return nullptr;
  for (;;) {
    if (t->index < t->count) return t->tokens[t->index++];
    if (!t->continued) {
      t->index = t->count + 1;
      return nullptr;
    }
    if (!VLtok_readline(t)) return nullptr;
  }
}

const char *VLtok_nextany(VLtokenizer *t) {
  if (!t) return nullptr;
  while (t->index >= t->count)
    if (!VLtok_readline(t)) return nullptr;
  return t->tokens[t->index++];
}

int VLtok_unget(VLtokenizer *t) {
  if (!t || t->index <= 0) return 0;
  t->index--;
  return 1;
}

int VLtok_index(const VLtokenizer *t) { return t ? t->index : 0; }

/* ---------- splitting ---------- */

int VLtok_split(char *string, char **parts, int maxparts, const char *delimiters) {
  if (!string || !parts || maxparts <= 0 || !delimiters) return 0;
  int n = 0;
  char *s = string;
  for (;;) {
    s += strspn(s, delimiters);
    if (!*s) break;
    parts[n++] = s;
    if (n == maxparts) break;
    s += strcspn(s, delimiters);
    if (!*s) break;
    *s++ = '\0';
  }
  return n;
}
