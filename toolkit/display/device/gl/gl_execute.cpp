/* Executing an execute buffer on GL: the vertex area is uploaded once into
 * the streaming vertex buffer, states update cached values, and every
 * primitive instruction becomes one indexed draw with the lit or unlit
 * vertex layout that the last process-vertices item chose. Uniforms are
 * uploaded only when their state changed. */
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
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  if (vertexcount) {
    glBufferData(GL_ARRAY_BUFFER, VLEXEC_INSTROFFSET, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexcount) * 32, buffer);
  }
  begincount();
  count(_VLexec_walk(buffer, vertexcount, instroffset, instrlength, this));
}

void GLdevice::lightstate(uint32_t code, uint32_t value) {
  stats.statechanges++;
  if (code == VLLS_MATERIAL && value != material_) {
    material_ = value;
    materialdirty_ = true;
  } else if (code == VLLS_AMBIENT && value != ambient_) {
    ambient_ = value;
    ambientdirty_ = true;
  }
}

void GLdevice::renderstate(uint32_t code, uint32_t value) {
  stats.statechanges++;
  switch (code) {
    case VLRS_TEXTUREHANDLE:
      texture_ = value < textures_.size() && textures_[value].live ? value : 0;
      break;
    case VLRS_BLENDENABLE:
      blend_ = value != 0;
      if (blend_) glEnable(GL_BLEND);
      else glDisable(GL_BLEND);
      break;
    case VLRS_SHADEMODE: flat_ = value == VLSHADE_FLAT; break;
    case VLRS_ZENABLE:
      zenable_ = value != 0;
      if (zenable_) glEnable(GL_DEPTH_TEST);
      else glDisable(GL_DEPTH_TEST);
      break;
    case VLRS_TEXTUREFILTER:
      if (texture_) {
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

void GLdevice::process(uint32_t flags, uint32_t, uint32_t count) {
  lit_ = (flags & VLPV_TRANSFORMLIGHT) != 0;
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

void GLdevice::upload_material(void) {
  static const VLmaterialdesc white = {{1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0},
                                       0, 0, 1};
  const VLmaterialdesc &m =
      material_ < materials_.size() && materiallive_[material_] ? materials_[material_] : white;
  glUniform4fv(prog_.matdiffuse, 1, m.diffuse);
  glUniform4fv(prog_.matambient, 1, m.ambient);
  glUniform4fv(prog_.matspecular, 1, m.specular);
  glUniform4fv(prog_.matemissive, 1, m.emissive);
  glUniform1f(prog_.matpower, m.power);
  materialdirty_ = false;
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
  if (lightsdirty_) upload_lights();
  if (materialdirty_) upload_material();
  if (ambientdirty_) {
    float a[4];
    unpack_argb(ambient_, a);
    glUniform4fv(prog_.ambient, 1, a);
    ambientdirty_ = false;
  }
}

void GLdevice::draw_indexed(GLenum mode, uint32_t nindices) {
  prepare_draw();
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices_.size()) * 2, nullptr, GL_STREAM_DRAW);
  glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(nindices) * 2, indices_.data());
  glDrawElements(mode, GLsizei(nindices), GL_UNSIGNED_SHORT, nullptr);
  stats.drawcalls++;
}

void GLdevice::triangles(const VLtriangleitem *items, uint32_t n) {
  if (!n) return;
  uint32_t k = 0;
  for (uint32_t i = 0; i < n; ++i) {
    indices_[k++] = items[i].v1;
    indices_[k++] = items[i].v2;
    indices_[k++] = items[i].v3;
  }
  draw_indexed(GL_TRIANGLES, k);
  stats.triangles += n;
}

void GLdevice::lines(const VLlineitem *items, uint32_t n) {
  if (!n) return;
  uint32_t k = 0;
  for (uint32_t i = 0; i < n; ++i) {
    indices_[k++] = items[i].v1;
    indices_[k++] = items[i].v2;
  }
  draw_indexed(GL_LINES, k);
  stats.lines += n;
}

void GLdevice::points(const VLpointitem *items, uint32_t n) {
  prepare_draw();
  for (uint32_t i = 0; i < n; ++i) {
    glDrawArrays(GL_POINTS, items[i].first, items[i].count);
    stats.points += items[i].count;
    stats.drawcalls++;
  }
}

}  // namespace vlgl
