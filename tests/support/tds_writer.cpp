/* 3D Studio files for the tests, the fuzz seeds and the perf harness. */
#include "support/tds_writer.h"

#include <string.h>

namespace {

std::string colour_chunk(uint16_t tag, const float c[3], bool bytes) {
  std::string body;
  if (bytes) {
    for (int i = 0; i < 3; ++i) body += char(uint8_t(c[i] * 255.0f + 0.5f));
    return tds_chunk(tag, tds_chunk(0x0011, body));
  }
  for (int i = 0; i < 3; ++i) body += tds_float(c[i]);
  return tds_chunk(tag, tds_chunk(0x0010, body));
}

std::string percent_chunk(uint16_t tag, int pct) {
  return tds_chunk(tag, tds_chunk(0x0030, tds_le16(uint16_t(pct))));
}

std::string extras(void) {
  std::string light = tds_float(1) + tds_float(2) + tds_float(3) +
                      tds_chunk(0x0010, tds_float(1) + tds_float(0.5f) + tds_float(0)) +
                      tds_chunk(0x4610, tds_float(0) + tds_float(0) + tds_float(0) +
                                            tds_float(30) + tds_float(45));
  std::string camera;
  for (int i = 0; i < 8; ++i) camera += tds_float(float(i));
  return tds_chunk(0x0100, tds_float(1)) +
         tds_chunk(0x2100, tds_chunk(0x0010, tds_float(0.2f) + tds_float(0.2f) + tds_float(0.2f))) +
         tds_chunk(0x3000, std::string(12, '\0')) +
         tds_chunk(0x4000, tds_cstr("lamp") + tds_chunk(0x4600, light)) +
         tds_chunk(0x4000, tds_cstr("cam") + tds_chunk(0x4700, camera));
}

}  // namespace

std::string tds_le16(uint16_t v) { return std::string{char(v & 0xff), char(v >> 8)}; }

std::string tds_le32(uint32_t v) {
  return tds_le16(uint16_t(v & 0xffff)) + tds_le16(uint16_t(v >> 16));
}

std::string tds_float(float f) {
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return tds_le32(bits);
}

std::string tds_cstr(const std::string &s) { return s + '\0'; }

std::string tds_chunk(uint16_t tag, const std::string &body) {
  return tds_le16(tag) + tds_le32(uint32_t(body.size() + 6)) + body;
}

std::string tds_material(const TdsMaterial &m) {
  std::string body = tds_chunk(0xA000, tds_cstr(m.name));
  body += colour_chunk(0xA010, m.ambient, false);
  body += colour_chunk(0xA020, m.diffuse, m.colour24);
  body += colour_chunk(0xA030, m.specular, false);
  if (m.shininess >= 0) body += percent_chunk(0xA040, m.shininess);
  if (m.strength >= 0) body += percent_chunk(0xA041, m.strength);
  if (m.transparency >= 0) body += percent_chunk(0xA050, m.transparency);
  if (m.twosided) body += tds_chunk(0xA081, "");
  if (!m.texture.empty()) {
    std::string map;
    if (m.texstrength >= 0) map += tds_chunk(0x0030, tds_le16(uint16_t(m.texstrength)));
    map += tds_chunk(0xA300, tds_cstr(m.texture));
    body += tds_chunk(0xA200, map);
  }
  return tds_chunk(0xAFFF, body);
}

std::string tds_mesh(const TdsMesh &m) {
  std::string points = tds_le16(uint16_t(m.points.size() / 3));
  for (float f : m.points) points += tds_float(f);
  std::string faces = tds_le16(uint16_t(m.faces.size() / 3));
  for (size_t i = 0; i < m.faces.size(); i += 3)
    faces += tds_le16(m.faces[i]) + tds_le16(m.faces[i + 1]) + tds_le16(m.faces[i + 2]) +
             tds_le16(7);
  for (const auto &g : m.groups) {
    std::string body = tds_cstr(g.first) + tds_le16(uint16_t(g.second.size()));
    for (uint16_t f : g.second) body += tds_le16(f);
    faces += tds_chunk(0x4130, body);
  }
  if (!m.smooth.empty()) {
    std::string body;
    for (uint32_t s : m.smooth) body += tds_le32(s);
    faces += tds_chunk(0x4150, body);
  }
  std::string mesh = tds_chunk(0x4110, points);
  if (!m.uv.empty()) {
    std::string uv = tds_le16(uint16_t(m.uv.size() / 2));
    for (float f : m.uv) uv += tds_float(f);
    mesh += tds_chunk(0x4140, uv);
  }
  if (m.matrix) {
    std::string matrix;
    for (int i = 0; i < 12; ++i) matrix += tds_float(i % 4 == 0 && i < 12 ? 1.0f : 0.0f);
    mesh += tds_chunk(0x4160, matrix);
  }
  mesh += tds_chunk(0x4120, faces);
  return tds_chunk(0x4000, tds_cstr(m.name) + tds_chunk(0x4100, mesh));
}

std::string tds_file(const TdsModel &m) {
  std::string mdata = tds_chunk(0x3D3E, tds_le32(3));
  for (const TdsMaterial &mat : m.materials) mdata += tds_material(mat);
  for (const TdsMesh &mesh : m.meshes) mdata += tds_mesh(mesh);
  if (m.extras) mdata += extras();
  std::string file = tds_chunk(0x0002, tds_le32(3)) + tds_chunk(0x3D3D, mdata);
  if (m.extras) file += tds_chunk(0xB000, tds_chunk(0xB00A, std::string(10, '\0')));
  return tds_chunk(0x4D4D, file);
}
