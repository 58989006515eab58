/* The benchmark's own scenes against static-buffer references, on the same
 * device in one run: the grid (mg 20 and mg 90, quads, lit, smooth) as
 * triangles/second, and overwrite 16 in both orders as megapixels/second
 * against 16 full-window quads drawn in one call; the ripple scene's rates
 * alone (it has no static counterpart: its vertices change every frame).
 * Usage: perf_bench_scenes [seconds per measurement, default 2] */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "bench.h"
#include "display/device/device.h"
#include "reference.h"
#include "vlx/vlx.h"

namespace {

using namespace perf;

double toolkit_fps(double seconds) { return toolkit_framerate(seconds, VLuniverse_go1); }

void add_vertex(std::vector<float> &out, const float p[3], const float n[3]) {
  out.insert(out.end(), {p[0], p[1], p[2], n[0], n[1], n[2], 0.0f, 0.0f});
}

/* The grid's triangles placed like the scene's instances (variant 3). */
std::vector<float> grid_triangles(int n) {
  VLgeometry *g = bench_patch(true, true, 11, 11, true);
  std::vector<float> out;
  for (int y = 1 - n; y <= n - 1; y += 2)
    for (int x = 1 - n; x <= n - 1; x += 2)
      for (VLpoly *p = g->polys; p; p = p->next) {
        const VLvertex *c[4];
        int k = 0;
        for (VLvertexref *r = p->vertices; r && k < 4; r = r->next) c[k++] = r->vertex;
        for (int idx : {2, 1, 0, 3, 2, 0}) {
          float pos[3] = {c[idx]->position[0] + float(x), c[idx]->position[1] + float(y), 0};
          add_vertex(out, pos, c[idx]->normal ? c[idx]->normal : p->normal);
        }
      }
  VLgeometry_delete(g);
  return out;
}

/* count layers of 2 x 2 squares at z = 0, 1, ... (nearest first when
 * count > 0), facing the viewer. */
std::vector<float> layers(int count) {
  std::vector<float> out;
  int n = abs(count);
  const float nrm[3] = {0, 0, -1};
  for (int k = 0; k < n; ++k) {
    float z = count > 0 ? float(k) : float(n - 1 - k);
    const float q[4][3] = {{-1, -1, z}, {-1, 1, z}, {1, 1, z}, {1, -1, z}};
    for (int idx : {2, 1, 0, 3, 2, 0}) add_vertex(out, q[idx], nrm);
  }
  return out;
}

double reference(const std::vector<float> &verts, double seconds, long per_frame) {
  VLrendercontext *c = VLuniverse_getwindows()->context;
  Reference r;
  reference_build(r, verts, GL_TRIANGLES);
  double rate = reference_rate(r, c->view, c->projection, true, seconds, per_frame);
  reference_release(r);
  return rate;
}

void grid(int size, double seconds) {
  bench_gridscene(size);
  long tris = 200L * size * size;
  double tk = toolkit_fps(seconds) * double(tris);
  double ref = reference(grid_triangles(size), seconds, tris);
  printf("grid mg %d0 (quads, lit, smooth)   toolkit %11.0f tris/s  reference %11.0f  ratio %5.1f %%\n",
         size, tk, ref, 100.0 * tk / ref);
}

void overwrite(int count, double seconds) {
  bench_overwritescene(count);
  long pixels = 640L * 480L * abs(count);
  double tk = toolkit_fps(seconds) * double(pixels) * 1e-6;
  double ref = reference(layers(count), seconds, pixels) * 1e-6;
  printf("overwrite %3d (%s)   toolkit %8.1f Mpixels/s  reference %8.1f  ratio %5.1f %%\n",
         count, count > 0 ? "nearest first " : "farthest first", tk, ref, 100.0 * tk / ref);
}

}  // namespace

int main(int argc, char **argv) {
  double seconds = argc > 1 ? atof(argv[1]) : 2.0;
  setenv("VLXOFFSCREEN", "1", 1);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  bench_startup();
  VLuniverse_setbgcolor(0, 0, 0);
  grid(2, seconds);
  grid(9, seconds);
  overwrite(16, seconds);
  overwrite(-16, seconds);
  bench_ripplescene();
  double fps = toolkit_fps(seconds);
  printf("ripple 30 x 30 (1682 triangles)   %8.1f frames/s  %11.0f tris/s\n", fps, fps * 1682);
  return 0;
}
