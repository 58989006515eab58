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
#include "display/device/gl/gl_shaders.h"
#include "vlx/vlx.h"

namespace {

double now_s(void) {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

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
  for (int i = 0; i < 5; ++i) VLuniverse_go1();
  long frames = 0;
  double t0 = now_s(), t1;
  do {
    VLuniverse_go1();
    ++frames;
    t1 = now_s();
  } while (t1 - t0 < seconds);
  return double(frames) * double(triangles_per_frame) / (t1 - t0);
}

/* The reference: the same triangles, transformed into place once, in one
 * static buffer drawn with the device's shader in one call. */
struct Reference {
  VLglprogram prog;
  GLuint vao = 0, vbo = 0, ids = 0, fbo = 0, rb[2] = {0, 0}, mat = 0, mtx = 0;
  GLsizei count = 0;
  GLenum mode = GL_TRIANGLES;
};

void reference_build(Reference &r, const std::vector<float> &verts, GLenum mode) {
  _VLgl_buildprogram(&r.prog);
  r.mode = mode;
  r.count = GLsizei(verts.size() / 8);
  glGenVertexArrays(1, &r.vao);
  glBindVertexArray(r.vao);
  glGenBuffers(1, &r.vbo);
  glBindBuffer(GL_ARRAY_BUFFER, r.vbo);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(verts.size() * 4), verts.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(12));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(24));
  std::vector<uint32_t> ids(size_t(r.count) * 2, 0);
  for (size_t i = 0; i < ids.size(); i += 2) ids[i] = 1;
  glGenBuffers(1, &r.ids);
  glBindBuffer(GL_ARRAY_BUFFER, r.ids);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(ids.size() * 4), ids.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(4);
  glVertexAttribIPointer(4, 2, GL_UNSIGNED_INT, 8, nullptr);
  float mat[2][20] = {{}, {0.2f, 0.2f, 0.8f, 1, 0.2f, 0.2f, 0.8f, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}};
  glGenTextures(1, &r.mat);
  glBindTexture(GL_TEXTURE_2D, r.mat);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, 5, 2, 0, GL_RGBA, GL_FLOAT, mat);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  glGenTextures(1, &r.mtx);
  glBindTexture(GL_TEXTURE_2D, r.mtx);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, 4, 1, 0, GL_RGBA, GL_FLOAT, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glGenFramebuffers(1, &r.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, r.fbo);
  glGenRenderbuffers(2, r.rb);
  glBindRenderbuffer(GL_RENDERBUFFER, r.rb[0]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 640, 480);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, r.rb[0]);
  glBindRenderbuffer(GL_RENDERBUFFER, r.rb[1]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, 640, 480);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, r.rb[1]);
}

void reference_release(Reference &r) {
  glDeleteVertexArrays(1, &r.vao);
  glDeleteBuffers(1, &r.vbo);
  glDeleteBuffers(1, &r.ids);
  glDeleteFramebuffers(1, &r.fbo);
  glDeleteRenderbuffers(2, r.rb);
  glDeleteTextures(1, &r.mat);
  glDeleteTextures(1, &r.mtx);
  glDeleteProgram(r.prog.program);
}

double reference_rate(Reference &r, const float view[16], const float proj[16], bool lit,
                      double seconds, long prims_per_frame) {
  glUseProgram(r.prog.program);
  glUniformMatrix4fv(r.prog.view, 1, GL_FALSE, view);
  glUniformMatrix4fv(r.prog.proj, 1, GL_FALSE, proj);
  glUniform1i(r.prog.lit, lit);
  glUniform1i(r.prog.flat, 0);
  glUniform1i(r.prog.textured, 0);
  glUniform1i(r.prog.materials, 1);
  glUniform1i(r.prog.matrices, 2);
  glUniform4f(r.prog.ambient, 0.4f, 0.4f, 0.4f, 0.4f);
  GLint type = 0;
  glUniform1i(r.prog.nlights, 1);
  glUniform1iv(r.prog.ltype, 1, &type);
  glUniform4f(r.prog.lcolor, 1, 1, 1, 1);
  glUniform3f(r.prog.ldir, 0, 0, -1);
  glUniform4f(r.prog.lspot, 1e30f, 0, 1, 1);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, r.mat);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, r.mtx);
  glActiveTexture(GL_TEXTURE0);
  glBindVertexArray(r.vao);
  glBindFramebuffer(GL_FRAMEBUFFER, r.fbo);
  glViewport(0, 0, 640, 480);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  long frames = 0;
  double t0 = 0, t1 = 0;
  for (int warm = 0; warm < 5 + 1; ++warm) {
    if (warm == 5) t0 = now_s();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawArrays(r.mode, 0, r.count);
    glFinish();
  }
  do {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawArrays(r.mode, 0, r.count);
    glFinish();
    ++frames;
    t1 = now_s();
  } while (t1 - t0 < seconds);
  return double(frames) * double(prims_per_frame) / (t1 - t0);
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
