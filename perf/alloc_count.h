/* Counting of live heap allocations and the resident set size for the
 * soak harnesses. The program's allocation functions wrap glibc's; include
 * this header in exactly one file of a program. */
#ifndef VLX_PERF_ALLOC_COUNT_H
#define VLX_PERF_ALLOC_COUNT_H

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>

/* Live allocation count: every block handed out and not yet freed. The
 * program's allocation functions wrap glibc's. */
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void __libc_free(void *);
}

namespace {
std::atomic<long> g_live{0};
}

extern "C" void *malloc(size_t n) {
  void *p = __libc_malloc(n);
  if (p) ++g_live;
  return p;
}
extern "C" void *calloc(size_t n, size_t m) {
  void *p = __libc_calloc(n, m);
  if (p) ++g_live;
  return p;
}
extern "C" void *realloc(void *q, size_t n) {
  void *p = __libc_realloc(q, n);
  if (!q && p) ++g_live;
  if (q && !n && !p) --g_live;
  return p;
}
extern "C" void free(void *p) {
  if (p) --g_live;
  __libc_free(p);
}

namespace {

inline long rss_kib(void) {
  FILE *f = fopen("/proc/self/statm", "r");
  if (!f) return -1;
  long pages = 0, resident = 0;
  if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
  fclose(f);
  return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

#endif
