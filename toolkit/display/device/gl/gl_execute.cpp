/* Executing an execute buffer on GL: the vertex area is uploaded once into
 * the streaming vertex buffer; every vertex takes the material that was
 * current when its range was processed (a per-vertex material index into
 * the material texture) and the world matrix that was current (an index
 * into the matrix texture), so material and placement changes never split
 * a draw.
 * Consecutive primitive instructions are gathered and drawn together, one
 * draw per primitive kind, until a state that the shader or the pipeline
 * depends on changes or the buffer ends. */
#include <math.h>

#include "display/device/gl/gl_device_impl.h"

namespace vlgl {

namespace {

void unpack_argb(uint32_t c, float out[4]) {
  out[0] = ((c >> 16) & 255) / 255.0f;
  out[1] = ((c >> 8) & 255) / 255.0f;
  out[2] = (c & 255) / 255.0f;
  out[3] = ((c >> 24) & 255) / 255.0f;
}

}  // namespace

void GLdevice::execute(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
                       uint32_t instrlength) {
  if (!current_ || !buffer) return;
  glBindFramebuffer(GL_FRAMEBUFFER, targets_[current_].fbo);
  glUseProgram(prog_.program);
  if (vertexcount) {
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, VLEXEC_INSTROFFSET, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexcount) * 32, buffer);
  }
  pendtri_.clear();
  pendline_.clear();
  pendpoint_.clear();
  world_ = 0;
  begincount();
  bool ok = _VLexec_walk(buffer, vertexcount, instroffset, instrlength, this);
  flush();
  count(ok);
}

void GLdevice::lightstate(uint32_t code, uint32_t value) {
  stats.statechanges++;
  if (code == VLLS_MATERIAL) {
    material_ = value;   /* taken by the vertices processed from now on */
  } else if (code == VLLS_AMBIENT && value != ambient_) {
    flush();
    ambient_ = value;
    ambientdirty_ = true;
  }
}

void GLdevice::transformstate(uint32_t code, uint32_t value) {
  stats.statechanges++;
  if (code == VLTS_WORLD) world_ = value < mtxtexrows_ ? value : 0;
}

void GLdevice::renderstate(uint32_t code, uint32_t value) {
  stats.statechanges++;
  switch (code) {
    case VLRS_TEXTUREHANDLE: {
      uint32_t t = value < textures_.size() && textures_[value].live ? value : 0;
      if (t != texture_) flush();
      texture_ = t;
      break;
    }
    case VLRS_BLENDENABLE:
      if (blend_ != (value != 0)) flush();
      blend_ = value != 0;
      if (blend_) glEnable(GL_BLEND);
      else glDisable(GL_BLEND);
      break;
    case VLRS_SHADEMODE:
      if (flat_ != (value == VLSHADE_FLAT)) flush();
      flat_ = value == VLSHADE_FLAT;
      break;
    case VLRS_ZENABLE:
      if (zenable_ != (value != 0)) flush();
      zenable_ = value != 0;
      if (zenable_) glEnable(GL_DEPTH_TEST);
      else glDisable(GL_DEPTH_TEST);
      break;
    case VLRS_TEXTUREFILTER:
      if (texture_) {
        flush();
        GLint mag = value ? GL_LINEAR : GL_NEAREST;
        GLint min = value >= 2 ? GL_LINEAR_MIPMAP_LINEAR : mag;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, textures_[texture_].id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
      }
      break;
    default: break;   /* perspective correction is always on here */
  }
}

void GLdevice::process(uint32_t flags, uint32_t start, uint32_t count) {
  bool lit = (flags & VLPV_TRANSFORMLIGHT) != 0;
  if (lit != lit_) flush();   /* the two vertex layouts draw separately */
  lit_ = lit;
  for (uint32_t i = start; i < start + count; ++i) {
    vertexids_[2 * i] = material_;
    vertexids_[2 * i + 1] = world_;
  }
  stats.vertices += count;
}

void GLdevice::upload_lights(void) {
  GLint type[VLDEVICE_LIGHTS];
  float color[VLDEVICE_LIGHTS][4], pos[VLDEVICE_LIGHTS][3], dir[VLDEVICE_LIGHTS][3];
  float att[VLDEVICE_LIGHTS][3], spot[VLDEVICE_LIGHTS][4];
  int n = 0;
  for (int i = 0; i < VLDEVICE_LIGHTS; ++i) {
    if (!lighton_[i]) continue;
    const VLlightdesc &l = lights_[i];
    type[n] = l.type;
    for (int k = 0; k < 4; ++k) color[n][k] = l.color[k];
    for (int k = 0; k < 3; ++k) {
      pos[n][k] = l.position[k];
      dir[n][k] = l.direction[k];
      att[n][k] = l.attenuation[k];
    }
    spot[n][0] = l.range > 0 ? l.range : 1e30f;
    spot[n][1] = l.falloff;
    spot[n][2] = cosf(l.theta * 0.5f);
    spot[n][3] = cosf(l.phi * 0.5f);
    ++n;
  }
  glUniform1i(prog_.nlights, n);
  if (n) {
    glUniform1iv(prog_.ltype, n, type);
    glUniform4fv(prog_.lcolor, n, &color[0][0]);
    glUniform3fv(prog_.lpos, n, &pos[0][0]);
    glUniform3fv(prog_.ldir, n, &dir[0][0]);
    glUniform3fv(prog_.latt, n, &att[0][0]);
    glUniform4fv(prog_.lspot, n, &spot[0][0]);
  }
  lightsdirty_ = false;
}

void GLdevice::prepare_draw(void) {
  glBindVertexArray(lit_ ? vao_lit_ : vao_unlit_);
  glUniform1i(prog_.lit, lit_);
  glUniform1i(prog_.flat, flat_);
  glUniform1i(prog_.textured, texture_ != 0);
  if (texture_) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures_[texture_].id);
  }
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, mattex_);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, mtxtex_);
  glActiveTexture(GL_TEXTURE0);
  glBindBuffer(GL_ARRAY_BUFFER, vbomat_);
  glBufferData(GL_ARRAY_BUFFER, VLEXEC_MAXVERTICES * 8, nullptr, GL_STREAM_DRAW);
  glBufferSubData(GL_ARRAY_BUFFER, 0, VLEXEC_MAXVERTICES * 8, vertexids_.data());
  if (lightsdirty_) upload_lights();
  if (ambientdirty_) {
    float a[4];
    unpack_argb(ambient_, a);
    glUniform4fv(prog_.ambient, 1, a);
    ambientdirty_ = false;
  }
}

void GLdevice::draw(GLenum mode, std::vector<uint16_t> &indices) {
  if (indices.empty()) return;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, VLEXEC_BUFFERSIZE, nullptr, GL_STREAM_DRAW);
  glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(indices.size()) * 2, indices.data());
  glDrawElements(mode, GLsizei(indices.size()), GL_UNSIGNED_SHORT, nullptr);
  stats.drawcalls++;
  indices.clear();
}

void GLdevice::flush(void) {
  if (pendtri_.empty() && pendline_.empty() && pendpoint_.empty()) return;
  prepare_draw();
  draw(GL_TRIANGLES, pendtri_);
  draw(GL_LINES, pendline_);
  draw(GL_POINTS, pendpoint_);
}

void GLdevice::triangles(const VLtriangleitem *items, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    pendtri_.push_back(items[i].v1);
    pendtri_.push_back(items[i].v2);
    pendtri_.push_back(items[i].v3);
  }
  stats.triangles += n;
}

void GLdevice::lines(const VLlineitem *items, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    pendline_.push_back(items[i].v1);
    pendline_.push_back(items[i].v2);
  }
  stats.lines += n;
}

void GLdevice::points(const VLpointitem *items, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    for (uint32_t k = 0; k < items[i].count; ++k) pendpoint_.push_back(uint16_t(items[i].first + k));
    stats.points += items[i].count;
  }
}

}  // namespace vlgl
