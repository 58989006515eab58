/* The benchmark's scenes against their true ceiling, on the same device in
 * one run. For each scene and state the ceiling draws the same triangles
 * into the same framebuffer format (RGBA8 colour, 16-bit depth, the
 * window's size) from one static vertex buffer (the ripple: one buffer
 * updated with its 900 vertices every frame) with a shader written for
 * exactly that state (one directional light, per-vertex lighting, texture
 * modulate), in one draw per frame. Toolkit and ceiling run alternately
 * (11 rounds of about 0.2 s each); one line per scene: the median rate of
 * each side, the median of the rounds' ratios, and the process's CPU time
 * per frame on each side (every thread). A counting malloc makes the
 * heap allocations of 100 toolkit frames visible (after warm-up frames):
 * the toolkit's own, and the driver's, next to the driver's for 100
 * ceiling frames (the software device allocates while binning a frame).
 * Usage: perf_ceiling [seconds per round, default 0.2] [only scenes whose
 * label contains this text] */
#include <epoxy/gl.h>
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "bench.h"
#include "timing.h"
#include "vlx/vlx.h"

/* --- the counting allocator: every allocation of the process, and those
 * of the toolkit (made from code in this executable, or through operator
 * new) apart from the driver's --- */
extern "C" char __executable_start[], etext[];

namespace {
std::atomic<long> g_allocs{0}, g_own{0};
std::atomic<bool> g_counting{false};
inline void counted(const void *caller) {
  if (!g_counting.load(std::memory_order_relaxed)) return;
  g_allocs.fetch_add(1, std::memory_order_relaxed);
  if (caller >= static_cast<const void *>(__executable_start) && caller < static_cast<const void *>(etext))
    g_own.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#if !defined(__SANITIZE_ADDRESS__)
#define COUNTED() counted(__builtin_return_address(0))
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void *malloc(size_t n) {
  COUNTED();
  return __libc_malloc(n);
}
void *calloc(size_t n, size_t s) {
  COUNTED();
  return __libc_calloc(n, s);
}
void *realloc(void *p, size_t n) {
  COUNTED();
  return __libc_realloc(p, n);
}
void *memalign(size_t a, size_t n) {
  COUNTED();
  return __libc_memalign(a, n);
}
void *aligned_alloc(size_t a, size_t n) {
  COUNTED();
  return __libc_memalign(a, n);
}
int posix_memalign(void **out, size_t a, size_t n) {
  COUNTED();
  *out = __libc_memalign(a, n);
  return *out ? 0 : ENOMEM;
}
}
/* C++ allocations come from the toolkit (the driver is C; its compiler
 * allocates only while compiling, before the counted frames). */
void *operator new(size_t n) {
  counted(__executable_start);
  void *p = __libc_malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void *operator new[](size_t n) { return operator new(n); }
void operator delete(void *p) noexcept { free(p); }
void operator delete[](void *p) noexcept { free(p); }
void operator delete(void *p, size_t) noexcept { free(p); }
void operator delete[](void *p, size_t) noexcept { free(p); }
#endif

namespace {

using perf::now_s;

/* --- the ceiling: hand-written shaders, one per state measured --- */

/* Lit with a material per vertex (the grid's polygon colours), untextured. */
const char *kLitColourVS = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec4 a_color;
uniform mat4 u_view, u_proj;
uniform vec3 u_ambient, u_light, u_lcolor;
out vec4 v_color;
void main() {
  vec4 eye = u_view * vec4(a_pos, 1.0);
  gl_Position = u_proj * eye;
  vec3 n = normalize(mat3(u_view) * a_normal);
  v_color = vec4(clamp(a_color.rgb * (u_ambient + u_lcolor * max(dot(n, u_light), 0.0)), 0.0, 1.0), 1.0);
}
)";

/* Lit with one white material, textured (texturing replaces the colours). */
const char *kLitTexVS = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_normal;
layout(location = 3) in vec2 a_uv;
uniform mat4 u_view, u_proj;
uniform vec3 u_ambient, u_light, u_lcolor;
out vec4 v_color;
out vec2 v_uv;
void main() {
  vec4 eye = u_view * vec4(a_pos, 1.0);
  gl_Position = u_proj * eye;
  vec3 n = normalize(mat3(u_view) * a_normal);
  v_color = vec4(clamp(u_ambient + u_lcolor * max(dot(n, u_light), 0.0), 0.0, 1.0), 1.0);
  v_uv = a_uv;
}
)";

/* Unlit: the vertex colour, with or without the texture. */
const char *kUnlitVS = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 2) in vec4 a_color;
layout(location = 3) in vec2 a_uv;
uniform mat4 u_view, u_proj;
out vec4 v_color;
out vec2 v_uv;
void main() {
  gl_Position = u_proj * (u_view * vec4(a_pos, 1.0));
  v_color = a_color;
  v_uv = a_uv;
}
)";

const char *kColourFS = R"(#version 330 core
in vec4 v_color;
out vec4 o_color;
void main() { o_color = v_color; }
)";

const char *kTexFS = R"(#version 330 core
in vec4 v_color;
in vec2 v_uv;
uniform sampler2D u_tex;
out vec4 o_color;
void main() { o_color = v_color * texture(u_tex, v_uv); }
)";

GLuint shader(GLenum kind, const char *src) {
  GLuint s = glCreateShader(kind);
  glShaderSource(s, 1, &src, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024];
    glGetShaderInfoLog(s, sizeof log, nullptr, log);
    fprintf(stderr, "ceiling shader: %s\n", log);
  }
  return s;
}

GLuint program(const char *vs, const char *fs) {
  GLuint p = glCreateProgram();
  GLuint a = shader(GL_VERTEX_SHADER, vs), b = shader(GL_FRAGMENT_SHADER, fs);
  glAttachShader(p, a);
  glAttachShader(p, b);
  glLinkProgram(p);
  glDeleteShader(a);
  glDeleteShader(b);
  return p;
}

/* Ceiling vertices: position, normal, colour (RGBA8), u, v. */
struct Vertex {
  float p[3], n[3];
  uint8_t c[4];
  float uv[2];
};

struct State {
  bool lit, textured;
};

struct Ceiling {
  GLuint prog = 0, vao = 0, vbo = 0, ebo = 0, fbo = 0, rb[2] = {0, 0}, tex = 0;
  GLsizei count = 0;
  int width = 640, height = 480;
  float view[16], proj[16];
};

void ceiling_build(Ceiling &c, const std::vector<Vertex> &v, const std::vector<uint32_t> &idx,
                   State s, bool dynamic) {
  const VLrendercontext *rc = VLuniverse_getwindows()->context;
  c.width = rc->width;
  c.height = rc->height;
  memcpy(c.view, rc->view, sizeof c.view);
  memcpy(c.proj, rc->projection, sizeof c.proj);
  c.prog = !s.lit ? program(kUnlitVS, s.textured ? kTexFS : kColourFS)
           : s.textured ? program(kLitTexVS, kTexFS)
                        : program(kLitColourVS, kColourFS);
  c.count = GLsizei(idx.size());
  glGenVertexArrays(1, &c.vao);
  glBindVertexArray(c.vao);
  glGenBuffers(1, &c.vbo);
  glBindBuffer(GL_ARRAY_BUFFER, c.vbo);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(Vertex)), v.data(),
               dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
  glGenBuffers(1, &c.ebo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, c.ebo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(idx.size() * 4), idx.data(), GL_STATIC_DRAW);
  GLsizei st = sizeof(Vertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, st, reinterpret_cast<void *>(offsetof(Vertex, p)));
  if (s.lit) {
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, st, reinterpret_cast<void *>(offsetof(Vertex, n)));
  }
  if (!(s.lit && s.textured)) {
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, st,
                          reinterpret_cast<void *>(offsetof(Vertex, c)));
  }
  if (s.textured) {
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, st, reinterpret_cast<void *>(offsetof(Vertex, uv)));
  }
  glBindVertexArray(0);
  /* The benchmark's texture: a 256 x 256 RGBA image, bilinear. */
  if (s.textured) {
    std::vector<uint8_t> img(256 * 256 * 4);
    for (size_t i = 0; i < img.size(); ++i) img[i] = uint8_t((i * 37) >> 3);
    glGenTextures(1, &c.tex);
    glBindTexture(GL_TEXTURE_2D, c.tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, img.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
  glGenFramebuffers(1, &c.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, c.fbo);
  glGenRenderbuffers(2, c.rb);
  glBindRenderbuffer(GL_RENDERBUFFER, c.rb[0]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, c.width, c.height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c.rb[0]);
  glBindRenderbuffer(GL_RENDERBUFFER, c.rb[1]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, c.width, c.height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, c.rb[1]);
}

void ceiling_release(Ceiling &c) {
  glDeleteProgram(c.prog);
  glDeleteVertexArrays(1, &c.vao);
  glDeleteBuffers(1, &c.vbo);
  glDeleteBuffers(1, &c.ebo);
  glDeleteFramebuffers(1, &c.fbo);
  glDeleteRenderbuffers(2, c.rb);
  if (c.tex) glDeleteTextures(1, &c.tex);
}

/* The ceiling's frames for about the given time; frames per second. The
 * device's own GL state (program, vertex array, texture unit) is put back
 * afterwards. Each frame: clear, an optional update, one draw, finish. */
template <class Update>
double ceiling_fps(Ceiling &c, double seconds, Update update) {
  GLint prog = 0, vao = 0, tex = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &prog);
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &tex);
  glUseProgram(c.prog);
  glUniformMatrix4fv(glGetUniformLocation(c.prog, "u_view"), 1, GL_FALSE, c.view);
  glUniformMatrix4fv(glGetUniformLocation(c.prog, "u_proj"), 1, GL_FALSE, c.proj);
  glUniform3f(glGetUniformLocation(c.prog, "u_ambient"), 0.4f, 0.4f, 0.4f);
  glUniform3f(glGetUniformLocation(c.prog, "u_light"), 0, 0, 1);
  glUniform3f(glGetUniformLocation(c.prog, "u_lcolor"), 1, 1, 1);
  glUniform1i(glGetUniformLocation(c.prog, "u_tex"), 0);
  glBindVertexArray(c.vao);
  glActiveTexture(GL_TEXTURE0);
  if (c.tex) glBindTexture(GL_TEXTURE_2D, c.tex);
  glBindFramebuffer(GL_FRAMEBUFFER, c.fbo);
  glViewport(0, 0, c.width, c.height);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_BLEND);
  glClearColor(0, 0, 0, 1);
  long frames = 0;
  double t0 = now_s(), t1;
  do {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    update();
    glDrawElements(GL_TRIANGLES, c.count, GL_UNSIGNED_INT, nullptr);
    glFinish();
    ++frames;
    t1 = now_s();
  } while (t1 - t0 < seconds);
  glUseProgram(GLuint(prog));
  glBindVertexArray(GLuint(vao));
  glBindTexture(GL_TEXTURE_2D, GLuint(tex));
  return double(frames) / (t1 - t0);
}

/* The rounds alternate with the ceiling, so the toolkit needs no warm-up
 * frames of its own here. */
double toolkit_fps(double seconds) { return perf::toolkit_framerate(seconds, VLuniverse_go1, 0); }

/* CPU time of the whole process, every thread, in seconds. */
double cpu_s(void) {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

/* --- the scenes' triangles, as the toolkit draws them --- */

/* One polygon, front-facing, in the toolkit's corner order (fans). */
void add_polygon(std::vector<Vertex> &v, std::vector<uint32_t> &idx, const Vertex *c, int n) {
  uint32_t base = uint32_t(v.size());
  for (int k = 0; k < n; ++k) v.push_back(c[k]);
  for (int k = 1; k + 1 < n; ++k) idx.insert(idx.end(), {base + k + 1, base + k, base});
}

/* The grid of size n: the 11 x 11 patch with vertex normals and colours
 * placed at every cell, m times. */
void grid_triangles(int n, int m, bool quads, std::vector<Vertex> &v, std::vector<uint32_t> &idx) {
  VLgeometry *g = bench_patch(true, true, 11, 11, quads);
  for (int copy = 0; copy < m; ++copy)
    for (int y = 1 - n; y <= n - 1; y += 2)
      for (int x = 1 - n; x <= n - 1; x += 2)
        for (VLpoly *p = g->polys; p; p = p->next) {
          Vertex c[4];
          int k = 0;
          for (VLvertexref *r = p->vertices; r && k < 4; r = r->next, ++k) {
            const VLvertex *s = r->vertex;
            Vertex &o = c[k];
            o = Vertex{{s->position[0] + float(x), s->position[1] + float(y), s->position[2]},
                       {s->normal ? s->normal[0] : 0, s->normal ? s->normal[1] : 0,
                        s->normal ? s->normal[2] : -1},
                       {uint8_t(p->colour * 60), 128, 255, 255},
                       {(s->position[0] + 1) / 2, (s->position[1] + 1) / 2}};
          }
          add_polygon(v, idx, c, k);
        }
  VLgeometry_delete(g);
}

/* count layers of 2 x 2 squares facing the viewer, in drawing order. */
void layer_triangles(int count, std::vector<Vertex> &v, std::vector<uint32_t> &idx) {
  int n = abs(count);
  for (int k = 0; k < n; ++k) {
    float z = count > 0 ? float(k) : float(n - 1 - k);
    const float q[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    Vertex c[4];
    for (int i = 0; i < 4; ++i)
      c[i] = Vertex{{q[i][0], q[i][1], z}, {0, 0, -1}, {255, 0, 0, 255}, {(q[i][0] + 1) / 2, (q[i][1] + 1) / 2}};
    add_polygon(v, idx, c, 4);
  }
}

/* The ripple's 900 shared vertices as they stand now. */
void ripple_vertices(std::vector<Vertex> &v) {
  v.resize(RIPPLE_SIDE * RIPPLE_SIDE);
  for (int k = 0; k < RIPPLE_SIDE * RIPPLE_SIDE; ++k) {
    const VLvertex *s = bench().ripplevertices[k];
    Vertex &o = v[size_t(k)];
    memcpy(o.p, s->position, sizeof o.p);
    if (s->normal) memcpy(o.n, s->normal, sizeof o.n);
    o.uv[0] = (s->position[0] + 1) / 2;
    o.uv[1] = (s->position[1] + 1) / 2;
  }
}

void ripple_triangles(std::vector<Vertex> &v, std::vector<uint32_t> &idx) {
  ripple_vertices(v);
  auto index = [](const VLvertex *x) {
    for (int k = 0; k < RIPPLE_SIDE * RIPPLE_SIDE; ++k)
      if (bench().ripplevertices[k] == x) return uint32_t(k);
    return 0u;
  };
  for (VLpoly *p = bench().ripplegeometry->polys; p; p = p->next) {
    uint32_t c[3];
    int k = 0;
    for (VLvertexref *r = p->vertices; r && k < 3; r = r->next) c[k++] = index(r->vertex);
    idx.insert(idx.end(), {c[2], c[1], c[0]});
  }
}

/* --- the measurement --- */

struct Scene {
  std::string label;
  long prims;                  /* per frame: triangles, or pixels for layers */
  const char *unit;
};

/* Warm-up, the allocation count of 100 toolkit frames, then alternating
 * rounds. The ceiling must be built with the scene's matrices in force. */
const char *g_only = nullptr;

bool wanted(const char *label) { return !g_only || strstr(label, g_only); }

template <class Update>
void measure(const Scene &s, Ceiling &c, double seconds, Update update) {
  ceiling_fps(c, 0.0, update);   /* the first draw compiles the shaders */
  long before = g_allocs.load(), ownbefore = g_own.load();
  g_counting = true;
  for (int i = 0; i < 100; ++i) VLuniverse_go1();
  g_counting = false;
  long allocs = g_allocs.load() - before, own = g_own.load() - ownbefore;
  before = g_allocs.load();
  g_counting = true;
  ceiling_fps(c, 0.0, update);
  for (int i = 0; i < 99; ++i) ceiling_fps(c, 0.0, update);
  g_counting = false;
  long ceilallocs = g_allocs.load() - before;
  /* Each round also takes the process's CPU time per frame (every thread:
   * the toolkit's and the device's), which a busy shared machine disturbs
   * less than the rates. */
  std::vector<double> tk, ce, tkcpu, cecpu;
  for (int r = 0; r < 11; ++r) {
    double w0 = now_s(), c0 = cpu_s();
    tk.push_back(toolkit_fps(seconds));
    double w1 = now_s(), c1 = cpu_s();
    ce.push_back(ceiling_fps(c, seconds, update));
    double w2 = now_s(), c2 = cpu_s();
    tkcpu.push_back((c1 - c0) / (tk.back() * (w1 - w0)));
    cecpu.push_back((c2 - c1) / (ce.back() * (w2 - w1)));
  }
  /* The ratio is the median of each round's ratio to the ceiling round
   * next to it: a shared machine's load drifts over seconds, and rounds
   * taken together share it. */
  std::vector<double> ratios;
  for (size_t r = 0; r < tk.size(); ++r) ratios.push_back(tk[r] / ce[r]);
  double a = median(tk) * double(s.prims), b = median(ce) * double(s.prims);
  double ta = median(tkcpu), tb = median(cecpu);
  double scale = strcmp(s.unit, "Mpix/s") == 0 ? 1e-6 : 1e-3;
  printf("%-40s toolkit %9.1f %s  ceiling %9.1f  ratio %.3f  CPU ms/frame: toolkit %.2f, ceiling "
         "%.2f, ratio %.3f  allocations/100 frames: toolkit %ld, driver %ld (ceiling's driver %ld)\n",
         s.label.c_str(), a * scale, s.unit, b * scale, median(ratios), ta * 1e3, tb * 1e3, tb / ta, own,
         allocs - own, ceilallocs);
  fflush(stdout);
}

void settle(void) {
  for (int i = 0; i < 5; ++i) VLuniverse_go1();
}

void set_state(bool lit, bool textured) {
  Bench &b = bench();
  if (bool(b.rendering & 4) != lit) bench_togglerendering(TOGGLE_LIGHTING);
  if (bool(b.rendering & 1) != textured) bench_togglerendering(TOGGLE_TEXTURE);
}

void grid(int size, int m, bool quads, bool lit, bool textured, double seconds) {
  char label[96];
  snprintf(label, sizeof label, "grid mg %d0%s %s %s %s", size, m > 1 ? " x4" : "",
           quads ? "quads" : "tris ", lit ? "lit  " : "unlit", textured ? "textured" : "plain");
  if (!wanted(label)) return;
  bench().quads = quads;
  bench().multiplier = m;
  set_state(lit, textured);
  bench_gridscene(size);
  settle();
  std::vector<Vertex> v;
  std::vector<uint32_t> idx;
  grid_triangles(size, m, quads, v, idx);
  Ceiling c;
  ceiling_build(c, v, idx, State{lit, textured}, false);
  measure(Scene{label, long(idx.size() / 3), "Ktri/s"}, c, seconds, [] {});
  ceiling_release(c);
}

void overwrite(int count, bool textured, double seconds) {
  char label[96];
  snprintf(label, sizeof label, "overwrite %d %s lit %s", abs(count),
           count > 0 ? "nearest first" : "farthest first", textured ? "textured" : "plain");
  if (!wanted(label)) return;
  set_state(true, textured);
  bench_overwritescene(count);
  settle();
  std::vector<Vertex> v;
  std::vector<uint32_t> idx;
  layer_triangles(count, v, idx);
  Ceiling c;
  ceiling_build(c, v, idx, State{true, textured}, false);
  const VLrendercontext *rc = VLuniverse_getwindows()->context;
  measure(Scene{label, long(rc->width) * rc->height * abs(count), "Mpix/s"}, c, seconds, [] {});
  ceiling_release(c);
}

void ripple(double seconds) {
  if (!wanted("ripple")) return;
  set_state(true, true);
  bench_ripplescene();
  settle();
  std::vector<Vertex> v;
  std::vector<uint32_t> idx;
  ripple_triangles(v, idx);
  Ceiling c;
  ceiling_build(c, v, idx, State{true, true}, true);
  GLuint vbo = c.vbo;
  /* Each ceiling frame steps the ripple as the toolkit's frame does and
   * uploads the 900 vertices into the one buffer. */
  auto update = [&v, vbo] {
    bench_ripplestep();
    ripple_vertices(v);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(v.size() * sizeof(Vertex)), v.data());
  };
  measure(Scene{"ripple 30 x 30 lit textured", long(idx.size() / 3), "Ktri/s"}, c, seconds, update);
  ceiling_release(c);
}

}  // namespace

int main(int argc, char **argv) {
  double seconds = argc > 1 ? atof(argv[1]) : 0.2;
  g_only = argc > 2 ? argv[2] : nullptr;
  setenv("VLXOFFSCREEN", "1", 1);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  bench_startup();
  VLuniverse_setbgcolor(0, 0, 0);
  bench_settexturemode(1);
  for (int size : {2, 9})
    for (bool quads : {true, false})
      for (bool lit : {true, false})
        for (bool textured : {true, false}) grid(size, 1, quads, lit, textured, seconds);
  grid(9, 4, true, true, true, seconds);
  grid(9, 4, true, true, false, seconds);
  for (int count : {16, -16})
    for (bool textured : {false, true}) overwrite(count, textured, seconds);
  ripple(seconds);
  VLuniverse_delete();
  return 0;
}
