/* perf_vrml_read [dir]: reading VRML 1.0. Writes two worlds of 1 000 000
 * triangles, one IndexedFaceSet of a height field (500 k points,
 * per-vertex-indexed normals, texture coordinates) and 10 000 Separators of
 * 100 triangles each, and the same of 250 000 triangles, then times
 * VLnode_load (parse and conversion into Geometry nodes) on each, best of
 * 3, and prints triangles per second and the growth from 250 k to 1 M
 * (linear: 3.5 to 4.5). When the Coin 3D library (libcoin-dev) was found
 * at build time, its SoDB::readAll reads the single-set file side by side
 * as a reference; without it the harness says so. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "display/device/device.h"
#include "timing.h"
#include "vlx/node.h"
#include "vlx/universe.h"

#ifdef VLX_PERF_COIN
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoSeparator.h>
#endif

namespace {

/* Appends formatted text to out. */
template <typename... A>
void add(std::string &out, const char *fmt, A... a) {
  char buf[256];
  int n = snprintf(buf, sizeof buf, fmt, a...);
  out.append(buf, size_t(n));
}

float height(float x, float y) { return sinf(x * 0.7f) * cosf(y * 0.5f); }

/* A height field of w x h quads (two triangles each) starting at (x0, y0):
 * Coordinate3, Normal, TextureCoordinate2 and the IndexedFaceSet. */
void field(std::string &out, int w, int h, float x0, float y0) {
  out += "Coordinate3 { point [\n";
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      float fx = x0 + float(x) * 0.1f, fy = y0 + float(y) * 0.1f;
      add(out, "%.4g %.4g %.4g,\n", fx, fy, height(fx, fy));
    }
  out += "] }\nNormal { vector [\n";
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) {
      float fx = x0 + float(x) * 0.1f, fy = y0 + float(y) * 0.1f;
      float dx = 0.7f * cosf(fx * 0.7f) * cosf(fy * 0.5f);
      float dy = -0.5f * sinf(fx * 0.7f) * sinf(fy * 0.5f);
      float len = sqrtf(dx * dx + dy * dy + 1.0f);
      add(out, "%.4f %.4f %.4f,\n", -dx / len, -dy / len, 1.0f / len);
    }
  out += "] }\nNormalBinding { value PER_VERTEX_INDEXED }\nTextureCoordinate2 { point [\n";
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) add(out, "%.4f %.4f,\n", float(x) / float(w), float(y) / float(h));
  std::string index;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
      add(index, "%d,%d,%d,-1,%d,%d,%d,-1,\n", a, b, d, a, d, c);
    }
  out += "] }\nIndexedFaceSet {\ncoordIndex [\n" + index + "]\nnormalIndex [\n" + index + "]\n}\n";
}

std::string single(int w, int h) {
  std::string out = "#VRML V1.0 ascii\nSeparator {\n";
  field(out, w, h, 0, 0);
  return out + "}\n";
}

/* Separators of 100 triangles (5 x 10 quads). */
std::string many(int count) {
  std::string out = "#VRML V1.0 ascii\nSeparator {\n";
  for (int i = 0; i < count; ++i) {
    out += "Separator {\n";
    field(out, 10, 5, float(i % 100) * 1.0f, float(i / 100) * 0.5f);
    out += "}\n";
  }
  return out + "}\n";
}

bool write_file(const std::string &path, const std::string &bytes) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

/* Best of 3 loads, in seconds. */
double time_load(const std::string &path) {
  return perf::best_load_s(path.c_str());
}

/* The reference reader on the same file, best of 3; negative without it. */
double time_reference(const std::string &path) {
#ifdef VLX_PERF_COIN
  SoDB::init();
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    SoInput in;
    if (!in.openFile(path.c_str())) return -1;
    double t0 = perf::now_s();
    SoSeparator *root = SoDB::readAll(&in);
    double t1 = perf::now_s();
    if (!root) return -1;
    root->ref();
    root->unref();
    if (t1 - t0 < best) best = t1 - t0;
  }
  return best;
#else
  (void)path;
  return -1;
#endif
}

}  // namespace

int main(int argc, char **argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  _VLdevice_usenull(true);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  struct Size {
    int w, h, separators;
    double single = 0, many = 0, reference = -1;
    size_t bytes = 0;
  } sizes[] = {{250, 500, 2500}, {500, 1000, 10000}};
  for (Size &s : sizes) {
    std::string a = dir + "/perf_vrml_single_" + std::to_string(s.w) + ".wrl";
    std::string b = dir + "/perf_vrml_many_" + std::to_string(s.w) + ".wrl";
    std::string text = single(s.w, s.h);
    s.bytes = text.size();
    if (!write_file(a, text) || !write_file(b, many(s.separators))) {
      fprintf(stderr, "cannot write into %s\n", dir.c_str());
      return 1;
    }
    text.clear();
    s.single = time_load(a);
    s.many = time_load(b);
    s.reference = time_reference(a);
    double tris = 2.0 * s.w * s.h;
    printf("%8.0f triangles: one IndexedFaceSet (%.1f MB) %.3f s (%.0f triangles/s), "
           "%d Separators %.3f s (%.0f triangles/s)\n",
           tris, double(s.bytes) / 1e6, s.single, tris / s.single, s.separators, s.many,
           tris / s.many);
    if (s.reference > 0)
      printf("          reference SoDB::readAll on the same IndexedFaceSet file: %.3f s; "
             "ours / reference %.2f\n", s.reference, s.single / s.reference);
    unlink(a.c_str());
    unlink(b.c_str());
  }
  printf("time 1 M / time 250 k: one set %.2f, separators %.2f (linear: 3.5 to 4.5)\n",
         sizes[1].single / sizes[0].single, sizes[1].many / sizes[0].many);
#ifndef VLX_PERF_COIN
  printf("reference: libcoin-dev is not installed; SoDB::readAll was not measured\n");
#endif
  VLuniverse_delete();
  return 0;
}
