/* Timing of the performance harness: the clock in seconds and the frame
 * rate of the toolkit drawing the current scene. Header-only. */
#ifndef VLX_PERF_TIMING_H
#define VLX_PERF_TIMING_H

#include <stdio.h>
#include <stdlib.h>

#include <chrono>

#include "vlx/node.h"

namespace perf {

inline double now_s(void) {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

/* Frames per second of the toolkit drawing the current scene (after the
 * warm-up frames), measured for at least the given time. */
template <class Go1>
inline double toolkit_framerate(double seconds, Go1 go1, int warmup = 5) {
  for (int i = 0; i < warmup; ++i) go1();
  long frames = 0;
  double t0 = now_s(), t1;
  do {
    go1();
    ++frames;
    t1 = now_s();
  } while (t1 - t0 < seconds);
  return double(frames) / (t1 - t0);
}

/* Best of 3 loads of a model file with VLnode_load, in seconds. Each load
 * goes under a fresh group that is deleted after it (every node a file of
 * several meshes attached goes with it); after() runs after each deletion.
 * A file that does not load ends the program. */
template <class After>
inline double best_load_s(const char *path, After after) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    VLnode *group = VLgroupnode_new(nullptr);
    double t0 = now_s();
    VLnode *n = VLnode_load(group, path, 1.0f);
    double t1 = now_s();
    if (!n) {
      fprintf(stderr, "%s did not load\n", path);
      exit(1);
    }
    VLnode_delete(group);
    after();
    if (t1 - t0 < best) best = t1 - t0;
  }
  return best;
}

inline double best_load_s(const char *path) {
  return best_load_s(path, [] {});
}

}  // namespace perf

#endif
