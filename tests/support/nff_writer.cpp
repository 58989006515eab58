/* The neutral-file writer of the tests and the harness (nff_writer.h). */
#include "support/nff_writer.h"

#include <stdio.h>
#include <string.h>

namespace {

void text_float(std::string &out, float f) {
  char buf[32];
  snprintf(buf, sizeof buf, " %.9g", double(f));
  out += buf;
}

void text_vertex(std::string &out, const NffVertex &v) {
  for (float f : v.p) text_float(out, f);
  if (v.hasnormal) {
    out += " norm";
    for (float f : v.n) text_float(out, f);
  }
  if (v.hasuv) {
    out += " uv";
    for (float f : v.uv) text_float(out, f);
  }
  if (v.hasrgb) {
    char buf[16];
    snprintf(buf, sizeof buf, " rgb 0x%02x%02x%02x", v.rgb[0], v.rgb[1], v.rgb[2]);
    out += buf;
  }
  out += "\n";
}

void text_polygon(std::string &out, const NffPolygon &p) {
  out += std::to_string(p.indices.size());
  for (int i : p.indices) out += " " + std::to_string(i);
  out += " matid " + std::to_string(p.matid);
  if (p.both) out += " both";
  if (!p.texture.empty()) out += " _" + p.texture;
  if (!p.portal.empty()) out += " -" + p.portal;
  out += "\n";
}

void be32(std::string &out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += char((v >> s) & 0xff);
}

void bfloat(std::string &out, float f) {
  uint32_t u;
  memcpy(&u, &f, 4);
  be32(out, u);
}

void bstring(std::string &out, const std::string &s) {
  out += char(s.size());
  out += s;
}

void binary_vertex(std::string &out, const NffVertex &v) {
  for (float f : v.p) bfloat(out, f);
  out += char((v.hasnormal ? 1 : 0) | (v.hasuv ? 2 : 0) | (v.hasrgb ? 4 : 0));
  if (v.hasnormal)
    for (float f : v.n) bfloat(out, f);
  if (v.hasuv)
    for (float f : v.uv) bfloat(out, f);
  if (v.hasrgb) out.append(reinterpret_cast<const char *>(v.rgb), 3);
}

void binary_polygon(std::string &out, const NffPolygon &p) {
  be32(out, uint32_t(p.indices.size()));
  for (int i : p.indices) be32(out, uint32_t(i));
  be32(out, uint32_t(p.matid));
  if (p.both) out += char(1);
  if (!p.texture.empty()) {
    out += char(2);
    bstring(out, p.texture);
  }
  if (!p.portal.empty()) {
    out += char(3);
    bstring(out, p.portal);
  }
  out += char(0);
}

}  // namespace

std::string nff_text(const NffModel &m) {
  std::string out = "nff\nversion 2.0\n";
  out.reserve(m.geometries.empty() ? 64 : m.geometries[0].vertices.size() * 80);
  for (const NffGeometry &g : m.geometries) {
    out += g.name + "\n" + std::to_string(g.vertices.size()) + "\n";
    for (const NffVertex &v : g.vertices) text_vertex(out, v);
    out += std::to_string(g.polygons.size()) + "\n";
    for (const NffPolygon &p : g.polygons) text_polygon(out, p);
  }
  return out;
}

std::string nff_binary(const NffModel &m) {
  std::string out = "bnff";
  be32(out, 0);
  for (const NffGeometry &g : m.geometries) {
    out += char(3);
    bstring(out, g.name);
    /* A colour table (ambient and diffuse) without entries. */
    out += std::string("\x04\x08\x20\x09\x05", 5);
    be32(out, uint32_t(g.vertices.size()));
    for (const NffVertex &v : g.vertices) binary_vertex(out, v);
    be32(out, uint32_t(g.polygons.size()));
    for (const NffPolygon &p : g.polygons) binary_polygon(out, p);
  }
  return out;
}

bool write_file(const std::string &path, const std::string &bytes) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}
