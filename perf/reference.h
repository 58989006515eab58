/* The reference drawing of the performance harness: given triangles (or
 * lines) in one static vertex buffer, drawn with the device's own shader in
 * one call per frame into a 640 x 480 framebuffer on the same GL context.
 * Vertices are 8 floats: position, normal, u, v. Header-only: each perf
 * program is one file. */
#ifndef VLX_PERF_REFERENCE_H
#define VLX_PERF_REFERENCE_H

#include <epoxy/gl.h>

#include <vector>

#include "display/device/gl/gl_shaders.h"
#include "timing.h"

namespace perf {

/* The reference: the same triangles, transformed into place once, in one
 * static buffer drawn with the device's shader in one call. */
struct Reference {
  VLglprogram prog;
  GLuint vao = 0, vbo = 0, ids = 0, fbo = 0, rb[2] = {0, 0}, mat = 0, mtx = 0;
  GLsizei count = 0;
  GLenum mode = GL_TRIANGLES;
};

inline void reference_build(Reference &r, const std::vector<float> &verts, GLenum mode) {
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

inline void reference_release(Reference &r) {
  glDeleteVertexArrays(1, &r.vao);
  glDeleteBuffers(1, &r.vbo);
  glDeleteBuffers(1, &r.ids);
  glDeleteFramebuffers(1, &r.fbo);
  glDeleteRenderbuffers(2, r.rb);
  glDeleteTextures(1, &r.mat);
  glDeleteTextures(1, &r.mtx);
  glDeleteProgram(r.prog.program);
}

inline double reference_rate(Reference &r, const float view[16], const float proj[16], bool lit,
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

}  // namespace perf

#endif
