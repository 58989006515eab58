/* The GL device class, shared by gl_device.cpp (resources and state) and
 * gl_execute.cpp (executing buffers). Private to the GL backend. */
#ifndef VLX_DEVICE_GL_DEVICE_IMPL_H
#define VLX_DEVICE_GL_DEVICE_IMPL_H

#include <epoxy/gl.h>

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
  void setlight(int slot, const VLlightdesc *desc) override;
  void lighton(int slot, bool on) override;
  uint32_t newmaterial(void) override;
  void setmaterial(uint32_t handle, const VLmaterialdesc *desc) override;
  void deletematerial(uint32_t handle) override;
  uint32_t newtexture(int width, int height, const uint8_t *rgba) override;
  void deletetexture(uint32_t handle) override;
  void execute(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
               uint32_t instrlength) override;
  void finish(void) override { glFinish(); }
  void readpixels(int width, int height, uint8_t *rgba) override;

 private:
  static const char *str(GLenum e) {
    const GLubyte *s = glGetString(e);
    return s ? reinterpret_cast<const char *>(s) : "?";
  }
  /* visitor */
  void lightstate(uint32_t code, uint32_t value) override;
  void renderstate(uint32_t code, uint32_t value) override;
  void process(uint32_t flags, uint32_t start, uint32_t count) override;
  void triangles(const VLtriangleitem *items, uint32_t n) override;
  void lines(const VLlineitem *items, uint32_t n) override;
  void points(const VLpointitem *items, uint32_t n) override;
  void prepare_draw(void);
  void upload_lights(void);
  void upload_material(void);
  void draw_indexed(GLenum mode, uint32_t nindices);

  VLglprogram prog_;
  GLuint vbo_ = 0, ebo_ = 0, vao_lit_ = 0, vao_unlit_ = 0;
  std::vector<Target> targets_;
  std::vector<VLmaterialdesc> materials_;
  std::vector<bool> materiallive_;
  std::vector<Texture> textures_;
  std::vector<uint16_t> indices_;
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
  uint32_t ambient_ = 0x66666666;
  bool lightsdirty_ = true, materialdirty_ = true, ambientdirty_ = true;
};

}  // namespace vlgl

#endif
