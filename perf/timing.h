/* Timing of the performance harness: the clock in seconds and the frame
 * rate of the toolkit drawing the current scene. Header-only. */
#ifndef VLX_PERF_TIMING_H
#define VLX_PERF_TIMING_H

#include <chrono>

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

}  // namespace perf

#endif
