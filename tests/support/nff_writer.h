/* Test and harness support: a neutral-file model built in code and written
 * in the text form (version 2.0) or the binary form, so that both readers
 * see the same content. Floats are written so that they read back exactly. */
#ifndef VLX_TESTS_SUPPORT_NFF_WRITER_H
#define VLX_TESTS_SUPPORT_NFF_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

struct NffVertex {
  float p[3] = {0, 0, 0};
  bool hasnormal = false;
  float n[3] = {0, 0, 0};
  bool hasuv = false;
  float uv[2] = {0, 0};
  bool hasrgb = false;
  uint8_t rgb[3] = {0, 0, 0};
};

struct NffPolygon {
  std::vector<int> indices;
  int matid = 0;            /* always written (a material index) */
  bool both = false;
  std::string texture;      /* mode letter, one ignored character, name; "" none */
  std::string portal;       /* "" none */
};

struct NffGeometry {
  std::string name;
  std::vector<NffVertex> vertices;
  std::vector<NffPolygon> polygons;
};

struct NffModel {
  std::vector<NffGeometry> geometries;
};

std::string nff_text(const NffModel &m);
std::string nff_binary(const NffModel &m);
/* Writes bytes to a file; false when it cannot. */
bool write_file(const std::string &path, const std::string &bytes);

#endif
