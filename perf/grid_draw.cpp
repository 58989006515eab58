/* Grid drawing against a static-buffer reference, on the same 3D device in
 * one run. (a) the toolkit draws the benchmark's 90 x 90 quad grid (one
 * 11 x 11-vertex patch placed 81 times through movable instances, lit,
 * smooth, untextured, seen as the benchmark sees it); (b) a minimal
 * program draws the same 16 200 triangles from one static vertex buffer
 * with the same shader in one draw call. Prints triangles/second of both
 * and their ratio, also for the grid attached 4 times and for wireframe.
 * Usage: perf_grid_draw [seconds per measurement, default 2] */
#include <epoxy/gl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <vector>

#include "display/device/device.h"
#include "reference.h"
#include "vlx/vlx.h"

namespace {

using namespace perf;

/* The benchmark's quad patch with normals and colours (w x h vertices). */
VLgeometry *patch(int w, int h) {
  VLgeometry *g = VLgeometry_begin();
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      float x = -1.0f + float(i) * 2.0f / float(w - 1), y = -1.0f + float(j) * 2.0f / float(h - 1);
      float p[3] = {x, y, 0};
      VLvertex *v = VLgeometry_newvertex(g, p);
      float n[3] = {0, -1.01f - x, -(y + 1)};
      float len = sqrtf(n[1] * n[1] + n[2] * n[2]);
      if (len > 0) n[1] /= len, n[2] /= len;
      VLvertex_setnormal(g, v, n);
      int pi = (i / 2) % 2, q = (j / 2) % 2;
      if (pi) VLvertex_setrgb(g, v, uint8_t(255 * (j % 2)), 0, 0);
      else if (q) VLvertex_setrgb(g, v, 0, 255, 0);
      else VLvertex_setrgb(g, v, 0, 0, 255);
    }
  for (int r = 0; r < h - 1; ++r)
    for (int c = 0; c < w - 1; ++c) {
      int k = r * w + c;
      VLpoly *p = VLpoly_new(g);
      for (int idx : {k, k + w, k + w + 1, k + 1}) VLpoly_addvertex(p, idx);
      VLpoly_close(p);
      if ((c + r) % 2) VLpoly_setrgb(p, 0, 0, 255);
      else VLpoly_setrgb(p, 127, 127, 127);
      VLpoly_setbothsides(p, false);
    }
  VLgeometry_close(g);
  return g;
}

/* The grid scene of size n (tens), attached m times. */
void grid_scene(VLnode *root, int n, int m, VLgeometry *g) {
  VLnode *group = VLgroupnode_new(nullptr);
  VLnode *tmpl = VLmovablegeometrynode_new(nullptr, g);
  for (int y = 1 - n; y <= n - 1; y += 2)
    for (int x = 1 - n; x <= n - 1; x += 2) {
      VLnode *inst = VLmovablenode_instance(group, tmpl);
      float t[3] = {float(x), float(y), 0};
      VLmovablenode_settranslation(inst, t);
    }
  VLnode *mult = VLgroupnode_new(nullptr);
  for (int i = 0; i < m; ++i) VLnode_addchild(mult, group);
  VLnode_addchild(root, mult);
}

double toolkit_rate(double seconds, long triangles_per_frame) {
  return toolkit_framerate(seconds, VLuniverse_go1) * double(triangles_per_frame);
}

void push_vertex(std::vector<float> &out, const VLvertex *v, const float *n, float dx, float dy) {
  out.insert(out.end(), {v->position[0] + dx, v->position[1] + dy, v->position[2], n[0], n[1],
                         n[2], 0.0f, 0.0f});
}

/* The grid's triangles (or outline lines) placed like the instances. */
std::vector<float> grid_vertices(VLgeometry *g, int n, int m, bool lines) {
  std::vector<float> out;
  for (int copy = 0; copy < m; ++copy)
    for (int y = 1 - n; y <= n - 1; y += 2)
      for (int x = 1 - n; x <= n - 1; x += 2)
        for (VLpoly *p = g->polys; p; p = p->next) {
          const VLvertex *c[4];
          int k = 0;
          for (VLvertexref *r = p->vertices; r && k < 4; r = r->next) c[k++] = r->vertex;
          const float *nn = p->normal;
          if (lines) {
            for (int e = 0; e < 4; ++e) {
              push_vertex(out, c[e], nn, float(x), float(y));
              push_vertex(out, c[(e + 1) % 4], nn, float(x), float(y));
            }
          } else {
            for (int idx : {2, 1, 0, 3, 2, 0}) push_vertex(out, c[idx], c[idx]->normal, float(x), float(y));
          }
        }
  return out;
}

void measure(const char *label, VLnode *root, int m, bool wire, double seconds) {
  VLgeometry *g = patch(11, 11);
  grid_scene(root, 9, m, g);
  VLuniverse_setrendering(wire ? 128 : 12);
  long tris = 16200L * m, lines = 32400L * m;
  double tk = toolkit_rate(seconds, wire ? lines : tris);
  VLrendercontext *c = VLuniverse_getwindows()->context;
  VLdevstats st = _VLdevice()->stats;
  Reference r;
  reference_build(r, grid_vertices(g, 9, m, wire), wire ? GL_LINES : GL_TRIANGLES);
  double ref = reference_rate(r, c->view, c->projection, !wire, seconds, wire ? lines : tris);
  reference_release(r);
  printf("%-28s toolkit %10.0f %s/s   reference %10.0f   ratio %5.1f %%   (%u executions, %u draws)\n",
         label, tk, wire ? "lines" : "tris ", ref, 100.0 * tk / ref, st.executions, st.drawcalls);
  fflush(stdout);
  VLnode_deletechild(root, VLnode_numchildren(root) - 1);
}

}  // namespace

int main(int argc, char **argv) {
  double seconds = argc > 1 ? atof(argv[1]) : 2.0;
  setenv("VLXOFFSCREEN", "1", 1);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  VLnode *root = VLuniverse_getrootnode();
  VLdirlightnode_new(root);
  VLviewpoint *vp = VLuniverse_getviewpoint();
  VLp3 pos = {0, 0, -9}, dir = {0, 0, 1};
  VLviewpoint_setposition(vp, &pos);
  VLviewpoint_setdirection(vp, &dir);
  VLwindow *w = VLuniverse_getwindows();
  VLwindow_setprojection(w, 3);
  VLwindow_setfrustum(w, 0, -1, 1, -1, 1, 1, 3000);
  VLuniverse_setbgcolor(0, 0, 0);
  measure("grid 90 (lit, smooth)", root, 1, false, seconds);
  measure("grid 90 attached 4 times", root, 4, false, seconds);
  measure("grid 90 wireframe", root, 1, true, seconds);
  VLuniverse_delete();
  return 0;
}
