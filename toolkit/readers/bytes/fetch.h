/* The one whole-file fetch of every reader. Only regular files are opened
 * (a directory, a FIFO or a device fails at once, never blocks), and no file
 * larger than VLFETCH_MAXBYTES is read: a reader works on a byte buffer
 * that holds its whole input. */
#ifndef VLX_READERS_BYTES_FETCH_H
#define VLX_READERS_BYTES_FETCH_H

#include <stddef.h>
#include <stdio.h>

/* The largest input of any reader: 256 MiB. */
#define VLFETCH_MAXBYTES (256u << 20)

enum {
  VLFETCH_OK = 0,
  VLFETCH_CANTOPEN,   /* missing, unreadable or not a regular file */
  VLFETCH_TOOLARGE,   /* more than VLFETCH_MAXBYTES */
  VLFETCH_READERROR
};

/* A read-only descriptor of the regular file at path (its status in *st
 * when st is not null), opened without blocking; -1 for anything else (a
 * missing file, a directory, a FIFO, a device). Close it with close(). */
struct stat;
int _VLfetch_openregular(const char *path, struct stat *st);

/* Every byte of the regular file at path into a VLmalloc'd buffer (release
 * with free()) that holds one extra zero byte after the data. On failure
 * *data is null, *size 0 and the result says why. */
int _VLfetch_file(const char *path, char **data, size_t *size);
/* The first bytes of the regular file at path (at most cap; *n of them). */
int _VLfetch_head(const char *path, void *buffer, size_t cap, size_t *n);
/* The same as _VLfetch_file for the rest of an open stream, from its
 * position. */
int _VLfetch_stream(FILE *stream, char **data, size_t *size);

/* The rest of stream, or the file at path when stream is null, with the
 * readers' two warnings on failure: "File %s is larger than %u bytes" and
 * "Can't open '%s' for input". False after a warning. */
bool _VLfetch_warned(const char *path, FILE *stream, char **data, size_t *size);

#endif
