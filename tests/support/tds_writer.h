/* Test and harness support: 3D Studio files built in code. chunk() wraps
 * a body in a tag and a length; tds_file() writes a model of materials and
 * mesh objects (with material groups, smoothing groups, texture vertices
 * and a local matrix), and optionally a light, a camera and keyframe data
 * that the reader skips. Numbers are little-endian, floats IEEE single. */
#ifndef VLX_TESTS_SUPPORT_TDS_WRITER_H
#define VLX_TESTS_SUPPORT_TDS_WRITER_H

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

std::string tds_le16(uint16_t v);
std::string tds_le32(uint32_t v);
std::string tds_float(float f);
/* A zero-terminated string. */
std::string tds_cstr(const std::string &s);
/* Tag, length (6 + body), body. */
std::string tds_chunk(uint16_t tag, const std::string &body);

struct TdsMaterial {
  std::string name;
  float ambient[3] = {0.1f, 0.1f, 0.1f};
  float diffuse[3] = {1, 1, 1};
  float specular[3] = {1, 1, 1};
  bool colour24 = false;        /* colours as 3 bytes (diffuse only) */
  int shininess = -1;           /* percent; -1: no chunk */
  int strength = -1;            /* percent */
  int transparency = -1;        /* percent */
  bool twosided = false;
  std::string texture;          /* map file name; "" none */
  int texstrength = -1;         /* percent of the map */
};

struct TdsMesh {
  std::string name;
  std::vector<float> points;                  /* 3 per vertex */
  std::vector<uint16_t> faces;                /* 3 per face */
  std::vector<std::pair<std::string, std::vector<uint16_t>>> groups;
  std::vector<uint32_t> smooth;               /* one per face, or empty */
  std::vector<float> uv;                      /* 2 per vertex, or empty */
  bool matrix = false;
};

struct TdsModel {
  std::vector<TdsMaterial> materials;
  std::vector<TdsMesh> meshes;
  bool extras = false;  /* a light, a camera, settings and keyframe data */
};

std::string tds_material(const TdsMaterial &m);
std::string tds_mesh(const TdsMesh &m);
std::string tds_file(const TdsModel &m);

#endif
