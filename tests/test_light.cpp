/* Lights: limits and light numbers, on and off, setters and their ranges,
 * Light and Ambient nodes, light files (every keyword and message), the
 * renderer's slots after a frame, and light reaching the pixels. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "render/light_slots.h"
#include "core/messages.h"
#include "render/light_slots.h"
#include "scene/light_internal.h"
#include "support/messages.h"
#include "vlx/geometry.h"
#include "vlx/light.h"
#include "vlx/motion.h"
#include "vlx/node.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"
#include "vlx/window.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class LightTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    root = VLuniverse_getrootnode();
    CaptureStdout();
  }
  void TearDown() override {
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);  /* the failures were captured too */
    UniverseTest::TearDown();
  }
  VLlight *point(void) { return VLlight_new(nullptr, nullptr, 1.0f, 0.0f, 0.0f, 1); }
  VLlight *spot(void) {
    float dir[3] = {0, -1, 0};
    return VLlight_new(nullptr, dir, 1.0f, 0.0f, 0.5f, VLLIGHTTYPE_SPOT);
  }
  static int count(VLlight *list) {
    int n = 0;
    for (; list; list = list->next) ++n;
    return n;
  }
  VLnode *root = nullptr;
};

void expect3(const float *v, float a, float b, float c, const char *what = "") {
  EXPECT_NEAR(v[0], a, 1e-6f) << what;
  EXPECT_NEAR(v[1], b, 1e-6f) << what;
  EXPECT_NEAR(v[2], c, 1e-6f) << what;
}

}  // namespace

/* ---------- limits and numbers ---------- */

TEST_F(LightTest, EightLightsHoldTheEightNumbers) {
  VLuniverse *u = VLuniverse_current();
  VLlight *lights[8];
  for (int i = 0; i < 8; ++i) {
    lights[i] = point();
    ASSERT_NE(lights[i], nullptr);
    EXPECT_EQ(lights[i]->number, i);
    EXPECT_EQ(_VLlight_number(lights[i]), i);
    EXPECT_EQ(VLrenderer_settings()->lights[i], lights[i]);
  }
  EXPECT_EQ(u->lights[0], lights[7]);  /* newest first */
  EXPECT_EQ(point(), nullptr);
  VLlight_delete(lights[3]);
  EXPECT_EQ(VLrenderer_settings()->lights[3], nullptr);
  VLlight *again = point();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->number, 3);
  EXPECT_EQ(count(u->lights[0]), 8);
  EXPECT_NE(again->id, lights[7]->id);
}

TEST_F(LightTest, TurningOffFreesTheNumber) {
  VLuniverse *u = VLuniverse_current();
  VLlight *a = point(), *b = point(), *c = point();
  VLlight_turnoff(b);
  EXPECT_FALSE(VLlight_ison(b));
  EXPECT_EQ(_VLlight_number(b), -1);
  EXPECT_EQ(count(u->lights[0]), 2);
  EXPECT_EQ(u->lights[1], b);
  VLlight *d = point();
  EXPECT_EQ(d->number, 1);          /* the lowest free number */
  VLlight_turnon(b);
  EXPECT_EQ(b->number, 3);
  EXPECT_EQ(u->lights[0], b);
  EXPECT_EQ(u->lights[1], nullptr);
  VLlight_turnon(b);                /* already on: nothing */
  EXPECT_EQ(count(u->lights[0]), 4);
  for (int i = 0; i < 4; ++i) point();
  VLlight_turnoff(a);
  VLlight_turnon(a);                /* a number is free again */
  EXPECT_TRUE(VLlight_ison(a));
  (void)c;
}

TEST_F(LightTest, CreationRefusesBadValues) {
  float zero[3] = {0, 0, 0.001f}, two[3] = {0, 0, 2}, at[3] = {1, 2, 3};
  struct Case {
    float intensity;
    const float *dir;
    int type;
    bool made;
    const char *warning;
  } cases[] = {
      {0.003f, nullptr, 0, false, nullptr},
      {-1.0f, nullptr, 0, false, nullptr},
      {NAN, nullptr, 1, false, nullptr},
      {0.004f, nullptr, 1, true, nullptr},
      {1.0f, zero, 0, false, VLTXT_LIGHT_DIRECTED_ZERO},
      {1.0f, zero, 2, false, VLTXT_LIGHT_SPOT_ZERO},
      {1.0f, zero, 1, false, nullptr},
      {1.0f, nullptr, 3, false, nullptr},
  };
  for (const Case &c : cases) {
    record_messages();
    VLlight *l = VLlight_new(nullptr, c.dir, c.intensity, 0, 0, c.type);
    EXPECT_EQ(l != nullptr, c.made) << c.intensity << " " << c.type;
    EXPECT_EQ(fired().size(), c.warning ? 1u : 0u);
    if (c.warning) {
      EXPECT_EQ(fired_count(c.warning), 1);
    }
    if (l) VLlight_delete(l);
  }
  VLlight *l = VLlight_new(at, two, 1.5f, 7.0f, 2.0f, VLLIGHTTYPE_SPOT);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->intensity, 1.0f);
  expect3(l->direction, 0, 0, 1);
  expect3(l->position, 1, 2, 3);
  EXPECT_EQ(l->angle, 2.0f);        /* stored as given */
  EXPECT_EQ(l->exponent, 7.0f);
  expect3(l->diffuse, 1, 1, 1);
  expect3(l->ambient, 0, 0, 0);
  expect3(l->specular, 1, 1, 1);
  expect3(l->attenuation, 1, 0, 0);
}

/* ---------- setters ---------- */

TEST_F(LightTest, SettersKeepTheirRanges) {
  VLlight *s = spot(), *p = point();
  VLlight *d = VLlight_new(nullptr, nullptr, 1.0f, 0, 0, VLLIGHTTYPE_DIRECTED);
  struct Case {
    const char *what;
    bool (*set)(VLlight *, float);
    VLlight *light;
    float value;
    bool ok;
  } cases[] = {
      {"exp 0.5", VLlight_setexponent, s, 0.5f, false},
      {"exp 129", VLlight_setexponent, s, 129.0f, false},
      {"exp 0", VLlight_setexponent, s, 0.0f, true},
      {"exp -0", VLlight_setexponent, s, -0.0f, true},
      {"exp 1", VLlight_setexponent, s, 1.0f, true},
      {"exp 128", VLlight_setexponent, s, 128.0f, true},
      {"exp point", VLlight_setexponent, p, 2.0f, false},
      {"angle -0.1", VLlight_setangle, s, -0.1f, false},
      {"angle 1.6", VLlight_setangle, s, 1.6f, false},
      {"angle 0", VLlight_setangle, s, 0.0f, true},
      {"angle pi/2", VLlight_setangle, s, 1.5707964f, true},
      {"angle point", VLlight_setangle, p, 0.5f, false},
  };
  for (const Case &c : cases) EXPECT_EQ(c.set(c.light, c.value), c.ok) << c.what;
  EXPECT_EQ(s->angle, 1.5707964f);
  EXPECT_EQ(s->exponent, 128.0f);

  EXPECT_FALSE(VLlight_setattenuation(d, 1, 0, 0));
  EXPECT_FALSE(VLlight_setattenuation(p, 0.003f, 0, 0));
  EXPECT_FALSE(VLlight_setattenuation(p, 1, -0.1f, 0));
  EXPECT_FALSE(VLlight_setattenuation(p, 1, 0, -0.1f));
  EXPECT_TRUE(VLlight_setattenuation(s, 0.5f, 0.25f, 0.125f));
  expect3(s->attenuation, 0.5f, 0.25f, 0.125f);

  float tiny[3] = {0.001f, 0, 0}, dir[3] = {3, 0, 4};
  EXPECT_FALSE(VLlight_setdirection(d, tiny));
  EXPECT_TRUE(VLlight_setdirection(d, dir));
  expect3(d->direction, 0.6f, 0, 0.8f);
}

/* The setter stores min(value, 1.0): unlike creation it has no lower limit,
 * so 0 is kept; negative values and NaN are refused and change nothing. */
TEST_F(LightTest, IntensitySetterStoresTheValueUpToOne) {
  VLlight *p = point();
  struct Case {
    float value;
    bool ok;
    float stored;
  } const cases[] = {
      {0.5f, true, 0.5f},    {0.0f, true, 0.0f},  {0.003f, true, 0.003f},
      {1.0f, true, 1.0f},    {1.5f, true, 1.0f},  {-0.0f, true, 0.0f},
      {-0.1f, false, 0.25f}, {NAN, false, 0.25f},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(VLlight_setintensity(p, 0.25f));
    EXPECT_EQ(VLlight_setintensity(p, c.value), c.ok);
    EXPECT_EQ(p->intensity, c.stored);
  }
  VLnode *ln = VLpointlightnode_new(root);  /* and through a Light node */
  ASSERT_NE(ln, nullptr);
  EXPECT_TRUE(VLlightnode_setintensity(ln, 0.0f));
  EXPECT_EQ(VLlightnode_getlight(ln)->intensity, 0.0f);
}

TEST_F(LightTest, SettersReachTheRenderersSlot) {
  VLlight *p = point();
  VLrenderersettings *s = VLrenderer_settings();
  s->uploaded[p->number] = 1;
  _VLlightstate().changed = false;
  float pos[3] = {4, 5, 6};
  EXPECT_TRUE(VLlight_setposition(p, pos));
  EXPECT_EQ(s->uploaded[p->number], 0);
  EXPECT_TRUE(_VLlightstate().changed);
  float out[3];
  EXPECT_TRUE(VLlight_getposition(p, out));
  expect3(out, 4, 5, 6);
}

/* ---------- nodes ---------- */

TEST_F(LightTest, LightNodesOwnTheirLights) {
  VLuniverse *u = VLuniverse_current();
  VLnode *dn = VLdirlightnode_new(root), *pn = VLpointlightnode_new(root);
  ASSERT_NE(dn, nullptr);
  ASSERT_NE(pn, nullptr);
  VLlight *dl = VLlightnode_getlight(dn), *pl = VLlightnode_getlight(pn);
  EXPECT_EQ(dl->type, VLLIGHTTYPE_DIRECTED);
  EXPECT_EQ(pl->type, VLLIGHTTYPE_POINT);
  EXPECT_EQ(dl->intensity, 1.0f);
  EXPECT_EQ(dl->node, dn);
  EXPECT_EQ(VLnode_numchildren(root), 2);

  /* Deleting the node deletes the light; deleting the light its node. */
  VLnode_delete(dn);
  EXPECT_EQ(count(u->lights[0]), 1);
  EXPECT_EQ(VLrenderer_settings()->lights[0], nullptr);
  VLlight_delete(pl);
  EXPECT_EQ(count(u->lights[0]), 0);
  EXPECT_EQ(VLnode_numchildren(root), 0);
}

TEST_F(LightTest, NodeOperationsResolveTheirNodes) {
  VLnode *ln = VLpointlightnode_new(root), *an = VLambientnode_new(root);
  VLnode *group = VLgroupnode_new(root);
  VLlight *l = VLlightnode_getlight(ln);
  VLambientnode *a = static_cast<VLambientnode *>(an);
  float pos[3] = {1, 2, 3}, out[3];

  EXPECT_TRUE(VLlightnode_setcolor(ln, 0.1f, 0.2f, 0.3f));
  expect3(l->ambient, 0.1f, 0.2f, 0.3f);
  EXPECT_TRUE(VLlightnode_setdiffuse(ln, 0.4f, 0.5f, 0.6f));
  expect3(l->diffuse, 0.4f, 0.5f, 0.6f);
  EXPECT_TRUE(VLlightnode_setspecular(ln, 0.7f, 0.8f, 0.9f));
  expect3(l->specular, 0.7f, 0.8f, 0.9f);
  EXPECT_TRUE(VLlightnode_setposition(ln, pos));
  EXPECT_TRUE(VLlightnode_getposition(ln, out));
  expect3(out, 1, 2, 3);
  EXPECT_TRUE(VLlightnode_setintensity(ln, 2.0f));
  EXPECT_EQ(l->intensity, 1.0f);
  EXPECT_FALSE(VLlightnode_setangle(ln, 0.5f));  /* not a spot light */

  EXPECT_TRUE(VLlightnode_setcolor(an, 0.5f, 0.25f, 0));
  expect3(a->colour, 0.5f, 0.25f, 0);
  EXPECT_TRUE(VLlightnode_setintensity(an, 2.5f));  /* no clamping */
  EXPECT_EQ(a->intensity, 2.5f);
  EXPECT_FALSE(VLlightnode_setdiffuse(an, 1, 1, 1));
  EXPECT_FALSE(VLlightnode_setposition(an, pos));

  EXPECT_FALSE(VLlightnode_setcolor(group, 1, 1, 1));
  EXPECT_FALSE(VLlightnode_setintensity(group, 1));
  EXPECT_FALSE(VLlightnode_setcolor(nullptr, 1, 1, 1));
  EXPECT_EQ(VLlightnode_getlight(group), nullptr);
}

TEST_F(LightTest, DeletingALightDeletesTheLinksThatMoveIt) {
  VLlight *l = point();
  int sensor = 0;  /* stands for a sensor: the links only keep the pointer */
  ASSERT_NE(VLmotionlink_newany(&sensor, l, 0, VLTARGET_LIGHT), nullptr);
  VLlight_delete(l);
  EXPECT_EQ(VLuniverse_current()->motionlinks, nullptr);
}

/* ---------- light files ---------- */

namespace {

class LightFile : public LightTest {
 protected:
  /* Reads the text under the Root; the nodes it appended. */
  std::vector<VLnode *> read(const std::string &text, VLnode *parent = nullptr) {
    VLnode *p = parent ? parent : root;
    int before = VLnode_numchildren(p);
    record_messages();
    EXPECT_TRUE(VLlights_read(p, "lights.txt", text.data(), text.size()));
    std::vector<VLnode *> out;
    for (int i = before; i < VLnode_numchildren(p); ++i) out.push_back(VLnode_getchild(p, i));
    return out;
  }
  static VLlight *light(VLnode *n) { return VLlightnode_getlight(n); }
};

}  // namespace

TEST_F(LightFile, ReadsTheExample) {
  std::vector<VLnode *> nodes = read(
      "//lights\n"
      "directed dir 0 -1 1 int 0.8 rgb ffffff\n"
      "spot pos 0 10 0 dir 0 -1 0 angle 30 exp 2 att 1 0.01 0\n"
      "ambient int 0.3\n");
  EXPECT_TRUE(fired().empty());
  ASSERT_EQ(nodes.size(), 3u);
  VLlight *d = light(nodes[0]), *s = light(nodes[1]);
  ASSERT_NE(d, nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(d->type, VLLIGHTTYPE_DIRECTED);
  expect3(d->direction, 0, -0.70710677f, 0.70710677f);
  EXPECT_FLOAT_EQ(d->intensity, 0.8f);
  expect3(d->diffuse, 1, 1, 1);
  EXPECT_EQ(s->type, VLLIGHTTYPE_SPOT);
  expect3(s->position, 0, 10, 0);
  expect3(s->direction, 0, -1, 0);
  EXPECT_FLOAT_EQ(s->angle, 30 * 0.017453292f);
  EXPECT_EQ(s->exponent, 2.0f);
  expect3(s->attenuation, 1, 0.01f, 0);
  ASSERT_EQ(nodes[2]->type, VLNODE_AMBIENT);
  EXPECT_FLOAT_EQ(static_cast<VLambientnode *>(nodes[2])->intensity, 0.3f);
  expect3(static_cast<VLambientnode *>(nodes[2])->colour, 1, 1, 1);
}

TEST_F(LightFile, TypesAndColours) {
  std::vector<VLnode *> nodes = read(
      "//lights\n"
      "D rgb 00ff00\n"
      "Point amb 0.1 0.2 0.3 diff 0.4 0.5 0.6 spec 0.7 0.8 0.9 att 2 0 1\n"
      "point rgb 0xf80 amb 0.5 0.5 0.5\n"      /* rgb wins over the others */
      "s\n"
      "ambient amb 0.2 0.4 0.6\n"
      "A rgb 0x0000ff amb 1 1 1\n");
  EXPECT_TRUE(fired().empty());
  ASSERT_EQ(nodes.size(), 6u);
  expect3(light(nodes[0])->diffuse, 0, 1, 0);
  VLlight *p = light(nodes[1]);
  expect3(p->ambient, 0.1f, 0.2f, 0.3f, "amb");
  expect3(p->diffuse, 0.4f, 0.5f, 0.6f, "diff");
  expect3(p->specular, 0.7f, 0.8f, 0.9f, "specular");
  expect3(p->attenuation, 2, 0, 1);
  VLlight *q = light(nodes[2]);
  expect3(q->diffuse, 1, 136 * 0.003921569f, 0);
  expect3(q->ambient, 0, 0, 0);
  VLlight *s = light(nodes[3]);
  EXPECT_EQ(s->type, VLLIGHTTYPE_SPOT);
  EXPECT_FLOAT_EQ(s->angle, 0.3926991f);
  expect3(static_cast<VLambientnode *>(nodes[4])->colour, 0.2f, 0.4f, 0.6f);
  expect3(static_cast<VLambientnode *>(nodes[5])->colour, 0, 0, 1);
}

TEST_F(LightFile, SpotAnglesAndExponents) {
  struct Case {
    const char *text;
    const char *warning;
    float angle, exponent;
  } cases[] = {
      {"spot angle 90\n", nullptr, 1.5707963f, 0},
      {"spot angle 91\n", VLTXT_LIGHT_ANGLE_RANGE, 0.3926991f, 0},
      {"spot angle -1\n", VLTXT_LIGHT_ANGLE_RANGE, 0.3926991f, 0},
      {"spot anglerad 1.2\n", nullptr, 1.2f, 0},
      {"spot anglerad 1.6\n", VLTXT_LIGHT_ANGLERAD_RANGE, 0.3926991f, 0},
      {"spot exp 0.5\n", VLTXT_LIGHT_EXPONENT_RANGE, 0.3926991f, 0},
      {"spot exp 129\n", VLTXT_LIGHT_EXPONENT_RANGE, 0.3926991f, 0},
      {"spot exp 128\n", nullptr, 0.3926991f, 128},
  };
  for (const Case &c : cases) {
    std::vector<VLnode *> nodes = read(c.text);
    ASSERT_EQ(nodes.size(), 1u) << c.text;
    EXPECT_FLOAT_EQ(light(nodes[0])->angle, c.angle) << c.text;
    EXPECT_EQ(light(nodes[0])->exponent, c.exponent) << c.text;
    EXPECT_EQ(fired_count(VLM_TOK_LINE), c.warning ? 1 : 0) << c.text;
    if (c.warning) {
      EXPECT_EQ(fired_count(c.warning), 1) << c.text;
    }
    VLnode_delete(nodes[0]);
  }
}

TEST_F(LightFile, ErrorsAreReportedAndReadingGoesOn) {
  struct Case {
    const char *text;
    const char *warning;   /* the message after the position report */
    int nodes;             /* what is made */
  } cases[] = {
      {"point pos 1 2 3 foo\n", VLTXT_LIGHT_UNKNOWN_ATTRIBUTE, 1},
      {"point angle\n", VLTXT_LIGHT_UNKNOWN_ATTRIBUTE, 1},  /* not a point keyword */
      {"qux int 1\npoint\n", VLTXT_LIGHT_UNKNOWN_TYPE, 1},
      {"point pos 1 x 3 int 0.5\nspot\n", VLTXT_TOK_FLOAT_INVALID, 1},
      {"spot dir 1 0\nspot\n", VLTXT_TOK_MISSING, 1},
      {"spot angle\n", VLTXT_TOK_MISSING, 0},
      {"directed rgb 12345g\n", VLTXT_TOK_INVALID, 0},
      {"ambient int\npoint\n", VLTXT_TOK_MISSING, 1},
  };
  for (const Case &c : cases) {
    std::vector<VLnode *> nodes = read(c.text);
    EXPECT_EQ(static_cast<int>(nodes.size()), c.nodes) << c.text;
    EXPECT_EQ(fired_count(c.warning), 1) << c.text;
    EXPECT_EQ(fired_count(VLM_TOK_LINE), 1) << c.text;
    for (VLnode *n : nodes) VLnode_delete(n);
  }
}

TEST_F(LightFile, AKeywordOfAnotherTypeStartsANewLight) {
  std::vector<VLnode *> nodes = read(
      "point pos 1 2 3\n"
      "dir 1 0 0\n"          /* a directed light; its numbers are no keywords */
      "spot\n"
      "dir 0 1 0\n");        /* a spot light's own keyword */
  EXPECT_EQ(fired_count(VLM_LIGHT_UNKNOWN_ATTRIBUTE), 3);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(light(nodes[1])->type, VLLIGHTTYPE_DIRECTED);
  expect3(light(nodes[1])->direction, 0, 0, 1);
  EXPECT_EQ(light(nodes[2])->type, VLLIGHTTYPE_SPOT);
  expect3(light(nodes[2])->direction, 0, 1, 0);
}

TEST_F(LightFile, ParentsAndFiles) {
  VLnode *xform = VLxformnode_new(root);
  EXPECT_TRUE(read("point\nambient\n", xform).empty());  /* not a grouping node */
  EXPECT_EQ(VLuniverse_current()->lights[0], nullptr);
  EXPECT_TRUE(read("point\n", VLgroupnode_new(root)).size() == 1u);

  char path[] = "/tmp/vlxlightXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const char text[] = "//lights\ndirected int 0.5\n";
  ASSERT_EQ(write(fd, text, sizeof text - 1), ssize_t(sizeof text - 1));
  close(fd);
  VLnode *group = VLgroupnode_new(root);
  EXPECT_TRUE(VLlights_load(group, path));
  ASSERT_EQ(VLnode_numchildren(group), 1);
  EXPECT_FLOAT_EQ(light(VLnode_getchild(group, 0))->intensity, 0.5f);
  unlink(path);
  record_messages();
  EXPECT_FALSE(VLlights_load(group, path));
  EXPECT_EQ(fired_count(VLM_TOK_CANT_OPEN), 1);
}

TEST_F(LightFile, JunkBytesMakeAtMostEightLights) {
  std::mt19937 rng(99);
  const char *words[] = {"point", "spot", "dir", "pos", "int", "angle", "exp", "rgb", "amb",
                         "1", "-2", "0.5", "x", "\n", "\n", "//", "\\", "a", "ff", "\0"};
  for (int round = 0; round < 60; ++round) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
      text += round % 3 == 0 ? std::string(1, char(rng())) : words[rng() % 20];
      text += ' ';
    }
    VLnode *group = VLgroupnode_new(root);
    read(text, group);
    EXPECT_LE(count(VLuniverse_current()->lights[0]), 8);
    VLnode_delete(group);
    EXPECT_EQ(VLuniverse_current()->lights[0], nullptr);
  }
}

/* ---------- the renderer ---------- */

using LightDevice = DeviceTest;

TEST_F(LightDevice, FrameUploadsTheSlots) {
  CaptureStdout();
  VLnode *root = VLuniverse_getrootnode();
  std::string text = "spot pos 1 2 3 dir 0 0 1 int 0.5 angle 20 exp 4 att 1 0.5 0.25\n";
  VLlights_read(root, "l", text.data(), text.size());
  VLlight *s = VLlightnode_getlight(VLnode_getchild(root, 0));
  VLnode *pn = VLpointlightnode_new(root);
  VLlight *p = VLlightnode_getlight(pn);
  ASSERT_NE(s, nullptr);
  VLuniverse_go1();
  GetCapturedStdout();

  VLrenderersettings *st = VLrenderer_settings();
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w->context, nullptr);
  EXPECT_EQ(st->lights[s->number], s);
  EXPECT_EQ(st->uploaded[s->number], 1);
  const VLlightslot &slot = w->context->lights[s->number];
  EXPECT_EQ(slot.type, 2);
  expect3(slot.color, 0.5f, 0.5f, 0.5f, "grey");
  EXPECT_EQ(slot.color[3], 1.0f);
  expect3(slot.position, 1, 2, 3);
  expect3(slot.direction, 0, 0, 1);
  expect3(slot.attenuation, 1, 0.5f, 0.25f);
  EXPECT_EQ(slot.falloff, 4.0f);
  EXPECT_FLOAT_EQ(slot.phi, 2 * 20 * 0.017453292f);  /* the whole cone, radians */
  EXPECT_EQ(slot.theta, 0.0f);
  EXPECT_EQ(w->context->lights[p->number].type, 1);
  EXPECT_FALSE(_VLlightstate().changed);

  /* A light that goes leaves its slot switched off. */
  int n = p->number;
  VLrendercontext_select(w->context);
  _VLrenderer_lighton(n);
  ASSERT_EQ(w->context->lights[n].on, 1);
  VLnode_delete(pn);
  VLuniverse_go1();
  EXPECT_EQ(st->lights[n], nullptr);
  EXPECT_EQ(w->context->lights[n].on, 0);
}

TEST_F(LightDevice, DefaultsTakeTheUniversesAmbient) {
  VLuniverse *u = VLuniverse_current();
  VLlight *l = VLlight_new(nullptr, nullptr, 1.0f, 0, 0, 0);
  u->ambient = 0.5f;
  u->ambientrgb[0] = 255;
  u->ambientrgb[1] = 0;
  u->ambientrgb[2] = 102;
  _VLlights_installdefaults(u);
  VLrenderersettings *st = VLrenderer_settings();
  expect3(st->ambient, 0.5f, 0.0f, 0.2f);
  EXPECT_EQ(st->ambientuploaded, 0);
  EXPECT_EQ(st->lights[l->number], l);
  EXPECT_EQ(st->uploaded[l->number], 0);
}

namespace {

/* A white 2 x 2 grid of 10 x 10 quads at z = 0 facing -z: fine enough for
 * per-vertex lighting to show a spot light's cone. */
VLgeometry *grid(void) {
  VLgeometry *g = VLgeometry_begin();
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      float x = -1.0f + 0.2f * float(i), y = -1.0f + 0.2f * float(j);
      float pts[12] = {x, y, 0, x, y + 0.2f, 0, x + 0.2f, y + 0.2f, 0, x + 0.2f, y, 0};
      VLpoly *p = VLpoly_frompoints(g, pts, 4, false);
      VLpoly_setrgb(p, 255, 255, 255);
    }
  VLgeometry_close(g);
  return g;
}

}  // namespace

TEST_F(LightDevice, SpotConeLightsItsCentreOnly) {
  CaptureStdout();
  VLnode *root = VLuniverse_getrootnode();
  VLviewpoint *vp = VLuniverse_getviewpoint();
  VLp3 eye = {0, 0, -5}, ahead = {0, 0, 1};
  VLviewpoint_setposition(vp, &eye);
  VLviewpoint_setdirection(vp, &ahead);
  VLuniverse_setbgcolor(0, 0, 0);
  std::string text = "spot pos 0 0 -2 dir 0 0 1 anglerad 0.4\n";
  VLlights_read(root, "l", text.data(), text.size());
  VLgeometrynode_new(root, grid());
  VLuniverse_go1();
  GetCapturedStdout();
  VLwindow *w = VLuniverse_getwindows();
  std::vector<uint8_t> img(size_t(w->context->width) * w->context->height * 4);
  ASSERT_TRUE(VLrenderer_readpixels(w, img.data(), w->context->width, w->context->height));
  auto red = [&](int x, int y) { return int(img[(size_t(y) * 640 + x) * 4]); };
  /* The cone (0.85 units across at the grid) is lit; the corners, 1.2 units
   * out, have only the ambient light. */
  int centre = red(320, 240), corner = red(320 + 68, 240 + 68);
  EXPECT_GT(centre, 200);
  EXPECT_GT(corner, 0);
  EXPECT_LT(corner, 160);

  /* Without the light both have the ambient light only. */
  VLnode_delete(VLnode_getchild(root, 0));
  VLuniverse_go1();
  ASSERT_TRUE(VLrenderer_readpixels(w, img.data(), w->context->width, w->context->height));
  EXPECT_LT(red(320, 240), 160);
}
