/* perf_obj_read [dir]: reading Wavefront OBJ. Writes a height field of
 * 1 000 000 triangles with a position, texture vertex and normal for every
 * corner ("f a/a/a b/b/b c/c/c", about 100 MB) and the same of 250 000
 * triangles into dir ($TMPDIR, else /tmp), then times VLnode_load on each
 * (best of 3) and prints triangles per second; reading is linear when the
 * 1 M time is about 4 times the 250 k time. When the `assimp` command is
 * installed, `assimp info FILE -r` (a raw read, no post-processing) is
 * timed on the same files in the same run and the ratio printed. Wall
 * time and processor time are both given: on a shared machine the wall
 * time follows the load of the other processes, the processor time much
 * less, so the linearity and the comparison are read from the latter. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "display/device/device.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

/* Appends printf output to a byte buffer. */
struct Out {
  std::vector<char> bytes;
  template <typename... A>
  void put(const char *format, A... args) {
    char line[160];
    int n = snprintf(line, sizeof line, format, args...);
    bytes.insert(bytes.end(), line, line + n);
  }
};

/* A deterministic height field of w x h quads, each two triangles. */
bool write_height_field(const std::string &path, int w, int h) {
  Out o;
  o.bytes.reserve(size_t(w) * size_t(h) * 110);
  o.put("# height field %d x %d\no terrain\n", w, h);
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      float fx = float(x) * 0.1f, fy = float(y) * 0.1f;
      o.put("v %.4f %.4f %.6f\n", fx, fy, sinf(fx * 0.7f) * cosf(fy * 0.5f));
    }
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) o.put("vt %.6f %.6f\n", float(x) / float(w), float(y) / float(h));
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      float fx = float(x) * 0.1f, fy = float(y) * 0.1f;
      float dx = 0.7f * cosf(fx * 0.7f) * cosf(fy * 0.5f);
      float dy = -0.5f * sinf(fx * 0.7f) * sinf(fy * 0.5f);
      float len = sqrtf(dx * dx + dy * dy + 1.0f);
      o.put("vn %.6f %.6f %.6f\n", -dx / len, -dy / len, 1.0f / len);
    }
  o.put("s 1\n");
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int a = y * (w + 1) + x + 1, b = a + 1, c = a + w + 1, d = c + 1;
      o.put("f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, d, d, d);
      o.put("f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, d, d, d, c, c, c);
    }
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(o.bytes.data(), 1, o.bytes.size(), f) == o.bytes.size();
  return fclose(f) == 0 && ok;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

/* Processor time of this process. */
double process_cpu(void) {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

/* Processor time of the children waited for so far. */
double children_cpu(void) {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

/* Best wall and best processor time of 3 runs, in seconds. */
struct Timing {
  double wall = 1e30, cpu = 1e30;
  void add(double w, double c) {
    if (w < wall) wall = w;
    if (c < cpu) cpu = c;
  }
};

Timing time_load(const std::string &path) {
  Timing best;
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    double c0 = process_cpu();
    VLnode *n = VLnode_load(nullptr, path.c_str(), 1.0f);
    best.add(seconds_since(t0), process_cpu() - c0);
    if (!n) {
      fprintf(stderr, "%s did not load\n", path.c_str());
      exit(1);
    }
    VLnode_delete(n);
  }
  return best;
}

bool have_assimp(void) { return system("command -v assimp >/dev/null 2>&1") == 0; }

/* Best of 3 runs of `assimp info FILE -r`; false when it fails. */
bool time_assimp(const std::string &path, Timing *best) {
  std::string cmd = "assimp info '" + path + "' -r >/dev/null 2>&1";
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    double c0 = children_cpu();
    int status = system(cmd.c_str());
    best->add(seconds_since(t0), children_cpu() - c0);
    if (status != 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  const char *tmp = getenv("TMPDIR");
  std::string dir = argc > 1 ? argv[1] : tmp && *tmp ? tmp : "/tmp";
  _VLdevice_usenull(true);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  bool assimp = have_assimp();
  struct Size {
    int w, h;
    Timing ours, theirs;
    bool compared = false;
  } sizes[] = {{250, 500, {}, {}, false}, {500, 1000, {}, {}, false}};
  for (Size &s : sizes) {
    std::string path = dir + "/perf_obj_" + std::to_string(s.w) + ".obj";
    if (!write_height_field(path, s.w, s.h)) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    s.ours = time_load(path);
    if (assimp) s.compared = time_assimp(path, &s.theirs);
    double tris = 2.0 * s.w * s.h;
    printf("%8.0f triangles: wall %.3f s (%.0f triangles/s), processor %.3f s (%.0f triangles/s)\n",
           tris, s.ours.wall, tris / s.ours.wall, s.ours.cpu, tris / s.ours.cpu);
    if (s.compared)
      printf("          assimp info -r: wall %.3f s (%.0f triangles/s), processor %.3f s; "
             "assimp / ours: wall %.2f, processor %.2f\n",
             s.theirs.wall, tris / s.theirs.wall, s.theirs.cpu, s.theirs.wall / s.ours.wall,
             s.theirs.cpu / s.ours.cpu);
    else if (assimp)
      printf("          assimp info -r failed\n");
    unlink(path.c_str());
  }
  printf("time 1 M / time 250 k: wall %.2f, processor %.2f (linear: 3.5 to 4.5)\n",
         sizes[1].ours.wall / sizes[0].ours.wall, sizes[1].ours.cpu / sizes[0].ours.cpu);
  if (!assimp) printf("assimp is not installed (Debian assimp-utils): no side-by-side figure\n");
  VLuniverse_delete();
  return 0;
}
