/* Executing an execute buffer on GL: the vertex area is uploaded once into
 * the streaming vertex buffer; every vertex takes the material that was
 * current when its range was processed and the world matrix that was
 * current, so material and placement changes never split a draw.
 * Consecutive primitive instructions are gathered and drawn together, one
 * draw per primitive kind, until a state that the shader or the pipeline
 * depends on changes or the buffer ends.
 * Each draw runs the variant program made for its state (lights, specular
 * terms, lit or not, flat or smooth, textured or not, one world matrix and
 * material or several): the draw's matrices and materials go into small
 * uniform arrays and each vertex carries its slots in them. The general
 * program (tests: generalshading) fetches them from textures by handle. */
#include <math.h>
#include <string.h>

#include "display/device/gl/gl_device_impl.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vlgl {

namespace {

void unpack_argb(uint32_t c, float out[4]) {
  out[0] = ((c >> 16) & 255) / 255.0f;
  out[1] = ((c >> 8) & 255) / 255.0f;
  out[2] = (c & 255) / 255.0f;
  out[3] = ((c >> 24) & 255) / 255.0f;
}

}  // namespace

/* The vertex area goes into the staging copy after what is pending (each
 * processed range is copied, or placed, there); its primitives join the
 * pending ones while the state stays and the pending triangles are fewer
 * than a submission's. Nothing pending:
 * the staging and the slot tables start again. The general program draws
 * each buffer by itself. */
void GLdevice::execute(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
                       uint32_t instrlength) {
  if (!current_ || !buffer || vertexcount > VLEXEC_MAXVERTICES) return;
  if (pending() && (staged_ + vertexcount > kStageVertices || pendtri_.size() >= kSubmitIndices))
    flush();
  if (!pending()) {
    staged_ = uploaded_ = pendlo_ = 0;
    reset_slots();
  }
  base_ = staged_;
  src_ = buffer;
  staged_ += vertexcount;
  world_ = 0;
  begincount();
  bool ok = _VLexec_walk(buffer, vertexcount, instroffset, instrlength, this);
  if (general_) flush();
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
    ++ambientserial_;
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

namespace {

/* The slot of a handle in a draw's table: found, added, or none (full). */
int slot_of(uint32_t *table, uint32_t &n, uint32_t max, uint32_t handle) {
  for (uint32_t i = 0; i < n; ++i)
    if (table[i] == handle) return int(i);
  if (n == max) return -1;
  table[n] = handle;
  return int(n++);
}

}  // namespace

void GLdevice::reset_slots(void) { nworlds_ = nmats_ = 0; }

/* A range's vertices take the current material and world matrix: their
 * handles (the general program) and their slots in the pending draw's
 * tables; a full table draws what is pending and starts new tables. */
void GLdevice::process(uint32_t flags, uint32_t start, uint32_t count) {
  bool lit = (flags & VLPV_TRANSFORMLIGHT) != 0;
  if (lit != lit_) flush();   /* the two vertex layouts draw separately */
  lit_ = lit;
  for (uint32_t i = start; i < start + count; ++i) {
    vertexids_[2 * i] = material_;
    vertexids_[2 * i + 1] = world_;
  }
  stats.vertices += count;
  if (!count) return;   /* an empty range takes no slot */
  bool placed = place(start, count);
  if (!placed)
    memcpy(&stage_[size_t(base_ + start) * 32], src_ + size_t(start) * 32, size_t(count) * 32);
  uint32_t world = placed ? kPlaced : world_;
  int m = lit ? slot_of(matslot_, nmats_, VLVAR_MAXMATERIALS, material_) : 0;
  int w = slot_of(worldslot_, nworlds_, VLVAR_MAXWORLDS, world);
  if (m < 0 || w < 0) {
    flush();
    reset_slots();
    m = lit ? slot_of(matslot_, nmats_, VLVAR_MAXMATERIALS, material_) : 0;
    w = slot_of(worldslot_, nworlds_, VLVAR_MAXWORLDS, world);
  }
  uint32_t from = base_ + start, to = from + count;
  for (uint32_t i = from; i < to; ++i) {
    slotids_[2 * i] = uint16_t(m);
    slotids_[2 * i + 1] = uint16_t(w);
  }
  if (slotslo_ >= slotshi_) slotslo_ = from;
  slotslo_ = from < slotslo_ ? from : slotslo_;
  slotshi_ = to > slotshi_ ? to : slotshi_;
}

/* The variants take a range's vertices placed in view space when its
 * model-view matrix (world x view) is affine, as placements are: positions
 * and normals are carried through it once here, from the buffer into the
 * staging copy, and the range needs no matrix of its own in the draw.
 * False otherwise, and for the general program (the caller copies the
 * range as it is). */
bool GLdevice::place(uint32_t start, uint32_t count) {
  if (general_) return false;
  float *m = placing_;
  if (placingworld_ != world_ || placingserial_ != placeserial_) {
    const float *w = &worlds_[size_t(world_) * 16];
    if (viewidentity_) {
      memcpy(m, w, sizeof placing_);
    } else {
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
          m[4 * r + c] = w[4 * r] * view_[c] + w[4 * r + 1] * view_[4 + c] +
                         w[4 * r + 2] * view_[8 + c] + w[4 * r + 3] * view_[12 + c];
    }
    placingworld_ = world_;
    placingserial_ = placeserial_;
  }
  if (m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1) return false;
  const float *in = reinterpret_cast<const float *>(src_) + size_t(start) * 8;
  float *out = reinterpret_cast<float *>(&stage_[size_t(base_ + start) * 32]);
#if defined(__SSE2__)
  /* Four lanes at once: the rows of the matrix scaled by x, y and z and
   * summed. The position goes to floats 0-3 and the normal (or the colour
   * word of unlit vertices) to 3-6 over its fourth lane; the texture
   * coordinates then overwrite 6-7. */
  const __m128 r0 = _mm_loadu_ps(m), r1 = _mm_loadu_ps(m + 4), r2 = _mm_loadu_ps(m + 8),
               r3 = _mm_loadu_ps(m + 12);
  for (uint32_t i = 0; i < count; ++i, in += 8, out += 8) {
    __m128 p = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(in[0]), r0), _mm_mul_ps(_mm_set1_ps(in[1]), r1));
    p = _mm_add_ps(_mm_add_ps(p, _mm_mul_ps(_mm_set1_ps(in[2]), r2)), r3);
    __m128i uv = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + 6));
    _mm_storeu_ps(out, p);
    if (lit_) {
      __m128 n = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(in[3]), r0), _mm_mul_ps(_mm_set1_ps(in[4]), r1));
      n = _mm_add_ps(n, _mm_mul_ps(_mm_set1_ps(in[5]), r2));
      _mm_storeu_ps(out + 3, n);
    } else {   /* unlit vertices carry their colour here */
      _mm_storeu_ps(out + 3, _mm_loadu_ps(in + 3));
    }
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 6), uv);
  }
#else
  for (uint32_t i = 0; i < count; ++i, in += 8, out += 8) {
    float x = in[0], y = in[1], z = in[2];
    out[0] = x * m[0] + y * m[4] + z * m[8] + m[12];
    out[1] = x * m[1] + y * m[5] + z * m[9] + m[13];
    out[2] = x * m[2] + y * m[6] + z * m[10] + m[14];
    out[6] = in[6];
    out[7] = in[7];
    if (!lit_) {   /* unlit vertices carry their colour here */
      memcpy(out + 3, in + 3, 3 * sizeof(float));
      continue;
    }
    float nx = in[3], ny = in[4], nz = in[5];
    out[3] = nx * m[0] + ny * m[4] + nz * m[8];
    out[4] = nx * m[1] + ny * m[5] + nz * m[9];
    out[5] = nx * m[2] + ny * m[6] + nz * m[10];
  }
#endif
  return true;
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

void GLdevice::use_program(GLuint program) {
  if (program == bound_) return;
  glUseProgram(program);
  bound_ = program;
}

void GLdevice::prepare_general(void) {
  use_program(prog_.program);
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
  if (mtxstale_) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, GLsizei(mtxtexrows_), GL_RGBA, GL_FLOAT,
                    worlds_.data());
    mtxstale_ = false;
  }
  glActiveTexture(GL_TEXTURE0);
  glBindBuffer(GL_ARRAY_BUFFER, vbomat_);
  glBufferSubData(GL_ARRAY_BUFFER, 0, VLEXEC_MAXVERTICES * 8, vertexids_.data());
  if (lightsdirty_) upload_lights();
  if (ambientdirty_) {
    float a[4];
    unpack_argb(ambient_, a);
    glUniform4fv(prog_.ambient, 1, a);
    ambientdirty_ = false;
  }
}

/* The active lights in slot order, as the variants take them: directional
 * vectors normalised towards the light, spot directions normalised. */
void GLdevice::compute_lights(void) {
  LightData &d = light_;
  d.n = 0;
  d.key = 0;
  for (int i = 0; i < VLDEVICE_LIGHTS; ++i) {
    if (!lighton_[i]) continue;
    const VLlightdesc &l = lights_[i];
    int n = d.n++;
    int type = l.type == VLLIGHT_POINT || l.type == VLLIGHT_SPOT ? l.type : VLLIGHT_DIRECTIONAL;
    d.key |= uint32_t(type) << (VLVAR_TYPESHIFT + 2 * n);
    float len = sqrtf(l.direction[0] * l.direction[0] + l.direction[1] * l.direction[1] +
                      l.direction[2] * l.direction[2]);
    float s = len > 0 ? (type == VLLIGHT_DIRECTIONAL ? -1.0f : 1.0f) / len : 0.0f;
    for (int k = 0; k < 4; ++k) d.color[n][k] = l.color[k];
    for (int k = 0; k < 3; ++k) {
      d.pos[n][k] = l.position[k];
      d.dir[n][k] = l.direction[k] * s;
      d.att[n][k] = l.attenuation[k];
    }
    d.spot[n][0] = l.range > 0 ? l.range : 1e30f;
    d.spot[n][1] = l.falloff;
    d.spot[n][2] = cosf(l.theta * 0.5f);
    d.spot[n][3] = cosf(l.phi * 0.5f);
  }
  d.key |= uint32_t(d.n) << VLVAR_NLIGHTSHIFT;
  lightdata_ = lightserial_;
}

uint32_t GLdevice::variant_key(void) const {
  uint32_t key = 0;
  if (flat_) key |= VLVAR_FLAT;
  if (texture_) key |= VLVAR_TEXTURED;
  if (nworlds_ > 1) key |= VLVAR_MULTIWORLD;
  if (!lit_) return key;
  key |= VLVAR_LIT | light_.key;
  if (nmats_ > 1) key |= VLVAR_MULTIMATERIAL;
  for (uint32_t i = 0; i < nmats_; ++i) {
    const VLmaterialdesc &m = materials_[matslot_[i] < materials_.size() ? matslot_[i] : 0];
    if (m.power > 0 && (m.specular[0] > 0 || m.specular[1] > 0 || m.specular[2] > 0))
      return key | VLVAR_SPECULAR;
  }
  return key;
}

/* The variant for a key: the last one used, one made earlier, or a new one
 * compiled now; null when it cannot be built. */
const VLglvariant *GLdevice::variant(uint32_t key) {
  if (lastvariant_ < variants_.size() && variants_[lastvariant_].key == key)
    return &variants_[lastvariant_];
  for (size_t i = 0; i < variants_.size(); ++i)
    if (variants_[i].key == key) {
      lastvariant_ = i;
      return &variants_[i];
    }
  VLglvariant v;
  bound_ = 0;
  if (!_VLgl_buildvariant(&v, key)) return nullptr;
  variants_.push_back(v);
  lastvariant_ = variants_.size() - 1;
  return &variants_.back();
}

void GLdevice::variant_lights(const VLglvariant &cv) {
  VLglvariant &v = const_cast<VLglvariant &>(cv);
  if (v.lightserial != lightdata_ && light_.n) {
    glUniform4fv(v.lcolor, light_.n, &light_.color[0][0]);
    glUniform3fv(v.lpos, light_.n, &light_.pos[0][0]);
    glUniform3fv(v.ldir, light_.n, &light_.dir[0][0]);
    glUniform3fv(v.latt, light_.n, &light_.att[0][0]);
    glUniform4fv(v.lspot, light_.n, &light_.spot[0][0]);
    v.lightserial = lightdata_;
  }
}

/* The draw's world matrices (combined with the view: the variants take
 * model-view matrices) and materials into the uniform arrays. */
void GLdevice::variant_tables(const VLglvariant &v) {
  static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (uint32_t i = 0; i < nworlds_; ++i) {
    const float *w = worldslot_[i] == kPlaced ? identity : &worlds_[size_t(worldslot_[i]) * 16];
    float *out = &worldbuf_[16 * i];
    if (viewidentity_ || worldslot_[i] == kPlaced) {
      memcpy(out, w, 16 * sizeof(float));
      continue;
    }
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        out[4 * r + c] = w[4 * r] * view_[c] + w[4 * r + 1] * view_[4 + c] +
                         w[4 * r + 2] * view_[8 + c] + w[4 * r + 3] * view_[12 + c];
  }
  glUniformMatrix4fv(v.world, GLsizei(nworlds_), GL_FALSE, worldbuf_);
  if (!lit_) return;
  for (uint32_t i = 0; i < nmats_; ++i) {
    const VLmaterialdesc &m = materials_[matslot_[i] < materials_.size() ? matslot_[i] : 0];
    float *row = &matbuf_[16 * i];
    memcpy(row, m.diffuse, 16);
    for (int k = 0; k < 3; ++k) row[4 + k] = m.emissive[k] + m.ambient[k] * ambientf_[k];
    row[7] = 1.0f;
    memcpy(row + 8, m.specular, 16);
    row[12] = m.power;
  }
  glUniform4fv(v.mat, GLsizei(4 * nmats_), matbuf_);
}

bool GLdevice::prepare_variant(void) {
  if (lit_ && lightdata_ != lightserial_) compute_lights();
  if (lit_) unpack_argb(ambient_, ambientf_);
  const VLglvariant *v = variant(variant_key());
  if (!v) return false;
  use_program(v->program);
  glBindVertexArray(lit_ ? vao_litslots_ : vao_unlitslots_);
  if (texture_) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures_[texture_].id);
  }
  if (v->projserial != projserial_) {
    glUniformMatrix4fv(v->proj, 1, GL_FALSE, proj_);
    const_cast<VLglvariant *>(v)->projserial = projserial_;
  }
  if (lit_) variant_lights(*v);
  variant_tables(*v);
  return true;
}

/* The staged vertices not yet in the device's buffers, and the slots
 * written since the last upload (ranges processed after a draw inside a
 * buffer get theirs later than their vertices). */
void GLdevice::upload_staged(void) {
  if (staged_ > uploaded_) {
    GLsizeiptr from = GLsizeiptr(uploaded_), n = GLsizeiptr(staged_ - uploaded_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferSubData(GL_ARRAY_BUFFER, from * 32, n * 32, &stage_[size_t(from) * 32]);
    uploaded_ = staged_;
  }
  if (slotshi_ > slotslo_ && !general_) {
    GLsizeiptr from = GLsizeiptr(slotslo_), n = GLsizeiptr(slotshi_ - slotslo_);
    glBindBuffer(GL_ARRAY_BUFFER, vboslots_);
    glBufferSubData(GL_ARRAY_BUFFER, from * 4, n * 4, &slotids_[size_t(from) * 2]);
  }
  slotslo_ = slotshi_ = 0;
}

void GLdevice::prepare_draw(void) {
  glBindFramebuffer(GL_FRAMEBUFFER, targets_[current_].fbo);
  upload_staged();
  if (general_ || !prepare_variant()) prepare_general();
}

void GLdevice::draw(GLenum mode, std::vector<uint32_t> &indices) {
  if (indices.empty()) return;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
  glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(indices.size()) * 4, indices.data());
  /* The range spares the driver a scan of the indexes for their bounds. */
  glDrawRangeElements(mode, pendlo_, staged_ ? staged_ - 1 : 0, GLsizei(indices.size()),
                      GL_UNSIGNED_INT, nullptr);
  stats.drawcalls++;
  indices.clear();
}

/* Draws what is pending: at most one kind of primitive is (a new kind
 * draws the others first, so the order of the buffers stands). */
void GLdevice::flush(void) {
  if (!pending()) return;
  if (current_) {
    prepare_draw();
    /* A large draw is submitted at once, so the device works on it while
     * the next batches are built rather than after the frame's last one. */
    bool submit = pendtri_.size() >= kSubmitIndices;
    draw(GL_TRIANGLES, pendtri_);
    if (submit) glFlush();
    draw(GL_LINES, pendline_);
    draw(GL_POINTS, pendpoint_);
  }
  pendtri_.clear();
  pendline_.clear();
  pendpoint_.clear();
  /* Primitives still to come from the buffer being executed may use any
   * of its vertices, those processed before this draw included. */
  pendlo_ = base_;
}

void GLdevice::triangles(const VLtriangleitem *items, uint32_t n) {
  if (!pendline_.empty() || !pendpoint_.empty() || pendtri_.size() + 3 * size_t(n) > kPendIndices)
    flush();
  size_t at = pendtri_.size();
  pendtri_.resize(at + 3 * size_t(n));
  uint32_t *out = pendtri_.data() + at;
  for (uint32_t i = 0; i < n; ++i, out += 3) {
    out[0] = base_ + items[i].v1;
    out[1] = base_ + items[i].v2;
    out[2] = base_ + items[i].v3;
  }
  stats.triangles += n;
}

void GLdevice::lines(const VLlineitem *items, uint32_t n) {
  if (!pendtri_.empty() || !pendpoint_.empty() || pendline_.size() + 2 * size_t(n) > kPendIndices)
    flush();
  for (uint32_t i = 0; i < n; ++i) {
    pendline_.push_back(base_ + items[i].v1);
    pendline_.push_back(base_ + items[i].v2);
  }
  stats.lines += n;
}

void GLdevice::points(const VLpointitem *items, uint32_t n) {
  if (!pendtri_.empty() || !pendline_.empty()) flush();
  for (uint32_t i = 0; i < n; ++i) {
    if (pendpoint_.size() + items[i].count > kPendIndices) flush();
    for (uint32_t k = 0; k < items[i].count; ++k) pendpoint_.push_back(base_ + items[i].first + k);
    stats.points += items[i].count;
  }
}

}  // namespace vlgl
