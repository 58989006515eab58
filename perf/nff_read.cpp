/* perf_nff_read [dir]: reading the neutral file format. Writes a height
 * field of 1 000 000 triangles (normals, texture coordinates and colours on
 * every vertex) in both forms, and the same of 250 000 triangles, then times
 * VLnode_load on each (best of 3) and prints triangles per second. Reading
 * is linear when the 1 M time is about 4 times the 250 k time. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "display/device/device.h"
#include "support/nff_writer.h"
#include "timing.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

/* A deterministic height field of w x h quads split into triangles. */
NffModel height_field(int w, int h) {
  NffModel m;
  NffGeometry g;
  g.name = "terrain";
  g.vertices.reserve(size_t(w + 1) * size_t(h + 1));
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      NffVertex v;
      float fx = float(x) * 0.1f, fy = float(y) * 0.1f;
      float z = sinf(fx * 0.7f) * cosf(fy * 0.5f);
      float dx = 0.7f * cosf(fx * 0.7f) * cosf(fy * 0.5f);
      float dy = -0.5f * sinf(fx * 0.7f) * sinf(fy * 0.5f);
      float len = sqrtf(dx * dx + dy * dy + 1.0f);
      v.p[0] = fx, v.p[1] = fy, v.p[2] = z;
      v.hasnormal = true;
      v.n[0] = -dx / len, v.n[1] = -dy / len, v.n[2] = 1.0f / len;
      v.hasuv = true;
      v.uv[0] = float(x) / float(w), v.uv[1] = float(y) / float(h);
      v.hasrgb = true;
      int band = int((z + 1.0f) * 7.99f);  /* 16 colours */
      v.rgb[0] = uint8_t(band * 16), v.rgb[1] = uint8_t(255 - band * 16), v.rgb[2] = 40;
      g.vertices.push_back(v);
    }
  g.polygons.reserve(size_t(w) * size_t(h) * 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
      NffPolygon p;
      p.indices = {a, b, d};
      g.polygons.push_back(p);
      p.indices = {a, d, c};
      g.polygons.push_back(p);
    }
  m.geometries.push_back(std::move(g));
  return m;
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
    double text = 0, binary = 0;
  } sizes[] = {{250, 500}, {500, 1000}};
  for (Size &s : sizes) {
    NffModel m = height_field(s.w, s.h);
    std::string base = dir + "/perf_nff_" + std::to_string(s.w);
    if (!write_file(base + ".nff", nff_text(m)) || !write_file(base + ".bnff", nff_binary(m))) {
      fprintf(stderr, "cannot write %s\n", base.c_str());
      return 1;
    }
    s.text = time_load(base + ".nff");
    s.binary = time_load(base + ".bnff");
    double tris = 2.0 * s.w * s.h;
    printf("%8.0f triangles: text %.3f s (%.0f triangles/s), binary %.3f s (%.0f triangles/s)\n",
           tris, s.text, tris / s.text, s.binary, tris / s.binary);
    unlink((base + ".nff").c_str());
    unlink((base + ".bnff").c_str());
  }
  printf("time 1 M / time 250 k: text %.2f, binary %.2f (linear: 3.5 to 4.5)\n",
         sizes[1].text / sizes[0].text, sizes[1].binary / sizes[0].binary);
  VLuniverse_delete();
  return 0;
}
