/* Display family: the device table and selection rule, execute buffers,
 * render contexts, windows and their messages, base windows, projection,
 * and frames read back as pixels on the software device. */
#include <gtest/gtest.h>

#include <png.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "core/messages.h"
#include "display/device/device.h"
#include "display/device/execute.h"
#include "display/display_state.h"
#include "render/light_slots.h"
#include "platform/platform.h"
#include "support/messages.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* Builds an execute buffer: vertices first, instructions from 32768. */
struct ExecBuilder {
  std::vector<uint8_t> buf = std::vector<uint8_t>(VLEXEC_BUFFERSIZE);
  uint32_t nverts = 0, at = VLEXEC_INSTROFFSET;

  void unlit(float x, float y, float z, uint32_t argb) {
    VLunlitvertex v{x, y, z, 0, argb, 0, 0, 0};
    memcpy(&buf[nverts++ * 32], &v, 32);
  }
  void lit(float x, float y, float z, float nx, float ny, float nz) {
    VLlitvertex v{x, y, z, nx, ny, nz, 0, 0};
    memcpy(&buf[nverts++ * 32], &v, 32);
  }
  template <class T>
  void ins(uint8_t op, const std::vector<T> &items) {
    VLinstruction h{op, uint8_t(sizeof(T)), uint16_t(items.size())};
    memcpy(&buf[at], &h, 4);
    at += 4;
    if (!items.empty()) memcpy(&buf[at], items.data(), items.size() * sizeof(T));
    at += uint32_t(items.size() * sizeof(T));
  }
  void end(void) { ins<VLstateitem>(VLOP_EXIT, {}); }
  void run(VLdevice *dev) { dev->execute(buf.data(), nverts, VLEXEC_INSTROFFSET, at - VLEXEC_INSTROFFSET); }
};

const uint8_t *pixel(const std::vector<uint8_t> &img, int w, int x, int y) {
  return &img[(size_t(y) * w + x) * 4];
}

std::vector<uint8_t> frame_of(VLwindow *w) {
  std::vector<uint8_t> img(size_t(w->context->width) * w->context->height * 4);
  EXPECT_TRUE(VLrenderer_readpixels(w, img.data(), w->context->width, w->context->height));
  return img;
}

}  // namespace

/* ---------- device table and selection ---------- */

TEST(DisplayDevice, SelectionRulePrefersTheLastCapableHardwareDevice) {
  auto dev = [](bool hw, bool persp, int depth, int models) {
    VLdevinfo d = {};
    d.hardware = hw;
    d.perspective = persp;
    d.depthbits = depth;
    d.colormodels = uint8_t(models);
    return d;
  };
  const int RGB = VLCOLORMODEL_RGB, RAMP = VLCOLORMODEL_RAMP, BOTH = RGB | RAMP;
  struct Case {
    std::vector<VLdevinfo> table;
    bool hwallowed, swrgb;
    int expect;
  };
  const Case cases[] = {
      {{dev(false, 1, 16, BOTH), dev(true, 1, 16, RGB), dev(true, 1, 24, RGB)}, true, false, 2},
      {{dev(true, 1, 16, RGB), dev(true, 0, 16, RGB), dev(false, 1, 16, BOTH)}, true, false, 0},
      {{dev(true, 1, 0, RGB), dev(false, 1, 16, BOTH)}, true, false, 1},       /* no depth */
      {{dev(false, 1, 16, BOTH), dev(true, 1, 16, RGB)}, false, false, 0},     /* sw only */
      {{dev(false, 1, 16, RAMP), dev(false, 1, 16, RGB)}, false, false, 0},    /* ramp */
      {{dev(false, 1, 16, RAMP), dev(false, 1, 16, RGB)}, false, true, 1},     /* RGB */
      {{dev(true, 1, 16, RGB)}, false, false, -1},                             /* none */
      {{}, true, false, -1},
  };
  for (const Case &c : cases) {
    _VLdevice_settable(c.table.data(), int(c.table.size()));
    EXPECT_EQ(_VLdevice_choose(c.hwallowed, c.swrgb), c.expect);
  }
  _VLdevice_settable(nullptr, 0);
}

TEST(DisplayDevice, SoftwareDeviceIsEnumerated) {
  ASSERT_GE(_VLdevice_enumerate(), 1) << "Mesa's software device should be present";
  int sw = _VLdevice_choose(false, true);
  ASSERT_GE(sw, 0);
  const VLdevinfo *info = _VLdevice_info(sw);
  EXPECT_FALSE(info->hardware);
  EXPECT_EQ(info->depthbits, 16);
  EXPECT_EQ(_VLdevice_choose(false, false), sw);  /* it stands for the ramp device too */
  EXPECT_NE(info->name[0], '\0');
}

/* ---------- execute buffers on the null device ---------- */

using DisplayNullTest = UniverseTest;

TEST_F(DisplayNullTest, ExecuteCountsOnlyWellFormedBuffers) {
  VLdevice *dev = _VLdevice();
  ASSERT_NE(dev, nullptr);
  dev->stats = VLdevstats();
  ExecBuilder b;
  for (int i = 0; i < 4; ++i) b.unlit(float(i), 0, 0, 0xFFFFFFFF);
  b.ins<VLprocessitem>(VLOP_PROCESSVERTICES, {{VLPV_TRANSFORM, 0, 0, 4}});
  b.ins<VLtriangleitem>(VLOP_TRIANGLE, {{2, 1, 0, 0}, {3, 2, 0, 0}});
  b.ins<VLlineitem>(VLOP_LINE, {{0, 1}});
  b.end();
  b.run(dev);
  EXPECT_EQ(dev->stats.executions, 1u);
  EXPECT_EQ(dev->stats.triangles, 2u);
  EXPECT_EQ(dev->stats.lines, 1u);
  EXPECT_EQ(dev->stats.vertices, 4u);

  /* An index past the processed vertices stops the walk: not counted. */
  ExecBuilder bad;
  for (int i = 0; i < 3; ++i) bad.unlit(0, 0, 0, 0);
  bad.ins<VLprocessitem>(VLOP_PROCESSVERTICES, {{VLPV_TRANSFORM, 0, 0, 3}});
  bad.ins<VLtriangleitem>(VLOP_TRIANGLE, {{0, 1, 3, 0}});
  bad.end();
  bad.run(dev);
  EXPECT_EQ(dev->stats.executions, 1u);
  EXPECT_EQ(dev->stats.triangles, 2u);

  /* Truncated instructions and lengths past the buffer are refused. */
  dev->execute(b.buf.data(), 4, VLEXEC_INSTROFFSET, 6);
  dev->execute(b.buf.data(), 4, VLEXEC_INSTROFFSET, VLEXEC_BUFFERSIZE);
  dev->execute(b.buf.data(), 2000, VLEXEC_INSTROFFSET, 8);
  EXPECT_EQ(dev->stats.executions, 1u);
}

/* ---------- windows ---------- */

TEST_F(DisplayNullTest, UniverseHasOneBaseWindowWithItsContext) {
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->next, nullptr);
  EXPECT_EQ(w->width, 640);
  EXPECT_EQ(w->height, 480);
  ASSERT_NE(w->context, nullptr);
  EXPECT_EQ(w->context->bufwidth, 640);
  EXPECT_EQ(w->projection, VLPROJ_PERSPECTIVE);
  EXPECT_EQ(w->state & 1u, 1u);
  /* Frusta from the field of view: n t, n t a with a = height / width. */
  EXPECT_NEAR(w->frustum[0].right, 0.8390996f, 1e-5);
  EXPECT_NEAR(w->frustum[0].top, 0.8390996f * 0.75f, 1e-5);
  EXPECT_FLOAT_EQ(w->frustum[1].yon, 65536.0f);
}

TEST_F(DisplayNullTest, NinthWindowIsRefused) {
  std::vector<VLwindow *> made;
  for (int i = 0; i < 7; ++i) made.push_back(VLwindow_new(0, 0, 64, 64, 0));
  for (VLwindow *w : made) ASSERT_NE(w, nullptr);
  EXPECT_EQ(VLwindow_new(0, 0, 64, 64, 0), nullptr);
  ASSERT_EQ(fired_count(VLM_TOO_MANY_WINDOWS), 1);
  EXPECT_EQ(fired()[0].text, "VLX Warning: Can not create more than 8 windows.\n");
  VLwindow_delete(made[3]);
  EXPECT_NE(VLwindow_new(0, 0, 64, 64, 0), nullptr);  /* a slot is free again */
  VLwindow_delete(nullptr);
  VLwindow_delete(reinterpret_cast<VLwindow *>(&made));  /* unknown: ignored */
}

TEST_F(DisplayNullTest, SmallContextsGetHundredPixelBuffersAndReuseThem) {
  VLwindow *w = VLwindow_new(0, 0, 50, 40, 0);
  ASSERT_NE(w, nullptr);
  VLrendercontext *c = w->context;
  EXPECT_EQ(c->bufwidth, 100);
  EXPECT_EQ(c->bufheight, 100);
  int target = c->target;
  VLrendercontext_resize(c, 90, 60);
  EXPECT_EQ(c->target, target);            /* fits: the buffers stay */
  EXPECT_EQ(c->width, 100);
  VLrendercontext_resize(c, 300, 80);
  EXPECT_EQ(c->bufwidth, 300);
  EXPECT_EQ(c->bufheight, 100);
  EXPECT_EQ(c->width, 300);
}

TEST_F(DisplayNullTest, SettersCheckTheirArguments) {
  VLwindow *w = VLuniverse_getwindows();
  VLwindow_setprojection(w, 5);
  EXPECT_EQ(w->projection, 1);
  VLwindow_setprojection(w, 4);
  EXPECT_EQ(w->projection, 4);
  VLwindow_setfrustum(w, 2, -1, 1, -1, 1, 1, 10);   /* eye 2: ignored */
  VLwindow_setfrustum(w, 1, -2, 2, -1, 1, 0.001f, 10);
  EXPECT_FLOAT_EQ(w->frustum[1].left, -2.0f);
  EXPECT_FLOAT_EQ(w->frustum[1].hither, 0.004f);
  VLwindow_sethither(w, 0.0f);
  EXPECT_FLOAT_EQ(w->hither, 0.004f);
  VLwindow_seteye(w, 3);
  EXPECT_EQ(w->eye, 0);
  VLwindow_seteye(w, 1);
  EXPECT_EQ(w->eye, 1);
  int x, y, wd, ht;
  VLwindow_getposition(w, &x, &y, &wd, &ht);
  EXPECT_EQ(wd, 640);
  VLuniverse_setbgcolor(1, 2, 3);
  EXPECT_EQ(w->bgcolor, 0x010203u);
}

TEST_F(DisplayNullTest, ClosingTheLastWindowStopsTheLoop) {
  VLwindow *w = VLuniverse_getwindows();
  _VLplatform_post(w->syswindow, VLWM_CLOSE, 0, 0);
  VLuniverse_go();   /* returns: the pump delivered the close */
  EXPECT_EQ(VLuniverse_getwindows(), nullptr);
  EXPECT_EQ(VLuniverse_current()->framecount, 1u);
}

TEST_F(DisplayNullTest, MessagesFeedTheMouseStateAndKeyRing) {
  VLwindow *w = VLuniverse_getwindows();
  VLsyswindow *s = w->syswindow;
  _VLplatform_post(s, VLWM_BUTTONDOWN, 1, 0);
  _VLplatform_post(s, VLWM_MOUSEMOVE, -5, 70);
  _VLplatform_post(s, VLWM_KEYDOWN, VLKEY_F1 + 2, 0);
  _VLplatform_post(s, VLWM_CHAR, 'a', 0);
  _VLplatform_post(s, VLWM_SIZE, 320, 200);
  _VLplatform_post(s, VLWM_SHOW, 0, 0);
  EXPECT_FALSE(_VLplatform_pump());
  VLmousestate *m = VLmouse_state();
  EXPECT_EQ(m->down[1], 1);
  EXPECT_EQ(m->pressed[1], 1);
  EXPECT_EQ(m->window, w);
  EXPECT_EQ(m->x, -5);
  EXPECT_EQ(m->y, 70);
  EXPECT_EQ(VLkey_get(), 0x425);
  EXPECT_EQ(VLkey_get(), 'a');
  EXPECT_EQ(VLkey_get(), 0);
  EXPECT_EQ(w->width, 320);
  EXPECT_EQ(w->state & 1u, 0u);
  /* The ring keeps the newest 200 keys. */
  for (int i = 1; i <= 205; ++i) _VLkeys_push(i);
  EXPECT_EQ(VLkey_get(), 6);
  int n = 1;
  while (VLkey_get()) ++n;
  EXPECT_EQ(n, 200);
}

TEST(DisplayBase, StereoPairOnTheDefaultDisplay) {
  _VLdevice_usenull(true);
  testing::internal::CaptureStdout();
  VLuniverse_new(2, 0);
  testing::internal::GetCapturedStdout();
  VLwindow *a = VLuniverse_getwindows();
  ASSERT_NE(a, nullptr);
  VLwindow *b = a->next;
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->width, 512);
  EXPECT_EQ(a->height, 384);
  EXPECT_EQ(b->x, 512);
  EXPECT_EQ(b->y, 0);
  EXPECT_EQ(b->eye, 1);
  VLuniverse_delete();
  _VLdisplay_reset();
  _VLdevice_usenull(false);
}

TEST(DisplayBase, NoWindowConfigurationAndGeometryPlacement) {
  _VLdevice_usenull(true);
  testing::internal::CaptureStdout();
  VLuniverse_new(512, 0);
  EXPECT_EQ(VLuniverse_getwindows(), nullptr);
  VLuniverse_delete();
  struct Case { const char *geometry; int flags; int x, y; };
  const Case cases[] = {
      {"320x200-10-20", VLWINDOW_NOBORDER, 694, 548},
      {"320x200-10-20", 0, 684, 518},
      {"320x200+10+20", 0, 10, 20},
  };
  for (const Case &c : cases) {
    VLini_setresource("geometry", c.geometry);
    VLuniverse_new(1, c.flags);
    VLwindow *w = VLuniverse_getwindows();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->x, c.x) << c.geometry << " flags " << c.flags;
    EXPECT_EQ(w->y, c.y) << c.geometry << " flags " << c.flags;
    EXPECT_EQ(w->width, 320);
    VLuniverse_delete();
  }
  testing::internal::GetCapturedStdout();
  VLini_clearresources();
  _VLdisplay_reset();
  _VLdevice_usenull(false);
}

/* ---------- projection ---------- */

TEST_F(DisplayNullTest, ProjectionModes) {
  VLwindow *w = VLuniverse_getwindows();
  float m[16];
  VLrenderstate rs = {};
  _VLrenderer_projection(w, 0, m, &rs);
  float t = w->t, a = 640.0f / 480.0f;
  EXPECT_NEAR(m[0], 1.0f / t, 1e-5);
  EXPECT_NEAR(m[5], a / t, 1e-4);
  EXPECT_FLOAT_EQ(m[11], -1.0f);
  EXPECT_NEAR(m[10], (65536.0f + 1) / (1 - 65536.0f), 1e-5);
  /* Culling planes: normalised, y and z negated, n and f kept. */
  EXPECT_NEAR(rs.planes[0][0] * rs.planes[0][0] + rs.planes[0][2] * rs.planes[0][2], 1.0f, 1e-5);
  EXPECT_FLOAT_EQ(rs.hither, 1.0f);

  VLwindow_setprojection(w, VLPROJ_PARALLEL);
  VLwindow_setfrustum(w, 0, -2, 2, -1, 1, 1, 11);
  _VLrenderer_projection(w, 0, m, &rs);
  EXPECT_FLOAT_EQ(m[0], 0.5f);
  EXPECT_FLOAT_EQ(m[5], 1.0f);
  /* Depth from the window's near and far distances. */
  EXPECT_FLOAT_EQ(m[10], -1.0f / 65535.0f);
  EXPECT_FLOAT_EQ(m[14], -1.0f / 65535.0f);
  EXPECT_FLOAT_EQ(m[15], 1.0f);

  /* Off-axis from the frustum: an asymmetric frustum shifts the centre. */
  VLwindow_setprojection(w, VLPROJ_OFFAXIS);
  VLwindow_setfrustum(w, 0, -1, 3, -1, 1, 1, 100);
  _VLrenderer_projection(w, 0, m, &rs);
  EXPECT_FLOAT_EQ(m[0], 0.5f);
  EXPECT_FLOAT_EQ(m[8], 0.5f);    /* (R - L) / (R + L) */
}

/* ---------- frames on the software device ---------- */

using DisplayPixels = DeviceTest;

TEST_F(DisplayPixels, FrameReadsBackAsTheBackgroundColour) {
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w, nullptr);
  VLuniverse_setbgcolor(0x20, 0x80, 0xF0);
  VLuniverse_go1();
  std::vector<uint8_t> img = frame_of(w);
  for (auto xy : {std::pair<int, int>{0, 0}, {639, 479}, {320, 240}}) {
    const uint8_t *p = pixel(img, 640, xy.first, xy.second);
    EXPECT_EQ(p[0], 0x20);
    EXPECT_EQ(p[1], 0x80);
    EXPECT_EQ(p[2], 0xF0);
  }
}

/* A snapshot is the frame as the window shows it: top row first, RGB,
 * the window's size; the device query names what the device line names. */
TEST_F(DisplayPixels, SnapshotsAreTheFrameTopRowFirst) {
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w, nullptr);
  VLuniverse_setbgcolor(0x20, 0x80, 0xF0);
  VLuniverse_go1();
  char dir[] = "/tmp/vlx_snapXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string file = std::string(dir) + "/frame.png";
  ASSERT_TRUE(VLrenderer_savepng(w, file.c_str()));
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, file.c_str()));
  EXPECT_EQ(image.width, 640u);
  EXPECT_EQ(image.height, 480u);
  EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u);
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  /* The frame's bottom row is the file's last row. */
  std::vector<uint8_t> img = frame_of(w);
  for (int y : {0, 239, 479})
    for (int x : {0, 320, 639})
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(rgb[(size_t(479 - y) * 640 + x) * 3 + c], pixel(img, 640, x, y)[c]);
  EXPECT_EQ(rgb[0], 0x20);
  EXPECT_EQ(rgb[2], 0xF0);
  /* Nowhere to write: false and no file left behind. */
  std::string bad = std::string(dir) + "/missing/frame.png";
  EXPECT_FALSE(VLrenderer_savepng(w, bad.c_str()));
  EXPECT_FALSE(VLrenderer_savepng(nullptr, file.c_str()));
  EXPECT_FALSE(VLrenderer_savepng(w, ""));
  remove(file.c_str());
  rmdir(dir);

  VLdevicedesc d = {nullptr, nullptr, nullptr, true};
  ASSERT_TRUE(VLrenderer_device(&d));
  ASSERT_NE(d.renderer, nullptr);
  EXPECT_GT(strlen(d.renderer), 0u);
  EXPECT_NE(d.vendor, nullptr);
  EXPECT_NE(d.version, nullptr);
  EXPECT_FALSE(VLrenderer_device(nullptr));
}

TEST_F(DisplayPixels, ReadBackFillsOnlyTheCallersBuffer) {
  /* A 50 x 40 window renders into a 100 x 100 frame; buffers smaller and
   * larger than the frame get the overlap and never a byte beyond them. */
  VLwindow *w = VLwindow_new(0, 0, 50, 40, 0);
  ASSERT_NE(w, nullptr);
  VLwindow_setbgcolor(w, 0x2080F0);
  VLuniverse_go1();
  struct Case { int width, height; };
  const Case cases[] = {{1, 1}, {50, 40}, {99, 99}, {100, 100}, {101, 7}, {130, 120}};
  const size_t guard = 64;
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    size_t size = size_t(c.width) * size_t(c.height) * 4;
    std::vector<uint8_t> buf(size + guard, 0xAB);
    ASSERT_TRUE(VLrenderer_readpixels(w, buf.data(), c.width, c.height));
    for (size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xAB) << "byte " << i;
    const uint8_t *in = pixel(buf, c.width, 0, 0);
    EXPECT_EQ(in[0], 0x20);
    EXPECT_EQ(in[2], 0xF0);
    const uint8_t *corner = pixel(buf, c.width, c.width - 1, c.height - 1);
    bool outside = c.width > 100 || c.height > 100;
    EXPECT_EQ(corner[0], outside ? 0x00 : 0x20);   /* beyond the frame: black */
  }
  uint8_t one[4];
  EXPECT_FALSE(VLrenderer_readpixels(w, one, 0, 1));
  EXPECT_FALSE(VLrenderer_readpixels(w, nullptr, 1, 1));
}

TEST_F(DisplayPixels, SetSizeResizesTheWindowAndItsFrame) {
  VLwindow *w = VLuniverse_getwindows();
  VLwindow_setbgcolor(w, 0x00FF00);
  struct Case { int width, height, expect_w, expect_h, context_w, context_h; };
  const Case cases[] = {
      {800, 600, 800, 600, 800, 600},   /* grows: new buffers */
      {300, 200, 300, 200, 300, 200},   /* shrinks: the buffers stay */
      {50, 40, 50, 40, 100, 100},       /* the frame keeps its minimum */
      {0, 500, 50, 40, 100, 100},       /* ignored */
      {-7, -7, 50, 40, 100, 100},       /* ignored */
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    VLwindow_setsize(w, c.width, c.height);
    int W = 0, H = 0;
    VLwindow_getposition(w, nullptr, nullptr, &W, &H);
    EXPECT_EQ(W, c.expect_w);
    EXPECT_EQ(H, c.expect_h);
    EXPECT_EQ(w->context->width, c.context_w);
    EXPECT_EQ(w->context->height, c.context_h);
    VLuniverse_go1();
    std::vector<uint8_t> img(size_t(W) * size_t(H) * 4);
    ASSERT_TRUE(VLrenderer_readpixels(w, img.data(), W, H));
    EXPECT_EQ(pixel(img, W, W - 1, H - 1)[1], 0xFF);   /* the whole area is drawn */
  }
  VLwindow_setsize(nullptr, 10, 10);
}

TEST_F(DisplayPixels, TwoWindowsRenderIndependently) {
  VLwindow *a = VLuniverse_getwindows();
  VLwindow *b = VLwindow_new(0, 0, 200, 120, 0);
  ASSERT_NE(b, nullptr);
  VLwindow_setbgcolor(a, 0xFF0000);
  VLwindow_setbgcolor(b, 0x00FF00);
  VLuniverse_go1();
  std::vector<uint8_t> ia = frame_of(a), ib = frame_of(b);
  ASSERT_EQ(ib.size(), 200u * 120u * 4u);
  EXPECT_EQ(pixel(ia, 640, 5, 5)[0], 0xFF);
  EXPECT_EQ(pixel(ia, 640, 5, 5)[1], 0x00);
  EXPECT_EQ(pixel(ib, 200, 199, 119)[0], 0x00);
  EXPECT_EQ(pixel(ib, 200, 199, 119)[1], 0xFF);
  EXPECT_EQ(_VLdevice()->stats.clears, 2u);
}

TEST_F(DisplayPixels, UnlitAndLitTrianglesReachThePixels) {
  VLwindow *w = VLuniverse_getwindows();
  VLwindow_setbgcolor(w, 0x000000);
  VLuniverse_go1();
  VLdevice *dev = _VLdevice();
  VLrendercontext_select(w->context);
  float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int m = 0; m < 3; ++m) dev->setmatrix(m, id);
  /* Left half: an unlit red quad in clip space. */
  ExecBuilder b;
  b.unlit(-1, -1, 0, 0xFFFF0000);
  b.unlit(0, -1, 0, 0xFFFF0000);
  b.unlit(0, 1, 0, 0xFFFF0000);
  b.unlit(-1, 1, 0, 0xFFFF0000);
  b.ins<VLprocessitem>(VLOP_PROCESSVERTICES, {{VLPV_TRANSFORM, 0, 0, 4}});
  b.ins<VLtriangleitem>(VLOP_TRIANGLE, {{0, 1, 2, 0}, {0, 2, 3, 0}});
  b.end();
  b.run(dev);
  /* Right half: lit by a white directional light shining along -z onto
   * normals facing +z, with the default material's diffuse (0.2, 0.2, 0.8). */
  VLlightdesc light = {};
  light.type = VLLIGHT_DIRECTIONAL;
  light.color[0] = light.color[1] = light.color[2] = light.color[3] = 1.0f;
  light.direction[2] = -1.0f;
  dev->setlight(0, &light);
  dev->lighton(0, true);
  ExecBuilder l;
  l.lit(0, -1, 0, 0, 0, 1);
  l.lit(1, -1, 0, 0, 0, 1);
  l.lit(1, 1, 0, 0, 0, 1);
  l.lit(0, 1, 0, 0, 0, 1);
  l.ins<VLstateitem>(VLOP_LIGHTSTATE, {{VLLS_MATERIAL, w->context->materials[VLMAT_DEFAULT].handle},
                                       {VLLS_AMBIENT, 0}});
  l.ins<VLprocessitem>(VLOP_PROCESSVERTICES, {{VLPV_TRANSFORMLIGHT, 0, 0, 4}});
  l.ins<VLtriangleitem>(VLOP_TRIANGLE, {{0, 1, 2, 0}, {0, 2, 3, 0}});
  l.end();
  l.run(dev);
  dev->lighton(0, false);
  EXPECT_EQ(dev->stats.executions, 2u);
  std::vector<uint8_t> img = frame_of(w);
  const uint8_t *red = pixel(img, 640, 100, 240);
  EXPECT_EQ(red[0], 255);
  EXPECT_EQ(red[1], 0);
  const uint8_t *lit = pixel(img, 640, 500, 240);
  EXPECT_NEAR(lit[0], 51, 2);
  EXPECT_NEAR(lit[2], 204, 2);
}

TEST_F(DisplayPixels, LightSlotsSwitchDeviceLightsInViewSpace) {
  VLwindow *w = VLuniverse_getwindows();
  VLwindow_setbgcolor(w, 0x000000);
  VLuniverse_go1();
  VLdevice *dev = _VLdevice();
  VLrendercontext *c = w->context;
  VLrendercontext_select(c);
  float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  dev->setmatrix(VLMATRIX_WORLD, id);
  dev->setmatrix(VLMATRIX_PROJECTION, id);
  /* A view that turns x into z: a light along -x in the world shines along
   * -z in view space, onto the quad's +z normals. */
  float view[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) c->view[i] = view[i];
  dev->setmatrix(VLMATRIX_VIEW, id);
  const float dir[3] = {-1, 0, 0};
  _VLrenderer_lighttype(0, 0);
  _VLrenderer_lightintensity(0, 1.0f);
  _VLrenderer_lightdirection(0, dir);
  _VLrenderer_lighton(0);
  EXPECT_EQ(c->lights[0].on, 1);
  EXPECT_FLOAT_EQ(c->lights[0].direction[0], -1.0f);  /* kept as given */
  auto draw = [&](float x0) {
    ExecBuilder l;
    l.lit(x0, -1, 0, 0, 0, 1);
    l.lit(x0 + 1, -1, 0, 0, 0, 1);
    l.lit(x0 + 1, 1, 0, 0, 0, 1);
    l.lit(x0, 1, 0, 0, 0, 1);
    l.ins<VLstateitem>(VLOP_LIGHTSTATE, {{VLLS_MATERIAL, c->materials[VLMAT_DEFAULT].handle},
                                         {VLLS_AMBIENT, 0}});
    l.ins<VLprocessitem>(VLOP_PROCESSVERTICES, {{VLPV_TRANSFORMLIGHT, 0, 0, 4}});
    l.ins<VLtriangleitem>(VLOP_TRIANGLE, {{0, 1, 2, 0}, {0, 2, 3, 0}});
    l.end();
    l.run(dev);
  };
  draw(-1);
  _VLrenderer_lightoff(0);
  draw(0);
  std::vector<uint8_t> img = frame_of(w);
  EXPECT_NEAR(pixel(img, 640, 100, 240)[2], 204, 2);   /* lit */
  EXPECT_EQ(pixel(img, 640, 500, 240)[2], 0);          /* light off, no ambient */
}
