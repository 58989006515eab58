/* perf_3ds_read [dir]: reading 3D Studio files. Writes a grid of
 * 1 000 000 triangles with texture coordinates on every vertex (500 x 1000
 * quads, each split in two), and the same grid of 250 000 triangles,
 * split into mesh objects of 64 rows (a 3D Studio object holds at most
 * 65 535 vertices and faces), all faces in one material. Times VLnode_load
 * on each (best of 3) and prints triangles per second. Reading is linear
 * when the 1 M time is about 4 times the 250 k time. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "display/device/device.h"
#include "support/nff_writer.h"
#include "support/tds_writer.h"
#include "timing.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

/* Rows of quads per mesh object. */
const int kRowsPerObject = 64;

/* Rows y0 .. y1 of a w x h grid of quads as one object. */
TdsMesh grid_rows(int w, int h, int y0, int y1) {
  TdsMesh m;
  m.name = "grid " + std::to_string(y0 / kRowsPerObject);
  for (int y = y0; y <= y1; ++y)
    for (int x = 0; x <= w; ++x) {
      float fx = float(x) * 0.1f, fy = float(y) * 0.1f;
      m.points.insert(m.points.end(), {fx, fy, sinf(fx * 0.7f) * cosf(fy * 0.5f)});
      m.uv.insert(m.uv.end(), {float(x) / float(w), float(y) / float(h)});
    }
  std::vector<uint16_t> all;
  for (int y = 0; y < y1 - y0; ++y)
    for (int x = 0; x < w; ++x) {
      uint16_t a = uint16_t(y * (w + 1) + x), b = uint16_t(a + 1), c = uint16_t(a + w + 1),
               d = uint16_t(c + 1);
      m.faces.insert(m.faces.end(), {a, b, d, a, d, c});
    }
  for (size_t f = 0; f < m.faces.size() / 3; ++f) all.push_back(uint16_t(f));
  m.groups = {{"ground", all}};
  return m;
}

std::string grid_file(int w, int h) {
  TdsModel model;
  TdsMaterial ground;
  ground.name = "ground";
  ground.diffuse[1] = 0.8f;
  model.materials = {ground};
  for (int y = 0; y < h; y += kRowsPerObject)
    model.meshes.push_back(grid_rows(w, h, y, std::min(h, y + kRowsPerObject)));
  return tds_file(model);
}

/* Best of 3 loads, in seconds. */
double time_load(const std::string &path) {
  return perf::best_load_s(path.c_str());
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
  } sizes[] = {{250, 500}, {500, 1000}};
  for (Size &s : sizes) {
    std::string path = dir + "/perf_3ds_" + std::to_string(s.w) + ".3ds";
    if (!write_file(path, grid_file(s.w, s.h))) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    s.seconds = time_load(path);
    double tris = 2.0 * s.w * s.h;
    printf("%8.0f triangles: 3D Studio %.3f s (%.0f triangles/s)\n", tris, s.seconds,
           tris / s.seconds);
    unlink(path.c_str());
  }
  printf("time 1 M / time 250 k: 3D Studio %.2f (linear: 3.5 to 4.5)\n",
         sizes[1].seconds / sizes[0].seconds);
  VLuniverse_delete();
  return 0;
}
