/* perf_dxf_read [dir]: reading DXF drawings. Writes a drawing whose block
 * holds a grid of 100 000 3DFACEs (neighbours share corners) and whose
 * ENTITIES section inserts that block 10 times, and the same with 25 000
 * faces, then times VLnode_load on each (best of 3) and prints faces per
 * second (inserted copies counted). Reading is linear when the 100 000
 * time is about 4 times the 25 000 time. */
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "display/device/device.h"
#include "timing.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

const int kInserts = 10;

void pair(std::string &out, int code, const char *value) {
  char buf[64];
  snprintf(buf, sizeof buf, "%3d\n%s\n", code, value);
  out += buf;
}

void number(std::string &out, int code, double v) {
  char buf[32];
  snprintf(buf, sizeof buf, "%.6g", v);
  pair(out, code, buf);
}

/* A grid of faces w wide, gently curved, as one BLOCK, inserted 10 times. */
std::string drawing(int faces) {
  int w = 250, h = faces / w;
  std::string out;
  out.reserve(size_t(faces) * 170);
  pair(out, 0, "SECTION");
  pair(out, 2, "BLOCKS");
  pair(out, 0, "BLOCK");
  pair(out, 2, "TILES");
  for (int k = 0; k < 3; ++k) number(out, 10 + k * 10, 0.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      pair(out, 0, "3DFACE");
      pair(out, 8, "0");
      int cx[4] = {x, x + 1, x + 1, x}, cy[4] = {y, y, y + 1, y + 1};
      for (int k = 0; k < 4; ++k) {
        number(out, 10 + k, cx[k] * 0.5);
        number(out, 20 + k, cy[k] * 0.5);
        number(out, 30 + k, ((cx[k] * 7 + cy[k] * 3) % 11) * 0.1);
      }
    }
  pair(out, 0, "ENDBLK");
  pair(out, 0, "ENDSEC");
  pair(out, 0, "SECTION");
  pair(out, 2, "ENTITIES");
  for (int i = 0; i < kInserts; ++i) {
    pair(out, 0, "INSERT");
    pair(out, 8, "0");
    pair(out, 2, "TILES");
    number(out, 10, i * 200.0);
    number(out, 20, 0.0);
    number(out, 30, 0.0);
    number(out, 50, i * 10.0);
  }
  pair(out, 0, "ENDSEC");
  pair(out, 0, "EOF");
  return out;
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
    int faces;
    double seconds = 0;
  } sizes[] = {{25000}, {100000}};
  for (Size &s : sizes) {
    std::string path = dir + "/perf_dxf_" + std::to_string(s.faces) + ".dxf";
    std::string bytes = drawing(s.faces);
    FILE *f = fopen(path.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    s.seconds = time_load(path);
    double placed = double(s.faces) * kInserts;
    printf("%7d faces x %d inserts (%zu bytes): %.3f s, %.0f faces/s\n", s.faces, kInserts,
           bytes.size(), s.seconds, placed / s.seconds);
    unlink(path.c_str());
  }
  printf("time 100 k / time 25 k: %.2f (linear: 3.5 to 4.5)\n", sizes[1].seconds / sizes[0].seconds);
  VLuniverse_delete();
  return 0;
}
