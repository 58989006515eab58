/* Soak run of model loading: each file named on the command line is loaded
 * into the scene and deleted again, many times, and the resident set size
 * and the number of live heap allocations are printed after the first tenth
 * of the rounds and at the end; neither should grow. A load that fails is
 * counted too, since a failure path may leak as well.
 *   perf_load_soak [rounds, default 10000] FILE... 2>/dev/null
 * Warnings of the loads go to standard error; the soak lines to standard
 * output. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "alloc_count.h"
#include "vlx/vlx.h"

namespace {

/* One load and the deletion of everything it attached (a file of several
 * meshes gives several nodes); whether the load gave a node. */
bool load_once(VLnode *parent, const char *path) {
  VLnode *n = VLnode_load(parent, path, 1.0f);
  while (VLnode_numchildren(parent) > 0) VLnode_deletechild(parent, 0);
  return n != nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  int first = 1;
  long rounds = 10000;
  if (argc > 1 && strspn(argv[1], "0123456789") == strlen(argv[1])) {
    rounds = atol(argv[1]);
    first = 2;
  }
  if (first >= argc || rounds < 10) {
    fprintf(stderr, "usage: perf_load_soak [rounds >= 10] FILE...\n");
    return 2;
  }
  if (!getenv("VLXOFFSCREEN")) setenv("VLXOFFSCREEN", "1", 1);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  printf("%-40s %8s %10s %10s %12s %12s %s\n", "file", "rounds", "rss(KiB)", "rss end",
         "live", "live end", "loaded");
  int status = 0;
  for (int f = first; f < argc; ++f) {
    const char *path = argv[f];
    VLnode *parent = VLsepnode_new(nullptr);
    long loaded = 0, rss0 = 0, live0 = 0;
    for (long i = 0; i < rounds; ++i) {
      loaded += load_once(parent, path);
      if (i + 1 == rounds / 10) {
        rss0 = rss_kib();
        live0 = g_live.load();
      }
    }
    long rss1 = rss_kib(), live1 = g_live.load();
    VLnode_delete(parent);
    /* 2 % of the resident set, and of the live allocations. */
    bool grew = rss1 > rss0 + rss0 / 50 || live1 > live0 + live0 / 50;
    printf("%-40s %8ld %10ld %10ld %12ld %12ld %ld%s\n", path, rounds, rss0, rss1, live0, live1,
           loaded, grew ? "  GREW" : "");
    fflush(stdout);
    if (grew) status = 1;
  }
  VLuniverse_delete();
  return status;
}
