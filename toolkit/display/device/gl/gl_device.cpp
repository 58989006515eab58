/* The GL device: targets are framebuffers (RGBA8 colour, 16-bit depth),
 * execute buffers are staged into one streaming vertex buffer and drawn
 * together while the state stays (gl_execute.cpp). Lights, materials and
 * world matrices are kept on the CPU and written to the device only when
 * they change; each execution still binds its framebuffer, program, vertex
 * array and tables again (cheap next to its upload and draws). The
 * per-frame path allocates nothing. */
#include "display/device/gl/gl_device.h"

#include <string.h>

#include "display/device/gl/gl_device_impl.h"

namespace vlgl {

bool GLdevice::init(void) {
  if (!_VLgl_buildprogram(&prog_)) return false;
  glGenBuffers(1, &vbo_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(kStageVertices) * 32, nullptr, GL_STREAM_DRAW);
  stage_.assign(size_t(kStageVertices) * 32, 0);
  glGenBuffers(1, &ebo_);
  glGenBuffers(1, &vbomat_);
  glBindBuffer(GL_ARRAY_BUFFER, vbomat_);
  glBufferData(GL_ARRAY_BUFFER, VLEXEC_MAXVERTICES * 8, nullptr, GL_STREAM_DRAW);
  pendtri_.reserve(kPendIndices);
  pendline_.reserve(kPendIndices);
  pendpoint_.reserve(kPendIndices);
  vertexids_.assign(2 * VLEXEC_MAXVERTICES, 0);
  glGenVertexArrays(1, &vao_lit_);
  glBindVertexArray(vao_lit_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(kPendIndices) * 4, nullptr, GL_STREAM_DRAW);
  glEnableVertexAttribArray(4);
  glVertexAttribIPointer(4, 2, GL_UNSIGNED_INT, 8, reinterpret_cast<void *>(0));
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(0));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(12));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(24));
  glGenVertexArrays(1, &vao_unlit_);
  glBindVertexArray(vao_unlit_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(0));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 32, reinterpret_cast<void *>(16));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(24));
  glBindBuffer(GL_ARRAY_BUFFER, vbomat_);
  glEnableVertexAttribArray(4);
  glVertexAttribIPointer(4, 2, GL_UNSIGNED_INT, 8, reinterpret_cast<void *>(0));
  /* The variants' vertex arrays: the same layouts with 16-bit slots. */
  glGenBuffers(1, &vboslots_);
  glBindBuffer(GL_ARRAY_BUFFER, vboslots_);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(kStageVertices) * 4, nullptr, GL_STREAM_DRAW);
  slotids_.assign(2 * size_t(kStageVertices), 0);
  variants_.reserve(64);
  for (int lit = 0; lit < 2; ++lit) {
    GLuint &vao = lit ? vao_litslots_ : vao_unlitslots_;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(0));
    if (lit) {
      glEnableVertexAttribArray(1);
      glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(12));
    } else {
      glEnableVertexAttribArray(2);
      glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 32, reinterpret_cast<void *>(16));
    }
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void *>(24));
    glBindBuffer(GL_ARRAY_BUFFER, vboslots_);
    glEnableVertexAttribArray(4);
    glVertexAttribIPointer(4, 2, GL_UNSIGNED_SHORT, 4, reinterpret_cast<void *>(0));
  }
  glBindVertexArray(0);
  use_program(prog_.program);
  glUniform1i(prog_.tex, 0);
  glUniform1i(prog_.materials, 1);
  glUniform1i(prog_.matrices, 2);
  glGenTextures(1, &mattex_);
  grow_material_texture(256);
  glGenTextures(1, &mtxtex_);
  grow_matrix_texture(256);
  float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int m = 0; m < 3; ++m) setmatrix(m, id);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  targets_.resize(1);
  materials_.resize(1);
  materiallive_.resize(1);
  textures_.resize(1);
  return glGetError() == GL_NO_ERROR;
}

GLdevice::~GLdevice() {
  for (size_t i = 1; i < targets_.size(); ++i) deletetarget(int(i));
  for (size_t i = 1; i < textures_.size(); ++i) deletetexture(uint32_t(i));
  glDeleteVertexArrays(1, &vao_lit_);
  glDeleteVertexArrays(1, &vao_unlit_);
  glDeleteVertexArrays(1, &vao_litslots_);
  glDeleteVertexArrays(1, &vao_unlitslots_);
  glDeleteBuffers(1, &vboslots_);
  for (const VLglvariant &v : variants_) glDeleteProgram(v.program);
  glDeleteBuffers(1, &vbo_);
  glDeleteBuffers(1, &ebo_);
  glDeleteBuffers(1, &vbomat_);
  glDeleteTextures(1, &mattex_);
  glDeleteTextures(1, &mtxtex_);
  glDeleteProgram(prog_.program);
}

int GLdevice::newtarget(int width, int height) {
  flush();
  Target t;
  t.width = width;
  t.height = height;
  glGenFramebuffers(1, &t.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, t.fbo);
  glGenRenderbuffers(1, &t.color);
  glBindRenderbuffer(GL_RENDERBUFFER, t.color);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t.color);
  glGenRenderbuffers(1, &t.depth);
  glBindRenderbuffer(GL_RENDERBUFFER, t.depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, t.depth);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (!ok) {
    glDeleteFramebuffers(1, &t.fbo);
    glDeleteRenderbuffers(1, &t.color);
    glDeleteRenderbuffers(1, &t.depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    current_ = 0;
    return 0;
  }
  for (size_t i = 1; i < targets_.size(); ++i)
    if (!targets_[i].fbo) {
      targets_[i] = t;
      current_ = int(i);
      return int(i);
    }
  targets_.push_back(t);
  current_ = int(targets_.size() - 1);
  return current_;
}

void GLdevice::deletetarget(int target) {
  flush();
  if (target <= 0 || size_t(target) >= targets_.size() || !targets_[target].fbo) return;
  Target &t = targets_[target];
  glDeleteFramebuffers(1, &t.fbo);
  glDeleteRenderbuffers(1, &t.color);
  glDeleteRenderbuffers(1, &t.depth);
  t = Target();
  if (current_ == target) current_ = 0;
}

void GLdevice::selecttarget(int target) {
  if (target <= 0 || size_t(target) >= targets_.size() || !targets_[target].fbo) return;
  if (current_ == target) return;
  flush();
  glBindFramebuffer(GL_FRAMEBUFFER, targets_[target].fbo);
  current_ = target;
}

void GLdevice::viewport(int x, int y, int width, int height) {
  flush();
  glViewport(x, y, width, height);
}

void GLdevice::finish(void) {
  flush();
  glFinish();
}

void GLdevice::generalshading(bool on) {
  flush();
  general_ = on;
}

void GLdevice::worldchanging(uint32_t handle) {
  for (uint32_t i = 0; i < nworlds_ && pending(); ++i)
    if (worldslot_[i] == handle) flush();
}

void GLdevice::materialchanging(uint32_t handle) {
  for (uint32_t i = 0; i < nmats_ && pending(); ++i)
    if (matslot_[i] == handle) flush();
}

void GLdevice::clear(const float rgba[4]) {
  flush();
  if (!current_) return;
  glBindFramebuffer(GL_FRAMEBUFFER, targets_[current_].fbo);
  glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
  glClearDepth(1.0);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  stats.clears++;
}

void GLdevice::setmatrix(int which, const float m[16]) {
  if (which == VLMATRIX_WORLD) {
    setworldmatrix(0, m);
    return;
  }
  if (which == VLMATRIX_VIEW) {
    static const float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (memcmp(view_, m, sizeof view_) == 0) return;
    flush();
    memcpy(view_, m, sizeof view_);
    viewidentity_ = memcmp(m, id, sizeof id) == 0;
    ++placeserial_;
  } else {
    if (memcmp(proj_, m, sizeof proj_) == 0) return;
    flush();
    memcpy(proj_, m, sizeof proj_);
    ++projserial_;
  }
  use_program(prog_.program);
  glUniformMatrix4fv(which == VLMATRIX_VIEW ? prog_.view : prog_.proj, 1, GL_FALSE, m);
}

/* Matrix rows become texels: the shader builds its matrix from them as
 * columns, which is the transpose it multiplies with on the left. The
 * variants take the matrices from worlds_ as uniforms, so the texture is
 * only brought up to date for the general program. */
void GLdevice::setworldmatrix(uint32_t handle, const float m[16]) {
  if (handle > 65535) return;
  worldchanging(handle);
  ++placeserial_;
  if (handle >= mtxtexrows_) {
    uint32_t rows = mtxtexrows_;
    while (rows <= handle) rows *= 2;
    grow_matrix_texture(rows);
  }
  for (int i = 0; i < 16; ++i) worlds_[size_t(handle) * 16 + i] = m[i];
  if (!general_) {
    mtxstale_ = true;
    return;
  }
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, mtxtex_);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, GLint(handle), 4, 1, GL_RGBA, GL_FLOAT, m);
  glActiveTexture(GL_TEXTURE0);
}

void GLdevice::grow_matrix_texture(uint32_t rows) {
  worlds_.resize(size_t(rows) * 16, 0.0f);
  for (uint32_t r = mtxtexrows_; r < rows; ++r)
    for (int i = 0; i < 4; ++i) worlds_[size_t(r) * 16 + i * 5] = 1.0f;
  mtxtexrows_ = rows;
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, mtxtex_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, 4, GLsizei(rows), 0, GL_RGBA, GL_FLOAT,
               worlds_.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glActiveTexture(GL_TEXTURE0);
}

void GLdevice::setlight(int slot, const VLlightdesc *desc) {
  if (slot < 0 || slot >= VLDEVICE_LIGHTS || !desc) return;
  flush();
  lights_[slot] = *desc;
  lightsdirty_ = true;
  ++lightserial_;
}

void GLdevice::lighton(int slot, bool on) {
  if (slot < 0 || slot >= VLDEVICE_LIGHTS) return;
  if (lighton_[slot] == on) return;
  flush();
  lighton_[slot] = on;
  lightsdirty_ = true;
  ++lightserial_;
}

/* Material rows: diffuse, ambient, specular, emissive, (power, 0, 0, 0). */
void GLdevice::write_material_row(uint32_t handle) {
  const VLmaterialdesc &m = materials_[handle];
  float row[20] = {};
  for (int i = 0; i < 4; ++i) {
    row[i] = m.diffuse[i];
    row[4 + i] = m.ambient[i];
    row[8 + i] = m.specular[i];
    row[12 + i] = m.emissive[i];
  }
  row[16] = m.power;
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, mattex_);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, GLint(handle), 5, 1, GL_RGBA, GL_FLOAT, row);
  glActiveTexture(GL_TEXTURE0);
}

void GLdevice::grow_material_texture(uint32_t rows) {
  mattexrows_ = rows;
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, mattex_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, 5, GLsizei(rows), 0, GL_RGBA, GL_FLOAT, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glActiveTexture(GL_TEXTURE0);
  for (uint32_t h = 1; h < materials_.size() && h < rows; ++h) write_material_row(h);
}

uint32_t GLdevice::newmaterial(void) {
  for (size_t i = 1; i < materials_.size(); ++i)
    if (!materiallive_[i]) {
      materiallive_[i] = true;
      materials_[i] = VLmaterialdesc();
      write_material_row(uint32_t(i));
      return uint32_t(i);
    }
  materials_.push_back(VLmaterialdesc());
  materiallive_.push_back(true);
  uint32_t h = uint32_t(materials_.size() - 1);
  if (h >= mattexrows_) grow_material_texture(mattexrows_ * 2);
  write_material_row(h);
  return h;
}

void GLdevice::setmaterial(uint32_t handle, const VLmaterialdesc *desc) {
  if (!handle || handle >= materials_.size() || !materiallive_[handle] || !desc) return;
  materialchanging(handle);
  materials_[handle] = *desc;
  write_material_row(handle);
}

void GLdevice::deletematerial(uint32_t handle) {
  if (handle && handle < materials_.size()) materiallive_[handle] = false;
}

uint32_t GLdevice::newtexture(int width, int height, const uint8_t *rgba) {
  flush();
  Texture t;
  t.live = true;
  glGenTextures(1, &t.id);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, t.id);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glGenerateMipmap(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  for (size_t i = 1; i < textures_.size(); ++i)
    if (!textures_[i].live) {
      textures_[i] = t;
      return uint32_t(i);
    }
  textures_.push_back(t);
  return uint32_t(textures_.size() - 1);
}

void GLdevice::deletetexture(uint32_t handle) {
  if (!handle || handle >= textures_.size() || !textures_[handle].live) return;
  flush();
  glDeleteTextures(1, &textures_[handle].id);
  textures_[handle] = Texture();
  if (texture_ == handle) texture_ = 0;
}

void GLdevice::readpixels(int width, int height, int rowlength, uint8_t *rgba) {
  flush();
  if (!current_ || width <= 0 || height <= 0 || rowlength < width) return;
  glBindFramebuffer(GL_FRAMEBUFFER, targets_[current_].fbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, rowlength);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

}  // namespace vlgl

VLdevice *_VLgl_newdevice(void) {
  vlgl::GLdevice *d = new vlgl::GLdevice();
  if (!d->init()) {
    delete d;
    return nullptr;
  }
  return d;
}
