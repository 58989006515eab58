/* The whole-file fetch: see fetch.h. Files are read with read() in one
 * buffer that grows by doubling, one byte past the limit at most, so a
 * file that grows while it is read is still refused cleanly. */
#include "readers/bytes/fetch.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/messages.h"
#include "vlx/diag.h"

namespace {

/* Reads through next(buffer, room) until it gives 0 (end) or < 0 (error). */
template <typename Next>
int read_all(Next next, size_t hint, char **data, size_t *size) {
  size_t cap = hint < 65536 ? 65536 : hint + 1;
  if (cap > size_t(VLFETCH_MAXBYTES) + 2) cap = size_t(VLFETCH_MAXBYTES) + 2;
  char *buf = static_cast<char *>(VLmalloc(cap));
  size_t n = 0;
  int result = VLFETCH_OK;
  for (;;) {
    if (n > VLFETCH_MAXBYTES) {
      result = VLFETCH_TOOLARGE;
      break;
    }
    if (n + 1 >= cap) {
      cap = cap * 2 > size_t(VLFETCH_MAXBYTES) + 2 ? size_t(VLFETCH_MAXBYTES) + 2 : cap * 2;
      buf = static_cast<char *>(VLrealloc(buf, cap));
    }
    long got = next(buf + n, cap - 1 - n);
    if (got < 0) {
      result = VLFETCH_READERROR;
      break;
    }
    if (got == 0) break;
    n += size_t(got);
  }
  if (result != VLFETCH_OK) {
    free(buf);
    *data = nullptr;
    *size = 0;
    return result;
  }
  buf[n] = '\0';
  *data = buf;
  *size = n;
  return VLFETCH_OK;
}

/* read() until n bytes, the end or an error (-1). */
long read_fd(int fd, char *b, size_t room) {
  for (;;) {
    ssize_t got = read(fd, b, room);
    if (got >= 0) return long(got);
    if (errno != EINTR) return -1;
  }
}

}  // namespace

int _VLfetch_openregular(const char *path, struct stat *st) {
  if (!path) return -1;
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat own;
  if (!st) st = &own;
  if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

int _VLfetch_head(const char *path, void *buffer, size_t cap, size_t *n) {
  *n = 0;
  struct stat st;
  int fd = _VLfetch_openregular(path, &st);
  if (fd < 0) return VLFETCH_CANTOPEN;
  char *b = static_cast<char *>(buffer);
  int result = VLFETCH_OK;
  while (*n < cap) {
    long got = read_fd(fd, b + *n, cap - *n);
    if (got < 0) result = VLFETCH_READERROR;
    if (got <= 0) break;
    *n += size_t(got);
  }
  close(fd);
  return result;
}

int _VLfetch_file(const char *path, char **data, size_t *size) {
  *data = nullptr;
  *size = 0;
  struct stat st;
  int fd = _VLfetch_openregular(path, &st);
  if (fd < 0) return VLFETCH_CANTOPEN;
  if (st.st_size > off_t(VLFETCH_MAXBYTES)) {
    close(fd);
    return VLFETCH_TOOLARGE;
  }
  int result = read_all(
      [fd](char *b, size_t room) -> long { return read_fd(fd, b, room); },
      size_t(st.st_size), data, size);
  close(fd);
  return result;
}

int _VLfetch_stream(FILE *stream, char **data, size_t *size) {
  *data = nullptr;
  *size = 0;
  if (!stream) return VLFETCH_CANTOPEN;
  /* The bytes left in a regular file size the buffer at once, so a large
   * file is not copied again at every doubling. */
  struct stat st;
  size_t hint = 0;
  long at = ftell(stream);
  if (at >= 0 && fstat(fileno(stream), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > at)
    hint = size_t(st.st_size - at);
  return read_all(
      [stream](char *b, size_t room) -> long {
        size_t got = fread(b, 1, room, stream);
        return got == 0 && ferror(stream) ? -1 : long(got);
      },
      hint, data, size);
}

bool _VLfetch_warned(const char *path, FILE *stream, char **data, size_t *size) {
  int fetched = stream ? _VLfetch_stream(stream, data, size) : _VLfetch_file(path, data, size);
  if (fetched == VLFETCH_TOOLARGE) {
    VLMSG(FILE_TOO_LARGE, path ? path : "", VLFETCH_MAXBYTES);
    return false;
  }
  if (fetched != VLFETCH_OK) {
    VLMSG(TOK_CANT_OPEN, path ? path : "");
    return false;
  }
  return true;
}
