/* Building a square patch of n x n vertices (2 (n-1)^2 triangles, smooth
 * vertex normals, one unused vertex per row to remove) through the
 * construction protocol, for three sizes. Linear construction shows as a
 * steady vertices-per-second figure across the sizes. */
#include <stdio.h>

#include <chrono>

#include "vlx/geometry.h"

static double build_patch(int n, int *polys) {
  auto start = std::chrono::steady_clock::now();
  VLgeometry *g = VLgeometry_begin();
  int index = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      float p[3] = {static_cast<float>(j), 0.01f * ((i * j) % 7), static_cast<float>(i)};
      VLvertex *v = VLgeometry_newvertex(g, p);
      v->flags |= VLVERTEX_SMOOTH;
      index++;
    }
    float spare[3] = {-1, -1, -1};
    VLgeometry_newvertex(g, spare);  /* unused: removed at close */
    index++;
  }
  const int stride = n + 1;
  for (int i = 0; i + 1 < n; ++i)
    for (int j = 0; j + 1 < n; ++j) {
      int a = i * stride + j, b = a + 1, c = a + stride, d = c + 1;
      const int tris[2][3] = {{a, c, b}, {b, c, d}};
      for (const auto &t : tris) {
        VLpoly *p = VLpoly_new(g);
        for (int k : t) VLpoly_addvertex(p, k);
        VLpoly_close(p);
      }
    }
  VLgeometry_close(g);
  *polys = g->npolys;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  VLgeometry_delete(g);
  return seconds;
}

int main(void) {
  printf("%-12s %10s %12s %10s %16s %16s\n", "patch", "vertices", "triangles", "seconds",
         "vertices/s", "triangles/s");
  const int sizes[] = {250, 500, 1000};
  for (int n : sizes) {
    int polys = 0;
    double s = build_patch(n, &polys);
    long vertices = static_cast<long>(n) * n;
    printf("%4d x %-5d %10ld %12d %10.3f %16.0f %16.0f\n", n, n, vertices, polys, s, vertices / s,
           polys / s);
  }
  return 0;
}
