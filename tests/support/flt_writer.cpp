/* OpenFlight record writer (see flt_writer.h). */
#include "support/flt_writer.h"

#include <string.h>

std::string flt_be16(uint16_t v) {
  char b[2] = {char(v >> 8), char(v)};
  return std::string(b, 2);
}

std::string flt_be32(uint32_t v) { return flt_be16(uint16_t(v >> 16)) + flt_be16(uint16_t(v)); }

std::string flt_f64(double v) {
  uint64_t u;
  memcpy(&u, &v, sizeof u);
  return flt_be32(uint32_t(u >> 32)) + flt_be32(uint32_t(u));
}

std::string flt_f32(float v) {
  uint32_t u;
  memcpy(&u, &v, sizeof u);
  return flt_be32(u);
}

std::string flt_name(const std::string &s, size_t n) {
  std::string out = s.substr(0, n);
  out.resize(n, '\0');
  return out;
}

void FltWriter::record(uint16_t opcode, const std::string &body) {
  bytes += flt_be16(opcode) + flt_be16(uint16_t(body.size() + 4)) + body;
}

void FltWriter::header(const char *id, int units, int16_t scale, int32_t revision) {
  std::string b = flt_name(id, 8) + flt_be32(uint32_t(revision)) + flt_be32(0) +
                  flt_name("", 32) + std::string(8, '\0');  /* up to offset 60 */
  b += flt_be16(uint16_t(scale)) + char(units) + char(0) + flt_be32(0);
  b.resize(324 - 4, '\0');
  record(1, b);
}

void FltWriter::group(const char *id) { record(2, flt_name(id, 8) + std::string(16, '\0')); }

void FltWriter::object(const char *id) { record(4, flt_name(id, 8) + std::string(16, '\0')); }

void FltWriter::face(const char *id, const FltFaceFields &s) {
  std::string b = flt_name(id, 8) + flt_be32(0) + flt_be16(0);           /* to 18 */
  b += char(s.drawtype) + std::string(1, '\0') + flt_be16(s.colour) + flt_be16(0);  /* to 24 */
  b += std::string(2, '\0') + flt_be16(0) + flt_be16(uint16_t(s.texture)) +
       flt_be16(uint16_t(s.material));                                  /* to 32 */
  b += std::string(12, '\0') + flt_be32(s.flags) + std::string(8, '\0'); /* to 56 */
  b += flt_be32(s.packed) + flt_be32(0) + std::string(12, '\0');        /* to 80 */
  record(5, b);
}

void FltWriter::matrix(const float m[16]) {
  std::string b;
  for (int i = 0; i < 16; ++i) b += flt_f32(m[i]);
  record(49, b);
}

void FltWriter::translation(float x, float y, float z) {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
  matrix(m);
}

void FltWriter::replicate(int16_t count) { record(60, flt_be16(uint16_t(count)) + flt_be16(0)); }

void FltWriter::lod(const char *id, double in, double out, double cx, double cy, double cz) {
  std::string b = flt_name(id, 8) + flt_be32(0) + flt_f64(in) + flt_f64(out) + flt_be32(0) +
                  flt_be32(0) + flt_f64(cx) + flt_f64(cy) + flt_f64(cz);
  record(73, b);
}

void FltWriter::switch_node(const char *id, int32_t current, const std::vector<uint32_t> &masks) {
  std::string b = flt_name(id, 8) + flt_be32(0) + flt_be32(uint32_t(current)) +
                  flt_be32(uint32_t(masks.size())) + flt_be32(1);
  for (uint32_t m : masks) b += flt_be32(m);
  record(96, b);
}

void FltWriter::instance_def(int16_t n) { record(62, flt_be16(0) + flt_be16(uint16_t(n))); }

void FltWriter::instance_ref(int16_t n) { record(61, flt_be16(0) + flt_be16(uint16_t(n))); }

void FltWriter::external_ref(const std::string &file) {
  record(63, flt_name(file, 200) + flt_be32(0) + flt_be32(0));
}

void FltWriter::colour_palette(const std::vector<uint32_t> &abgr) {
  std::string b(128, '\0');
  for (size_t i = 0; i < 512; ++i) b += flt_be32(i < abgr.size() ? abgr[i] : 0);
  record(32, b);
}

void FltWriter::material_palette(const std::vector<FltMaterialSpec> &materials) {
  std::string b;
  for (size_t i = 0; i < 64; ++i) {
    FltMaterialSpec m = i < materials.size() ? materials[i] : FltMaterialSpec{};
    std::string e;
    for (const float *v : {m.ambient, m.diffuse, m.specular, m.emission})
      for (int k = 0; k < 3; ++k) e += flt_f32(v[k]);
    e += flt_f32(m.shininess) + flt_f32(m.alpha) + flt_be32(0) + flt_name("", 12);
    e.resize(184, '\0');
    b += e;
  }
  record(66, b);
}

void FltWriter::texture_palette(const std::string &file, int32_t pattern) {
  record(64, flt_name(file, 200) + flt_be32(uint32_t(pattern)) + flt_be32(0) + flt_be32(0));
}

void FltWriter::begin_vertices() {
  palette_ = bytes.size();
  record(67, flt_be32(0));
}

int FltWriter::vertex(double x, double y, double z, const float *n, const float *uv) {
  int offset = int(bytes.size() - palette_);
  std::string b = flt_be16(0) + flt_be16(0) + flt_f64(x) + flt_f64(y) + flt_f64(z);
  if (n) b += flt_f32(n[0]) + flt_f32(n[1]) + flt_f32(n[2]);
  if (uv) b += flt_f32(uv[0]) + flt_f32(uv[1]);
  b += flt_be32(0) + flt_be32(0);
  record(uint16_t(n && uv ? 70 : n ? 69 : uv ? 71 : 68), b);
  return offset;
}

void FltWriter::end_vertices() {
  uint32_t total = uint32_t(bytes.size() - palette_);
  bytes.replace(palette_ + 4, 4, flt_be32(total));
}

void FltWriter::vertex_list(const std::vector<int> &offsets) {
  std::string b;
  for (int o : offsets) b += flt_be32(uint32_t(o));
  record(72, b);
}

std::string flt_attr(int32_t minfilter) {
  std::string b;
  int32_t fields[12] = {4, 4, 0, 0, 0, 1, 0, minfilter, 1, 0, 0, 0};
  for (int32_t v : fields) b += flt_be32(uint32_t(v));
  b.resize(220, '\0');
  return b;
}

std::string flt_sample(void) {
  FltWriter w;
  w.header("db", 4, 0);
  w.colour_palette({0x000000ffu});
  FltMaterialSpec m{{0.2f, 0.2f, 0.2f}, {0.5f, 0.5f, 0.5f}, {1, 1, 1}, {0, 0, 0}, 32, 1};
  w.material_palette({m});
  w.texture_palette("none.tga", 0);
  float n[3] = {0, 0, 1}, uv[2] = {0.5f, 0.5f};
  w.begin_vertices();
  std::vector<int> s = {w.vertex(0, 0, 1, n, uv), w.vertex(1, 0, 1, nullptr, uv),
                        w.vertex(1, 1, 1, n), w.vertex(0, 1, 1)};
  w.end_vertices();
  w.push();
  w.group("g1");
  w.translation(1, 2, 3);
  w.replicate(1);
  w.push();
  FltFaceFields f;
  f.colour = 100;
  f.material = 0;
  f.drawtype = 1;
  f.texture = 0;
  w.object("o1");
  w.push();
  w.face("f1", f);
  w.push();
  w.vertex_list(s);
  w.push_subface();
  w.face("sub");
  w.push();
  w.vertex_list({s[0], s[1], s[2]});
  w.pop();
  w.pop_subface();
  w.pop();
  w.pop();
  w.pop();
  w.lod("l", 0, 50, 0, 0, 0);
  w.push();
  w.instance_def(1);
  w.push();
  w.group("shared");
  w.push();
  w.object("o2");
  w.push();
  w.face("f2");
  w.push();
  w.vertex_list(s);
  w.pop();
  w.pop();
  w.pop();
  w.pop();
  w.pop();
  w.switch_node("sw", 0, {1});
  w.push();
  w.instance_ref(1);
  w.instance_ref(2);
  w.external_ref("ext.flt");
  w.pop();
  w.pop();
  return w.bytes;
}

