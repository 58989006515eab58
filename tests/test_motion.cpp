/* Motion links and paths: link creation rules and deletion with their
 * targets, sensor motion per frame, path files (round trip and every bad
 * case), playing through the loop, end modes, locks, recording, node
 * targets and markers. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "core/messages.h"
#include "motion/motion_internal.h"
#include "support/messages.h"
#include "vlx/geometry.h"
#include "vlx/motion.h"
#include "vlx/node.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class MotionTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    root = VLuniverse_getrootnode();
    vp = VLuniverse_getviewpoint();
    CaptureStdout();
  }
  void TearDown() override {
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);  /* the failures were captured too */
    UniverseTest::TearDown();
  }
  /* A path of n records at x = 1..n, turned by 0.1 x i about y. */
  VLpath *line_path(int n) {
    VLpath *p = VLpath_new(nullptr);
    for (int i = 1; i <= n; ++i) {
      VLp3 pos = {float(i), 0, 0};
      VLq q = {0, sinf(0.05f * i), 0, cosf(0.05f * i)};
      VLpath_addrecord(p, VLpathrecord_new(&pos, &q));
    }
    return p;
  }
  static int paths(void) {
    int n = 0;
    for (VLpath *p = VLuniverse_current()->paths; p; p = p->next) ++n;
    return n;
  }
  static int links(void) {
    int n = 0;
    for (VLmotionlink *l = VLuniverse_current()->motionlinks; l; l = l->next) ++n;
    return n;
  }
  std::string temp_file(const std::string &text) {
    char path[] = "/tmp/vlxpathXXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
    close(fd);
    temps_.push_back(path);
    return path;
  }
  ~MotionTest() override {
    for (const std::string &t : temps_) unlink(t.c_str());
  }

  VLnode *root = nullptr;
  VLviewpoint *vp = nullptr;
  std::vector<std::string> temps_;
};

class PathTest : public MotionTest {};

int sensor_a, sensor_b;  /* stand for sensors: links only keep the pointer */

}  // namespace

/* ---------- links ---------- */

TEST_F(MotionTest, LinkCreationRules) {
  VLpath *path = VLpath_new(nullptr);
  VLmotionlink *a = VLmotionlink_new(path, vp, VLSOURCE_PATH, VLTARGET_VIEWPOINT);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->scale, 1.0f);
  EXPECT_EQ(a->enabled, 1);
  EXPECT_EQ(a->pathflag, 0);
  EXPECT_EQ(VLmotionlink_new(path, vp, VLSOURCE_PATH, VLTARGET_VIEWPOINT), nullptr);

  record_messages();
  EXPECT_EQ(VLmotionlink_new(&sensor_a, vp, 0, VLTARGET_OBJECT), nullptr);
  EXPECT_EQ(VLmotionlink_new(&sensor_a, vp, 0, VLTARGET_LIGHT), nullptr);
  EXPECT_EQ(fired_count(VLM_LINK_ILLEGAL_TOTYPE), 2);
  EXPECT_EQ(VLmotionlink_new(nullptr, vp, 0, 0), nullptr);
  EXPECT_EQ(VLmotionlink_new(&sensor_a, nullptr, 0, 0), nullptr);

  VLnode *group = VLgroupnode_new(root);
  VLnode *movable = VLmovablegeometrynode_new(root, VLgeometry_newblock(1, 1, 1, false));
  EXPECT_EQ(VLmotionlink_new(&sensor_a, group, 0, VLTARGET_MOVABLE), nullptr);
  VLmotionlink *m = VLmotionlink_new(&sensor_a, movable, 0, VLTARGET_MOVABLE);
  ASSERT_NE(m, nullptr);

  /* Node paths must end in an Xform or a movable node. */
  VLnode *x = VLxformnode_new(group);
  VLnodelink *tox[2] = {group->firstlink, x->firstlink};
  VLnodelink *togroup[1] = {group->firstlink};
  VLnodepath good = {tox, 2}, bad = {togroup, 1};
  VLmotionlink *np = VLmotionlink_new(&sensor_a, &good, 0, VLTARGET_NODEPATH);
  ASSERT_NE(np, nullptr);
  EXPECT_EQ(np->pathflag, 1);
  EXPECT_EQ(np->frame, 1);
  EXPECT_EQ(VLmotionlink_new(&sensor_a, &bad, 0, VLTARGET_NODEPATH), nullptr);

  VLmotionlink *any = VLmotionlink_newany(&sensor_b, &sensor_a, 3, VLTARGET_OBJECT);
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->sourcekind, VLSOURCE_SENSOR);
  EXPECT_EQ(any->frame, 3);
  EXPECT_EQ(VLmotionlink_newany(&sensor_a, vp, 0, 6), nullptr);

  /* Oldest first, linked both ways. */
  VLmotionlink *l = VLuniverse_current()->motionlinks;
  EXPECT_EQ(l, a);
  EXPECT_EQ(l->next, m);
  EXPECT_EQ(m->previous, a);
  EXPECT_EQ(links(), 4);
}

TEST_F(MotionTest, LinksGoWithTheirTargetsAndSources) {
  VLnode *x = VLxformnode_new(root);
  VLnode *movable = VLmovablegeometrynode_new(root, VLgeometry_newblock(1, 1, 1, false));
  VLnode *sep = VLsepnode_new(root);
  VLnode *inner = VLxformnode_new(sep);
  VLnodelink *chain[2] = {sep->firstlink, inner->firstlink};
  VLnodepath np = {chain, 2};
  VLpath *path = VLpath_new(nullptr);
  ASSERT_NE(VLmotionlink_new(path, x, 1, VLTARGET_XFORM), nullptr);
  ASSERT_NE(VLmotionlink_new(&sensor_a, movable, 0, VLTARGET_MOVABLE), nullptr);
  ASSERT_NE(VLmotionlink_new(&sensor_a, &np, 0, VLTARGET_NODEPATH), nullptr);
  ASSERT_NE(VLmotionlink_new(path, vp, 1, VLTARGET_VIEWPOINT), nullptr);
  ASSERT_NE(VLmotionlink_new(&sensor_b, vp, 0, VLTARGET_VIEWPOINT), nullptr);
  EXPECT_EQ(links(), 5);
  VLnode_delete(x);
  EXPECT_EQ(links(), 4);
  VLnode_delete(movable);
  EXPECT_EQ(links(), 3);
  VLnode_delete(sep);          /* the node path's end goes with it */
  EXPECT_EQ(links(), 2);
  VLpath_delete(path);
  EXPECT_EQ(links(), 1);
  VLmotionlink_deletetarget(vp);
  EXPECT_EQ(links(), 0);
}

TEST_F(MotionTest, SensorMotionFollowsTheFrame) {
  const float s = sinf(0.25f * VLPI), c = cosf(0.25f * VLPI);
  VLq quarter = {0, s, 0, c};  /* 90 degrees about y */
  VLp3 t = {1, 0, 0};
  struct Case {
    int frame;
    VLp3 moved;                /* the translation that results */
  } cases[] = {{VLLINKFRAME_OWN, {0, 0, 0}}, {VLLINKFRAME_PARENT, {1, 0, 0}}};
  VLq_rotate(&t, &quarter, &cases[0].moved);  /* along the node's own, turned x axis */
  for (const Case &cs : cases) {
    VLnode *x = VLxformnode_new(root);
    VLmotionlink *l = VLmotionlink_newany(&sensor_a, x, cs.frame, VLTARGET_XFORM);
    _VLmotionlink_applysensor(l, &t, &quarter);
    VLm4 m;
    VLq q;
    VLxformnode_getmatrix(x, &m);
    VLxformnode_getorientation(x, &q);
    EXPECT_NEAR(m.m[12], cs.moved.x, 1e-5f) << cs.frame;
    EXPECT_NEAR(m.m[13], cs.moved.y, 1e-5f) << cs.frame;
    EXPECT_NEAR(m.m[14], cs.moved.z, 1e-5f) << cs.frame;
    EXPECT_NEAR(fabsf(q.y), s, 1e-5f) << cs.frame;
  }
  /* Relative to the reference viewpoint: its axes turn the translation. */
  VLviewpoint_setorientation(vp, &quarter);
  VLmotionlink *l = VLmotionlink_newany(&sensor_a, vp, 1, VLTARGET_VIEWPOINT);
  VLq none = {0, 0, 0, 1};
  _VLmotionlink_applysensor(l, &t, &none);
  VLp3 want;
  VLq_rotate(&t, &quarter, &want);
  EXPECT_NEAR(vp->position.x, want.x, 1e-5f);
  EXPECT_NEAR(vp->position.z, want.z, 1e-5f);
}

TEST_F(MotionTest, ConstraintsClampTheMove) {
  VLnode *x = VLxformnode_new(root);
  VLmotionlink *l = VLmotionlink_newany(&sensor_a, x, VLLINKFRAME_PARENT, VLTARGET_XFORM);
  EXPECT_FALSE(VLmotionlink_addconstraint(l, VLCONSTRAIN_POSITION, 3, 0, 1));
  EXPECT_FALSE(VLmotionlink_addconstraint(l, VLCONSTRAIN_POSITION, 0, 1, 0));
  ASSERT_TRUE(VLmotionlink_addconstraint(l, VLCONSTRAIN_POSITION, 0, -1, 2));
  ASSERT_TRUE(VLmotionlink_addconstraint(l, VLCONSTRAIN_ANGLE, 1, -0.5f, 0.5f));
  VLp3 t = {5, 3, 0};
  VLq turn = {0, sinf(0.5f), 0, cosf(0.5f)};  /* 1 radian about y */
  _VLmotionlink_applysensor(l, &t, &turn);
  VLm4 m;
  VLq q;
  VLxformnode_getmatrix(x, &m);
  VLxformnode_getorientation(x, &q);
  EXPECT_FLOAT_EQ(m.m[12], 2.0f);
  EXPECT_FLOAT_EQ(m.m[13], 3.0f);
  EXPECT_NEAR(2.0f * atan2f(q.y, q.w), 0.5f, 1e-5f);
}

TEST_F(MotionTest, DisabledAndSensorlessLinksDoNotMove) {
  VLnode *x = VLxformnode_new(root);
  VLmotionlink *l = VLmotionlink_newany(&sensor_a, x, 3, VLTARGET_XFORM);
  VLmotionlink_enable(l, false);
  EXPECT_EQ(l->enabled, 0);
  for (int i = 0; i < 3; ++i) VLuniverse_go1();
  VLmotionlink_enable(l, true);
  VLuniverse_go1();  /* no sensor family: no motion */
  VLm4 m;
  VLxformnode_getmatrix(x, &m);
  EXPECT_EQ(m.m[12], 0.0f);
}

/* ---------- path files ---------- */

TEST_F(PathTest, FileRoundTrip) {
  VLpath *p = VLpath_new(nullptr);
  const float values[] = {1.0f / 3.0f, -12345.678f, 1e-7f, 0.1f, 7.0f, -0.0f, 3e5f};
  for (int i = 0; i < 4; ++i) {
    VLp3 pos = {values[i], values[i + 1], values[i + 2]};
    VLq q = {values[i + 3] * 0.1f, 0.5f, -0.5f, 0.70710677f};
    VLpath_addrecord(p, VLpathrecord_new(&pos, &q));
  }
  std::string file = temp_file("");
  ASSERT_TRUE(VLpath_save(p, file.c_str()));
  VLpath *back = VLpath_load(file.c_str(), nullptr);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->count, 4);
  EXPECT_EQ(back->state, VLPATH_STOPPED);
  EXPECT_EQ(back->current, back->first);
  EXPECT_EQ(VLuniverse_current()->paths, back);  /* newest first */
  const VLpathrecord *a = p->first, *b = back->first;
  for (; a && b; a = a->next, b = b->next) {
    EXPECT_EQ(a->position.x, b->position.x);
    EXPECT_EQ(a->position.y, b->position.y);
    EXPECT_EQ(a->position.z, b->position.z);
    EXPECT_EQ(a->orientation.x, b->orientation.x);
    EXPECT_EQ(a->orientation.w, b->orientation.w);
    EXPECT_EQ(b->path, back);
  }
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(back->last->previous->next, back->last);
}

TEST_F(PathTest, FileFormat) {
  std::string text =
      "path record v.2 anything after it\n1\n"
      "Posi  0.000000 1.500000 -10.000000\n"
      "Orie  0.000000 0.000000 0.000000 1.000000\n";
  VLpath *p = VLpath_read("fly.pth", text.data(), text.size(), nullptr);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->count, 1);
  EXPECT_EQ(p->first->position.y, 1.5f);
  EXPECT_EQ(p->first->position.z, -10.0f);
  EXPECT_EQ(p->first->orientation.w, 1.0f);

  std::string file = temp_file("");
  ASSERT_TRUE(VLpath_save(p, file.c_str()));
  FILE *f = fopen(file.c_str(), "r");
  char saved[256] = {};
  size_t got = fread(saved, 1, sizeof saved - 1, f);
  fclose(f);
  EXPECT_EQ(std::string(saved, got), "path record v.2\n1\nPosi  0 1.5 -10\nOrie  0 0 0 1\n");
}

TEST_F(PathTest, BadFilesKeepNothing) {
  struct Case {
    const char *text;
    const char *warning;
  } cases[] = {
      {"path record v.1\n0\n", VLTXT_PATH_NOT_PATH},
      {"", VLTXT_PATH_NOT_PATH},
      /* Broken after the header: one warning, nothing kept. */
      {"path record v.2\n3\nPosi 1 2 3\nOrie 0 0 0 1\nPosi 1 2 3\nOrie 0 0 0 1\n",
       VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n1\nPosi 1 2\nOrie 0 0 0 1\n", VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n1\nPosi 1 2 3 4\nOrie 0 0 0 1\n", VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n1\nOrie 0 0 0 1\nPosi 1 2 3\n", VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n1\nPosi 1 2 nan\nOrie 0 0 0 1\n", VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n1\nPosi 1 2 3\nOrie 0 inf 0 1\n", VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n2\nPosi 1 2 3\nOrie 0 0 0 1\n\x01\xfe\x7f junk\n", VLTXT_PATH_BAD_RECORD},
      {"path record v.2\n-1\n", VLTXT_PATH_BAD_COUNT},
      {"path record v.2\nmany\n", VLTXT_PATH_BAD_COUNT},
      {"path record v.2\nnan\n", VLTXT_PATH_BAD_COUNT},
      {"path record v.2\n99999999999999999999\n", VLTXT_PATH_BAD_COUNT},
      {"path record v.2\n", VLTXT_PATH_BAD_COUNT},
  };
  for (const Case &c : cases) {
    record_messages();
    std::string text = c.text;
    EXPECT_EQ(VLpath_read("bad.pth", text.data(), text.size(), nullptr), nullptr) << c.text;
    EXPECT_EQ(fired().size(), c.warning ? 1u : 0u) << c.text;
    if (c.warning) {
      EXPECT_EQ(fired_count(c.warning), 1) << c.text;
    }
    EXPECT_EQ(paths(), 0) << c.text;
  }
  record_messages();
  EXPECT_EQ(VLpath_load("/nonexistent/fly.pth", nullptr), nullptr);
  EXPECT_EQ(fired_count(VLM_PATH_NOT_FOUND), 1);
  EXPECT_EQ(VLpath_load(nullptr, nullptr), nullptr);
  std::string notpath = temp_file("//lights\n");
  EXPECT_EQ(VLpath_load(notpath.c_str(), nullptr), nullptr);
  EXPECT_EQ(fired_count(VLM_PATH_NOT_PATH), 1);
  EXPECT_FALSE(VLpath_save(VLpath_new(nullptr), "/nonexistent/dir/out.pth"));
  EXPECT_EQ(fired_count(VLM_PATH_SYSTEM_ERROR), 1);
}

TEST_F(PathTest, FilesFoundAlongTheModelPath) {
  std::string file = temp_file("path record v.2\n0\n");
  std::string dir = file.substr(0, file.rfind('/')), name = file.substr(file.rfind('/') + 1);
  const char *old = getenv("VLMODELS");
  std::string saved = old ? old : "";
  setenv("VLMODELS", ("/nonexistent;" + dir).c_str(), 1);
  VLpath *p = VLpath_load(name.c_str(), nullptr);
  if (old) setenv("VLMODELS", saved.c_str(), 1);
  else unsetenv("VLMODELS");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->count, 0);
}

TEST_F(PathTest, TruncatedAndJunkBytes) {
  VLpath *good = line_path(6);
  std::string file = temp_file("");
  ASSERT_TRUE(VLpath_save(good, file.c_str()));
  VLpath_delete(good);
  FILE *f = fopen(file.c_str(), "rb");
  std::string bytes(4096, '\0');
  bytes.resize(fread(&bytes[0], 1, bytes.size(), f));
  fclose(f);
  for (size_t n = 0; n < bytes.size(); ++n) {
    record_messages();
    VLpath *p = VLpath_read("cut.pth", bytes.data(), n, nullptr);
    if (p) {
      /* Only a cut in the last number can still read as a whole file. */
      EXPECT_GT(n, bytes.size() - 12) << n;
      VLpath_delete(p);
    } else {
      /* Every cut says why the path is gone: not a path file, or broken
       * after its header. */
      EXPECT_EQ(fired().size(), 1u) << n;
    }
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string junk = bytes;
    for (int k = 0; k < 1 + round % 5; ++k) junk[rng() % junk.size()] = char(rng());
    if (round % 4 == 0) junk = "path record v.2\n" + std::string(size_t(rng() % 300), char(rng()));
    if (VLpath *p = VLpath_read("junk.pth", junk.data(), junk.size(), nullptr)) VLpath_delete(p);
  }
  EXPECT_EQ(paths(), 0);
}

TEST_F(PathTest, ZeroOrientationsWarnOnceAndKeepTheOneBefore) {
  struct Case {
    const char *orientations[3];
    float w[3];       /* the loaded records' w */
    int warnings;
  } cases[] = {
      {{"0 0 0 1", "0 0 0 0", "0 0 0 0"}, {1, 1, 1}, 1},
      {{"0 0 0 0", "0 0 0.6 0.8", "0.001 0 0 0"}, {1, 0.8f, 0.8f}, 1},
      {{"0 0 0.6 0.8", "0 0 0.6 0.8", "0 0 0.6 0.8"}, {0.8f, 0.8f, 0.8f}, 0},
  };
  for (const Case &c : cases) {
    std::string text = "path record v.2\n3\n";
    for (const char *o : c.orientations) text += std::string("Posi 0 0 -5\nOrie ") + o + "\n";
    SCOPED_TRACE(text);
    record_messages();
    VLpath *p = VLpath_read("zero.pth", text.data(), text.size(), nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(fired_count(VLM_PATH_ZERO_ORIENTATION), c.warnings);
    int i = 0;
    for (const VLpathrecord *r = p->first; r; r = r->next, ++i) EXPECT_EQ(r->orientation.w, c.w[i]);
    /* Playing it to the end warns no more. */
    VLpath_play(p);
    for (int frame = 0; frame < 6; ++frame) VLuniverse_go1();
    EXPECT_EQ(fired().size(), size_t(c.warnings));
    VLpath_delete(p);
  }
}

/* ---------- playing ---------- */

TEST_F(PathTest, PlayingMovesTheViewpointThroughTheLoop) {
  VLpath *p = line_path(5);
  VLpath_rewind(p);
  ASSERT_NE(VLmotionlink_new(p, vp, VLSOURCE_PATH, VLTARGET_VIEWPOINT), nullptr);
  VLuniverse_go1();
  EXPECT_EQ(vp->position.x, 0.0f);       /* not playing yet */
  VLpath_play(p);
  EXPECT_TRUE(VLpath_isplaying(p));
  for (int frame = 2; frame <= 5; ++frame) {
    VLuniverse_go1();                    /* advanced before it is applied */
    EXPECT_EQ(vp->position.x, float(frame));
    EXPECT_NEAR(vp->orientation.y, sinf(0.05f * frame), 1e-6f);
  }
  VLuniverse_go1();                      /* the end: record 5 again, stopped */
  EXPECT_EQ(vp->position.x, 5.0f);
  EXPECT_FALSE(VLpath_isplaying(p));
  VLuniverse_go1();
  EXPECT_EQ(vp->position.x, 5.0f);
}

TEST_F(PathTest, EndModesAndSpeed) {
  struct Case {
    uint16_t endmode;
    int speed;
    std::vector<float> seen;   /* x of the record applied, frame by frame */
  } cases[] = {
      {0, 2, {3, 5, 5}},
      {VLPATH_REPEAT, 2, {3, 5, 1, 3}},
      {VLPATH_REPEAT | VLPATH_REVERSE, 2, {3, 5, 5, 3, 1, 1, 3}},
      {0, 0, {2, 3}},
      {0, -1, {1, 1}},
      {VLPATH_REVERSE, 7, {5}},
  };
  for (const Case &c : cases) {
    VLpath *p = line_path(5);
    ASSERT_NE(VLmotionlink_new(p, vp, VLSOURCE_PATH, VLTARGET_VIEWPOINT), nullptr);
    p->endmode = c.endmode;
    p->speed = c.speed;
    VLpath_play(p);
    for (size_t i = 0; i < c.seen.size(); ++i) {
      VLpath_playframe(p);
      EXPECT_EQ(vp->position.x, c.seen[i]) << "mode " << c.endmode << " speed " << c.speed
                                           << " frame " << i;
    }
    if (c.endmode == VLPATH_REVERSE) {
      EXPECT_EQ(p->state, VLPATH_STOPPED);
      EXPECT_EQ(p->direction, VLPATH_BACKWARD);  /* turned round for the next play */
    }
    VLpath_delete(p);
  }
}

TEST_F(PathTest, SingleStepAndWarnings) {
  VLpath *p = line_path(3);
  VLpath_setplaying(p);
  EXPECT_EQ(p->state, VLPATH_STEPPING);
  VLuniverse_go1();
  EXPECT_EQ(vp->position.x, 2.0f);  /* no link: the current viewpoint */
  EXPECT_EQ(p->state, VLPATH_STOPPED);
  VLpath_play(p);
  VLpathrecord_delete(p->current);
  record_messages();
  VLpath_playframe(p);
  EXPECT_EQ(fired_count(VLM_PATH_CURRENT_INVALID), 1);
  VLpath_playframe(nullptr);
  EXPECT_EQ(fired_count(VLM_PATH_INVALID), 1);
  EXPECT_EQ(p->count, 2);
  VLpath *empty = VLpath_new(nullptr);
  VLpath_play(empty);
  EXPECT_FALSE(VLpath_isplaying(empty));
}

TEST_F(PathTest, LockedPositionOnlyTurns) {
  VLpath *p = line_path(3);
  VLmotionlink_new(p, vp, VLSOURCE_PATH, VLTARGET_VIEWPOINT);
  p->locks = VLPATH_LOCKPOSITION;
  VLpath_play(p);
  VLpath_playframe(p);
  EXPECT_EQ(vp->position.x, 0.0f);
  EXPECT_NEAR(vp->orientation.y, sinf(0.1f), 1e-6f);
  p->locks = VLPATH_LOCKORIENTATION | VLPATH_LOCKY;
  VLpath_playframe(p);
  EXPECT_EQ(vp->position.x, 3.0f);
  EXPECT_NEAR(vp->orientation.y, sinf(0.1f), 1e-6f);
}

/* ---------- node targets ---------- */

TEST_F(PathTest, PlacesXformsAndNodePaths) {
  VLnode *sep = VLsepnode_new(root);
  VLnode *x = VLxformnode_new(root);  /* after the Separator: not above its content */
  VLnode *shift = VLxformnode_new(sep);
  float ten[3] = {10, 0, 0};
  VLxformnode_settranslation(shift, ten);
  VLnode *end = VLxformnode_new(sep);
  VLnodelink *chain[2] = {sep->firstlink, end->firstlink};
  VLnodepath np = {chain, 2};
  VLpath *p = line_path(2);
  ASSERT_NE(VLmotionlink_new(p, x, VLSOURCE_PATH, VLTARGET_XFORM), nullptr);
  ASSERT_NE(VLmotionlink_new(p, &np, VLSOURCE_PATH, VLTARGET_NODEPATH), nullptr);
  VLpath_play(p);
  VLpath_playframe(p);
  VLm4 m;
  VLxformnode_getmatrix(x, &m);
  EXPECT_EQ(m.m[12], 2.0f);
  EXPECT_EQ(vp->position.x, 0.0f);  /* links applied: not the viewpoint */
  /* The node path's accumulated transform places its end at the record. */
  ASSERT_TRUE(VLnodepath_gettransform(chain, 2, &m));
  EXPECT_NEAR(m.m[12], 2.0f, 1e-5f);
  EXPECT_NEAR(m.m[13], 0.0f, 1e-5f);
  VLxformnode_getmatrix(end, &m);
  EXPECT_NEAR(m.m[12], -8.0f, 1e-5f);
}

/* ---------- recording ---------- */

namespace {
VLviewpoint *g_walker;
void walk(void) {
  VLp3 pos = g_walker->position;
  pos.z += 1.0f;
  VLviewpoint_setposition(g_walker, &pos);
}
}  // namespace

TEST_F(PathTest, RecordingSamplesEveryInterval) {
  VLpath *p = VLpath_new(nullptr);
  p->interval = 2;
  g_walker = vp;
  VLuniverse_setactions(walk);
  VLpath_record(p, nullptr);
  EXPECT_EQ(p->state, VLPATH_RECORDING);
  for (int i = 0; i < 5; ++i) VLuniverse_go1();
  VLuniverse_setactions(nullptr);
  VLpath_stop(p);
  ASSERT_EQ(p->count, 3);  /* frames 1, 3 and 5 */
  EXPECT_EQ(p->first->position.z, 1.0f);
  EXPECT_EQ(p->first->next->position.z, 3.0f);
  EXPECT_EQ(p->last->position.z, 5.0f);
  VLpathrecord *r = p->first;
  VLpath_addrecord(p, r);   /* already in a path: refused */
  EXPECT_EQ(p->count, 3);
}

TEST_F(PathTest, RecordingFollowsTheLinkTarget) {
  VLnode *x = VLxformnode_new(root);
  float at[3] = {4, 5, 6};
  VLxformnode_settranslation(x, at);
  VLmotionlink *l = VLmotionlink_newany(&sensor_a, x, 0, VLTARGET_XFORM);
  VLpath *p = VLpath_new(nullptr);
  VLpath_record(p, l);
  VLpath_recordframe(p);
  ASSERT_EQ(p->count, 1);
  EXPECT_EQ(p->first->position.y, 5.0f);
  VLmotionlink_delete(l);
  EXPECT_EQ(p->recordlink, nullptr);
}

/* ---------- markers ---------- */

TEST_F(PathTest, MarkersFollowTheRecords) {
  VLpath *p = line_path(3);
  VLgeometry *g = VLgeometry_newblock(0.1f, 0.1f, 0.1f, false);
  p->markergeometry = g;
  int before = VLnode_numchildren(root);
  VLpath_showmarkers(p, true);
  ASSERT_EQ(VLnode_numchildren(root), before + 3);
  VLnode *m = VLnode_getchild(root, before + 1);
  EXPECT_STREQ(VLnode_getname(m), "VLMarker");
  EXPECT_EQ(m->user, p->first->next);
  VLm4 mat;
  VLxformnode_getmatrix(m, &mat);
  EXPECT_EQ(mat.m[12], 2.0f);
  VLp3 pos = {9, 0, 0};
  VLpath_addrecord(p, VLpathrecord_new(&pos, nullptr));
  EXPECT_EQ(VLnode_numchildren(root), before + 4);
  VLpath_showmarkers(p, false);
  EXPECT_EQ(VLnode_numchildren(root), before);

  /* Markers the scene deletes are forgotten. */
  VLpath_showmarkers(p, true);
  VLscene_deleteall(0);
  EXPECT_EQ(_VLmotion().markernodes, 0);
  VLpath_showmarkers(p, false);
  VLpath_delete(p);
  VLgeometry_delete(g);
}
