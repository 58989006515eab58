/* The null device. */
#include "display/device/null/null_device.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "display/device/execute_walk.h"

namespace {

struct NullTarget {
  bool live = false;
  int width = 0, height = 0;
  uint8_t color[4] = {0, 0, 0, 0};
};

class NullDevice : public VLdevice, private VLexecvisitor {
 public:
  NullDevice() : targets_(1) {}
  const char *vendor() const override { return "VLX"; }
  const char *renderer() const override { return "null device"; }
  const char *version() const override { return "1.0"; }
  int newtarget(int width, int height) override {
    NullTarget t;
    t.live = true;
    t.width = width;
    t.height = height;
    targets_.push_back(t);
    current_ = int(targets_.size() - 1);
    return current_;
  }
  void deletetarget(int target) override {
    if (target > 0 && size_t(target) < targets_.size()) targets_[target] = NullTarget();
    if (current_ == target) current_ = 0;
  }
  void selecttarget(int target) override {
    if (target > 0 && size_t(target) < targets_.size() && targets_[target].live) current_ = target;
  }
  void viewport(int, int, int, int) override {}
  void clear(const float rgba[4]) override {
    if (!current_) return;
    for (int i = 0; i < 4; ++i) targets_[current_].color[i] = to_byte(rgba[i]);
    stats.clears++;
  }
  void setmatrix(int, const float *) override {}
  void setworldmatrix(uint32_t, const float *) override {}
  void setlight(int, const VLlightdesc *) override {}
  void lighton(int, bool) override {}
  uint32_t newmaterial(void) override { return ++materials_; }
  void setmaterial(uint32_t, const VLmaterialdesc *) override {}
  void deletematerial(uint32_t) override {}
  uint32_t newtexture(int, int, const uint8_t *) override { return ++textures_; }
  void deletetexture(uint32_t) override {}
  void execute(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
               uint32_t instrlength) override {
    if (!current_ || !buffer) return;
    begincount();
    count(_VLexec_walk(buffer, vertexcount, instroffset, instrlength, this));
  }
  void finish(void) override {}
  void readpixels(int width, int height, int rowlength, uint8_t *rgba) override {
    const uint8_t *c = targets_[current_].color;
    if (width <= 0 || height <= 0 || rowlength < width) return;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        memcpy(rgba + (size_t(y) * size_t(rowlength) + size_t(x)) * 4, c, 4);
  }

 private:
  static uint8_t to_byte(float f) {
    return f <= 0 ? 0 : f >= 1 ? 255 : static_cast<uint8_t>(f * 255.0f + 0.5f);
  }
  void lightstate(uint32_t, uint32_t) override { stats.statechanges++; }
  void renderstate(uint32_t, uint32_t) override { stats.statechanges++; }
  void transformstate(uint32_t, uint32_t) override { stats.statechanges++; }
  void process(uint32_t, uint32_t, uint32_t count) override { stats.vertices += count; }
  void triangles(const VLtriangleitem *, uint32_t n) override {
    stats.triangles += n;
    stats.drawcalls += n != 0;
  }
  void lines(const VLlineitem *, uint32_t n) override {
    stats.lines += n;
    stats.drawcalls += n != 0;
  }
  void points(const VLpointitem *items, uint32_t n) override {
    for (uint32_t i = 0; i < n; ++i) stats.points += items[i].count;
    stats.drawcalls += n;
  }

  std::vector<NullTarget> targets_;
  int current_ = 0;
  uint32_t materials_ = 0, textures_ = 0;
};

}  // namespace

VLdevice *_VLnull_newdevice(void) { return new NullDevice(); }

void _VLnull_describe(VLdevinfo *info) {
  memset(info, 0, sizeof *info);
  snprintf(info->name, sizeof info->name, "null device");
  snprintf(info->description, sizeof info->description, "VLX; null device; draws nothing");
  info->perspective = 1;
  info->colormodels = VLCOLORMODEL_RGB | VLCOLORMODEL_RAMP;
  info->depthbits = 16;
}
