/* Test and harness support: writes OpenFlight records (14.2 layouts,
 * big-endian) one call per record, so that tests and seeds build small
 * databases in code. Offsets of palette vertices are what vertex lists
 * take. */
#ifndef VLX_TESTS_SUPPORT_FLT_WRITER_H
#define VLX_TESTS_SUPPORT_FLT_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

/* What a face record says besides its ID. */
struct FltFaceFields {
  int drawtype = 0;            /* 1: two-sided */
  uint16_t colour = 0;         /* palette index * 128 + intensity */
  int16_t texture = -1;
  int16_t material = -1;
  uint32_t flags = 0;          /* numbered from the most significant bit */
  uint32_t packed = 0;         /* a, b, g, r bytes */
};

struct FltMaterialSpec {
  float ambient[3], diffuse[3], specular[3], emission[3], shininess, alpha;
};

class FltWriter {
 public:
  std::string bytes;

  /* Units: 0 metres, 1 km, 4 feet, 5 inches, 8 nautical miles. */
  void header(const char *id, int units, int16_t scale, int32_t revision = 1420);
  void push() { record(10, ""); }
  void pop() { record(11, ""); }
  void push_subface() { record(19, ""); }
  void pop_subface() { record(20, ""); }
  void group(const char *id);
  void object(const char *id);
  void face(const char *id, const FltFaceFields &fields = FltFaceFields());
  /* Row vectors, translation in the last row. */
  void matrix(const float m[16]);
  void translation(float x, float y, float z);
  void replicate(int16_t count);
  void lod(const char *id, double in, double out, double cx, double cy, double cz);
  void switch_node(const char *id, int32_t current, const std::vector<uint32_t> &masks);
  void instance_def(int16_t number);
  void instance_ref(int16_t number);
  void external_ref(const std::string &file);
  void colour_palette(const std::vector<uint32_t> &abgr);
  void material_palette(const std::vector<FltMaterialSpec> &materials);
  void texture_palette(const std::string &file, int32_t pattern);
  /* The vertex palette: begin, vertices (each returns its offset), end. */
  void begin_vertices();
  int vertex(double x, double y, double z, const float *normal = nullptr,
             const float *uv = nullptr);
  void end_vertices();
  void vertex_list(const std::vector<int> &offsets);
  /* Any record: opcode and body (the header is added). */
  void record(uint16_t opcode, const std::string &body);

 private:
  size_t palette_ = 0;
};

/* A texture attribute file with that minification filter. */
std::string flt_attr(int32_t minfilter);
/* Big-endian pieces for hand-made records. */
std::string flt_be16(uint16_t v);
std::string flt_be32(uint32_t v);
std::string flt_f64(double v);
std::string flt_f32(float v);
/* A name field of n bytes (zero-padded). */
std::string flt_name(const std::string &s, size_t n);

/* A database that uses every record the writer makes: palettes, a
 * replicated group with a matrix, a textured face with a subface, a level
 * of detail holding an instance definition, a switch with instance
 * references (one to an undefined instance) and an external reference to
 * "ext.flt". */
std::string flt_sample(void);

#endif
