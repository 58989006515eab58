/* The GL device class, shared by gl_device.cpp (resources and state) and
 * gl_execute.cpp (executing buffers). Private to the GL backend. */
#ifndef VLX_DISPLAY_DEVICE_GL_GL_DEVICE_IMPL_H
#define VLX_DISPLAY_DEVICE_GL_GL_DEVICE_IMPL_H

#include <epoxy/gl.h>

#include <stdint.h>

#include <vector>

#include "display/device/device.h"
#include "display/device/execute_walk.h"
#include "display/device/gl/gl_shaders.h"

namespace vlgl {

struct Target {
  GLuint fbo = 0, color = 0, depth = 0;
  int width = 0, height = 0;
};

struct Texture {
  GLuint id = 0;
  bool live = false;
};

class GLdevice : public VLdevice, private VLexecvisitor {
 public:
  bool init(void);
  ~GLdevice() override;
  const char *vendor() const override { return str(GL_VENDOR); }
  const char *renderer() const override { return str(GL_RENDERER); }
  const char *version() const override { return str(GL_VERSION); }
  int newtarget(int width, int height) override;
  void deletetarget(int target) override;
  void selecttarget(int target) override;
  void viewport(int x, int y, int width, int height) override;
  void clear(const float rgba[4]) override;
  void setmatrix(int which, const float m[16]) override;
  void setworldmatrix(uint32_t handle, const float m[16]) override;
  void setlight(int slot, const VLlightdesc *desc) override;
  void lighton(int slot, bool on) override;
  uint32_t newmaterial(void) override;
  void setmaterial(uint32_t handle, const VLmaterialdesc *desc) override;
  void deletematerial(uint32_t handle) override;
  uint32_t newtexture(int width, int height, const uint8_t *rgba) override;
  void deletetexture(uint32_t handle) override;
  void execute(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
               uint32_t instrlength) override;
  void finish(void) override;
  void readpixels(int width, int height, int rowlength, uint8_t *rgba) override;
  void generalshading(bool on) override;

 private:
  static const char *str(GLenum e) {
    const GLubyte *s = glGetString(e);
    return s ? reinterpret_cast<const char *>(s) : "?";
  }
  /* visitor */
  void lightstate(uint32_t code, uint32_t value) override;
  void renderstate(uint32_t code, uint32_t value) override;
  void transformstate(uint32_t code, uint32_t value) override;
  void process(uint32_t flags, uint32_t start, uint32_t count) override;
  void triangles(const VLtriangleitem *items, uint32_t n) override;
  void lines(const VLlineitem *items, uint32_t n) override;
  void points(const VLpointitem *items, uint32_t n) override;
  void prepare_draw(void);
  void prepare_general(void);
  bool prepare_variant(void);
  const VLglvariant *variant(uint32_t key);
  uint32_t variant_key(void) const;
  void variant_lights(const VLglvariant &v);
  void variant_tables(const VLglvariant &v);
  void compute_lights(void);
  void reset_slots(void);
  bool place(uint32_t start, uint32_t count);
  void use_program(GLuint program);
  void upload_lights(void);
  void flush(void);
  void draw(GLenum mode, std::vector<uint32_t> &indices);
  void upload_staged(void);
  bool pending(void) const { return !pendtri_.empty() || !pendline_.empty() || !pendpoint_.empty(); }
  /* Flushes first when the pending draw uses this world matrix or material. */
  void worldchanging(uint32_t handle);
  void materialchanging(uint32_t handle);
  void write_material_row(uint32_t handle);
  void grow_material_texture(uint32_t rows);
  void grow_matrix_texture(uint32_t rows);

  VLglprogram prog_;
  GLuint vbo_ = 0, ebo_ = 0, vbomat_ = 0, vao_lit_ = 0, vao_unlit_ = 0;
  GLuint mattex_ = 0;                  /* one row of 5 texels per material */
  uint32_t mattexrows_ = 0;
  GLuint mtxtex_ = 0;                  /* one row of 4 texels per world matrix */
  uint32_t mtxtexrows_ = 0;
  std::vector<float> worlds_;          /* the matrices, 16 floats per handle */
  std::vector<Target> targets_;
  std::vector<VLmaterialdesc> materials_;
  std::vector<bool> materiallive_;
  std::vector<Texture> textures_;
  /* Primitives waiting to be drawn together: consecutive instructions,
   * of one buffer or of several, that share the states become one draw.
   * Their vertices wait in the staging copy (a buffer's vertex area from
   * base_), with indexes counted from its start. */
  static const uint32_t kStageVertices = 16 * VLEXEC_MAXVERTICES;
  static const size_t kPendIndices = 16 * 3 * 2048;
  /* Pending triangles are drawn and submitted (glFlush) once they reach
   * this many indexes (3000 triangles), so the device rasterises them
   * while the next batches are built rather than after the frame's last
   * one. The software device, 90 x 90 grid, draws of one staging copy
   * (16 buffers, 8000 triangles): 0.86-0.97 of the ceiling; of 3000
   * triangles: 0.86-1.19, most states above 0.90 (runs on a shared
   * machine vary by 0.05 and more). Draws of 4000 triangles, or smaller
   * ones not submitted, came out lower; 1000 and 2000 about the same. */
  static const size_t kSubmitIndices = 9000;
  std::vector<uint32_t> pendtri_, pendline_, pendpoint_;
  std::vector<uint8_t> stage_;
  uint32_t base_ = 0, staged_ = 0, uploaded_ = 0;
  uint32_t pendlo_ = 0;                  /* the lowest vertex the pending draw uses */
  uint32_t slotslo_ = 0, slotshi_ = 0;   /* staged vertices whose slots changed */
  const uint8_t *src_ = nullptr;         /* the buffer being executed */
  /* The model-view matrix ranges were last placed with, for a world
   * handle, until a world matrix or the view changes (placeserial_). */
  float placing_[16] = {};
  uint32_t placingworld_ = ~0u, placingserial_ = 0, placeserial_ = 1;
  /* The world slot of ranges placed in view space (identity). */
  static const uint32_t kPlaced = 0xFFFFFFFFu;
  std::vector<uint32_t> vertexids_;    /* material and matrix handle per vertex */
  /* The variants made so far (compiled on first use), the last one used,
   * the program bound, and serials of the values the variants take. */
  std::vector<VLglvariant> variants_;
  size_t lastvariant_ = 0;
  GLuint bound_ = 0;
  bool general_ = false;               /* draw with the general program */
  GLuint vao_litslots_ = 0, vao_unlitslots_ = 0, vboslots_ = 0;
  float view_[16] = {};
  bool viewidentity_ = false;
  float proj_[16] = {};
  uint32_t projserial_ = 1, lightserial_ = 1, ambientserial_ = 1, lightdata_ = 0;
  bool mtxstale_ = false;              /* the matrix texture lags worlds_ */
  /* Active lights as the variants take them, in slot order. */
  struct LightData {
    int n = 0;
    uint32_t key = 0;                  /* count and types, as in variant keys */
    float color[VLDEVICE_LIGHTS][4], pos[VLDEVICE_LIGHTS][3], dir[VLDEVICE_LIGHTS][3];
    float att[VLDEVICE_LIGHTS][3], spot[VLDEVICE_LIGHTS][4];
  } light_;
  /* The world matrices and materials of the pending draw, by slot; each
   * processed vertex records its two slots. */
  uint32_t worldslot_[VLVAR_MAXWORLDS] = {}, matslot_[VLVAR_MAXMATERIALS] = {};
  uint32_t nworlds_ = 0, nmats_ = 0;
  std::vector<uint16_t> slotids_;      /* material slot, world slot per staged vertex */
  float worldbuf_[16 * VLVAR_MAXWORLDS] = {};
  float matbuf_[16 * VLVAR_MAXMATERIALS] = {};
  float ambientf_[4] = {};             /* the ambient light, unpacked */
  VLlightdesc lights_[VLDEVICE_LIGHTS] = {};
  bool lighton_[VLDEVICE_LIGHTS] = {};
  int current_ = 0;
  /* execution state */
  bool lit_ = true;
  bool flat_ = false;
  bool blend_ = false;
  bool zenable_ = true;
  uint32_t texture_ = 0;
  uint32_t material_ = 0;
  uint32_t world_ = 0;
  uint32_t ambient_ = 0x66666666;
  bool lightsdirty_ = true, ambientdirty_ = true;
};

}  // namespace vlgl

#endif
