/* perf_flt_read [dir]: reading OpenFlight. Writes a database of 100 000
 * faces (a height field of quads over a vertex palette with normals and
 * texture coordinates, 1 000 faces per object, objects in groups of 10,
 * colours from the colour palette) and the same of 25 000 faces, then
 * times VLnode_load on each (best of 3) and prints faces per second.
 * Reading is linear when the 100 k time is about 4 times the 25 k time. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "display/device/device.h"
#include "support/flt_writer.h"
#include "support/nff_writer.h"
#include "timing.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

const int kFacesPerObject = 1000, kObjectsPerGroup = 10;

/* A w x h height field of quads, one face each. */
std::string height_field(int w, int h) {
  FltWriter f;
  f.header("terrain", 0, 0);
  std::vector<uint32_t> colours;
  for (int i = 0; i < 16; ++i) colours.push_back(uint32_t(i * 16) | uint32_t(255 - i * 16) << 8);
  f.colour_palette(colours);
  f.begin_vertices();
  std::vector<int> at;
  at.reserve(size_t(w + 1) * size_t(h + 1));
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      double fx = x * 0.1, fy = y * 0.1, z = sin(fx * 0.7) * cos(fy * 0.5);
      float n[3] = {0, 0, 1}, uv[2] = {float(x) / float(w), float(y) / float(h)};
      at.push_back(f.vertex(fx, fy, z, n, uv));
    }
  f.end_vertices();
  f.push();
  int faces = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, ++faces) {
      if (faces % (kFacesPerObject * kObjectsPerGroup) == 0) {
        if (faces) f.pop(), f.pop(), f.pop();
        f.group("g");
        f.push();
      }
      if (faces % kFacesPerObject == 0) {
        if (faces % (kFacesPerObject * kObjectsPerGroup)) f.pop(), f.pop();
        f.object("o");
        f.push();
      }
      int a = at[size_t(y * (w + 1) + x)], b = at[size_t(y * (w + 1) + x + 1)];
      int c = at[size_t((y + 1) * (w + 1) + x + 1)], d = at[size_t((y + 1) * (w + 1) + x)];
      FltFaceFields fields;
      fields.colour = uint16_t(((x + y) % 16) * 128 + 127);
      f.face("p", fields);
      f.push();
      f.vertex_list({a, b, c, d});
      f.pop();
    }
  f.pop(), f.pop(), f.pop(), f.pop();
  return f.bytes;
}

/* Best of 3 loads, in seconds. */
double time_load(const std::string &path) {
  return perf::best_load_s(path.c_str(), [] { VLuniverse_clear(); });
}

}  // namespace

int main(int argc, char **argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  _VLdevice_usenull(true);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  struct Size {
    int w, h;
    double seconds = 0;
  } sizes[] = {{125, 200}, {250, 400}};
  for (Size &s : sizes) {
    std::string path = dir + "/perf_flt_" + std::to_string(s.w) + ".flt";
    if (!write_file(path, height_field(s.w, s.h))) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    s.seconds = time_load(path);
    double faces = double(s.w) * s.h;
    printf("%8.0f faces: %.3f s (%.0f faces/s)\n", faces, s.seconds, faces / s.seconds);
    unlink(path.c_str());
  }
  printf("time 100 k / time 25 k: %.2f (linear: 3.5 to 4.5)\n", sizes[1].seconds / sizes[0].seconds);
  VLuniverse_delete();
  return 0;
}
