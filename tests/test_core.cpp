/* Core family: diagnostics and memory, the universe, the simulation loop,
 * the frame clock and the task list. */
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/state.h"
#include "universe/tasks.h"
#include "universe/universe_internal.h"
#include "support/messages.h"
#include "vlx/diag.h"
#include "vlx/universe.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

/* ---------- diagnostics ---------- */

TEST(CoreMessages, LevelsHaveTheirPrefixesAndDestinations) {
  CaptureStdout();
  VLmsg_warning("x %d\n", 3);
  VLmsg_info("plain %s", "text");
  VLmsg_info(" continues\n");
  VLmsg_debug("never %s\n", "printed");
  EXPECT_EQ(GetCapturedStdout(), "VLX Warning: x 3\nplain text continues\n");
}

TEST(CoreMessages, ComposedTextIsCutAt511Characters) {
  std::string longtext(600, 'a');
  record_messages();
  CaptureStdout();
  VLmsg_warning("%s", longtext.c_str());
  std::string out = GetCapturedStdout();
  stop_recording();
  EXPECT_EQ(out.size(), 511u);
  EXPECT_EQ(out.substr(0, 13), "VLX Warning: ");
  ASSERT_EQ(fired().size(), 1u);
  EXPECT_EQ(fired()[0].level, VLMSG_WARNING);
  EXPECT_EQ(fired()[0].text, out);
}

TEST(CoreMessages, CaptureNamesTheCatalogueText) {
  record_messages();
  CaptureStdout();
  VLMSG(PORTAL_FAILED, "x.wrl");
  GetCapturedStdout();
  stop_recording();
  EXPECT_EQ(fired_count(VLM_PORTAL_FAILED), 1);
  EXPECT_EQ(fired()[0].text, "VLX Warning: Couldn't portal to universe x.wrl\n");
}

/* The one test of the catalogue's texts: every entry, its level and its
 * exact text against the listing in tests/data/messages.txt (one line per
 * entry: name, level, the text with "\n" and "\t" written out). A changed
 * text fails here; every other test checks identifiers. After a deliberate
 * change, VLX_UPDATE_MESSAGES=1 rewrites the listing. */
TEST(CoreMessages, EveryCatalogueTextOnce) {
  auto escaped = [](const char *t) {
    std::string out;
    for (; *t; ++t) {
      if (*t == '\n') out += "\\n";
      else if (*t == '\t') out += "\\t";
      else out += *t;
    }
    return out;
  };
  const char *levels[] = {"", "FATAL", "WARNING", "INFO", "DEBUG", "ERROR"};
  std::string listing;
  std::vector<std::string> names;
  for (int i = 0; i < VLM_COUNT; ++i) {
    const VLmsgdef &m = g_vlmessages[i];
    ASSERT_GE(m.level, 1);
    ASSERT_LE(m.level, 5);
    names.push_back(m.name);
    listing += std::string(m.name) + " " + levels[m.level] + " " + escaped(m.text) + "\n";
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "a name twice";
  const std::string path = std::string(VLX_TEST_DATA) + "/messages.txt";
  if (getenv("VLX_UPDATE_MESSAGES")) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(listing.data(), 1, listing.size(), f);
    fclose(f);
  }
  FILE *f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr) << path;
  std::string expected;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) expected.append(buf, n);
  fclose(f);
  EXPECT_EQ(listing, expected);
}

using UniverseFatalDeathTest = UniverseTest;

TEST(CoreFatalDeathTest, FatalPrintsToStandardErrorAndExitsMinusOne) {
  _VLcore_reset();
  EXPECT_EXIT(VLmsg_fatal("boom %d", 7), testing::ExitedWithCode(255), "VLX-ERROR: boom 7");
}

namespace {
bool g_teardown_reached = false;
void fatal_during_teardown(void) {
  /* A second fatal error raised by the teardown is ignored. */
  VLmsg_fatal("second");
  g_teardown_reached = true;
  fprintf(stderr, "teardown went on\n");
}
}  // namespace

TEST_F(UniverseFatalDeathTest, FatalTearsDownTheUniverseAndIgnoresReentry) {
  _VLuniverse_setglobalunload(fatal_during_teardown);
  EXPECT_EXIT(VLmsg_fatal("first"), testing::ExitedWithCode(255),
              "VLX-ERROR: first\n(.|\n)*teardown went on");
  _VLuniverse_setglobalunload(nullptr);
  EXPECT_FALSE(g_teardown_reached);  /* only the child process ran it */
}

TEST(CoreFatalDeathTest, ExhaustedMemoryIsFatal) {
  _VLcore_reset();
  EXPECT_EXIT(VLmalloc(SIZE_MAX), testing::ExitedWithCode(255), "OUT OF MEMORY!");
  void *p = VLmalloc(16);
  EXPECT_EXIT(VLrealloc(p, SIZE_MAX), testing::ExitedWithCode(255), "OUT OF MEMORY!");
  free(p);
}

/* ---------- memory and strings ---------- */

TEST(CoreMemory, StringHelpers) {
  char *empty = VLstrdup("");
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  free(empty);
  EXPECT_EQ(VLstrdup(nullptr), nullptr);

  char mixed[] = "MiXeD 1.WRL";
  EXPECT_EQ(VLstrlower(mixed), mixed);
  EXPECT_STREQ(mixed, "mixed 1.wrl");
  EXPECT_EQ(VLstrlower(nullptr), nullptr);

  void *zero = VLmalloc(0);
  EXPECT_NE(zero, nullptr);
  free(zero);
}

TEST(CoreMemory, WaitCursorIsHarmlessWithoutADisplay) {
  VLcursor_wait(VLCURSOR_WAIT);
  VLcursor_wait(VLCURSOR_RESTORE);
  VLcursor_wait(reinterpret_cast<void *>(0x1234));
  VLcursor_wait(VLCURSOR_RESTORE);
}

/* ---------- the frame clock ---------- */

namespace {
int64_t g_now = 0;
int64_t fake_clock(void) { return g_now; }
}  // namespace

TEST(CoreClock, ElapsedFirstCallAndSameMillisecond) {
  _VLcore_reset();
  _VLclock_setsource(fake_clock);
  g_now = 1000;
  EXPECT_DOUBLE_EQ(VLclock_elapsed(), -1.0);
  EXPECT_DOUBLE_EQ(VLclock_elapsed(), 0.004);   /* same millisecond */
  g_now = 1250;
  EXPECT_DOUBLE_EQ(VLclock_elapsed(), 0.25);
  g_now = 1251;
  EXPECT_NEAR(VLclock_elapsed(), 0.001, 1e-12);
  EXPECT_DOUBLE_EQ(VLclock_seconds(), 1.251);
  _VLcore_reset();
}

/* ---------- the universe ---------- */

TEST(CoreUniverse, CreationPrintsTheBannerAndSetsDefaults) {
  _VLcore_reset();
  CaptureStdout();
  VLuniverse_new(1, 0);
  std::string out = GetCapturedStdout();
  VLuniverse *u = VLuniverse_current();
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(out.rfind("Vylmar VLX Release 6 (Sep  3 1996)\n", 0), 0u) << out;
  EXPECT_NE(out.find("D3D version\n"), std::string::npos);
  EXPECT_STREQ(u->name, "untitled");
  EXPECT_EQ(u->rendering, 13);
  EXPECT_EQ(u->portalsenabled, 1);
  EXPECT_EQ(u->ready, VLRENDERER_READY);
  EXPECT_EQ(u->nevents, 4);
  EXPECT_EQ(std::vector<int>(u->events, u->events + 4), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_FLOAT_EQ(u->ambient, 0.4f);
  EXPECT_EQ(u->ambientrgb[0], 255);
  EXPECT_EQ(u->bgcolor, 0x0000FFu);
  EXPECT_EQ(u->framecount, 0u);
  VLuniverse_delete();
  EXPECT_EQ(VLuniverse_current(), nullptr);
  VLuniverse_delete();  /* nothing left: harmless */
  _VLcore_reset();
}

TEST(CoreUniverse, WindowedBuildHasItsOwnDateAndVersionLine) {
  _VLcore_reset();
  VLtoolkit_setprogram(VLPROGRAM_WINDOWED);
  CaptureStdout();
  VLuniverse_new(512, 0);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("Release 6 (Sep 11 1996)\n"), std::string::npos);
  EXPECT_NE(out.find("Direct3D version\n"), std::string::npos);
  VLuniverse_delete();
  _VLcore_reset();
}

TEST_F(UniverseTest, SetBgColorPacksRGB) {
  VLuniverse_setbgcolor(0x12, 0x34, 0x56);
  EXPECT_EQ(VLuniverse_current()->bgcolor, 0x123456u);
}

TEST_F(UniverseTest, LoadRejectsNonsensicalScale) {
  VLbounds b;
  EXPECT_FALSE(VLuniverse_load(nullptr, &b, 1.0f));
  EXPECT_FALSE(VLuniverse_load("x.nff", &b, 1e-21f));
  EXPECT_EQ(fired_count(VLM_BAD_SCALE), 1);
}

namespace {
int g_unloaded = 0;
void count_unload(void) { ++g_unloaded; }
}  // namespace

TEST_F(UniverseTest, ClearCallsTheUnloadFunctionOfItsNameAndRenames) {
  VLuniverse *u = VLuniverse_current();
  free(u->name);
  u->name = VLstrdup("Room.NFF");
  _VLuniverse_registerunload("room.nff", count_unload);
  _VLuniverse_registerunload("other.nff", count_unload);
  g_unloaded = 0;
  VLuniverse_clear();
  EXPECT_EQ(g_unloaded, 1);
  EXPECT_STREQ(u->name, "untitled");
}

/* ---------- rendering options ---------- */

TEST_F(UniverseTest, RenderingOptionsStorageAndOneFrameChange) {
  VLuniverse *u = VLuniverse_current();
  struct Case { uint8_t set; uint8_t stored; bool changed; };
  const Case cases[] = {
      {200, 128, true},   /* 13 -> wireframe */
      {128, 128, false},  /* wireframe -> wireframe */
      {12, 12, true},     /* back to solid */
      {13, 13, false},
  };
  for (const Case &c : cases) {
    u->unchanged = 1;
    VLuniverse_setrendering(c.set);
    EXPECT_EQ(u->rendering, c.stored) << int(c.set);
    EXPECT_EQ(u->renderchanged, c.changed) << int(c.set);
    EXPECT_EQ(u->unchanged, 0);
    VLuniverse_go1();
    EXPECT_EQ(u->prevrenderchanged, c.changed);
    EXPECT_EQ(u->renderchanged, 0);  /* changed for exactly one frame */
    VLuniverse_go1();
    EXPECT_EQ(u->prevrenderchanged, 0);
  }
}

/* ---------- the loop ---------- */

namespace {
std::vector<std::string> g_trace;
int g_stop_after = 0;

void trace_task(void *) { g_trace.push_back("task"); }

void action_trace(void) {
  g_trace.push_back("action");
  if (g_stop_after && VLuniverse_current()->framecount == static_cast<uint32_t>(g_stop_after))
    VLuniverse_stop();
}

void action_reenter(void) {
  g_trace.push_back("action");
  VLuniverse_go1();
  VLuniverse_go();
  VLuniverse_stop();
}
}  // namespace

TEST_F(UniverseTest, Go1RunsOneFrameEachCall) {
  VLuniverse *u = VLuniverse_current();
  g_trace.clear();
  g_stop_after = 0;
  VLuniverse_setactions(action_trace);
  VLuniverse_go1();
  VLuniverse_go1();
  EXPECT_EQ(u->framecount, 2u);
  EXPECT_EQ(g_trace.size(), 2u);
  EXPECT_EQ(u->running, 0);
  EXPECT_EQ(u->unchanged, 1);
}

TEST_F(UniverseTest, StopInsideTheActionFinishesTheFrame) {
  VLuniverse *u = VLuniverse_current();
  g_trace.clear();
  g_stop_after = 3;
  _VLtask_new(trace_task, nullptr, 0, nullptr);
  VLuniverse_setactions(action_trace);
  VLuniverse_go();
  EXPECT_EQ(u->framecount, 3u);
  /* Event 3 runs after the action in every frame, the stopping one too. The
   * task queued before the first frame joins at the first run. */
  EXPECT_EQ(g_trace, (std::vector<std::string>{"action", "task", "action", "task",
                                               "action", "task"}));
  EXPECT_EQ(u->unchanged, 1);  /* the end-of-frame steps ran */
  EXPECT_EQ(u->running, 0);
}

TEST_F(UniverseTest, ReentryWarnsAndDoesNothing) {
  VLuniverse *u = VLuniverse_current();
  g_trace.clear();
  VLuniverse_setactions(action_reenter);
  VLuniverse_go1();
  EXPECT_EQ(u->framecount, 1u);
  EXPECT_EQ(fired_count(VLM_GO1_REENTRANT), 1);
  EXPECT_EQ(fired_count(VLM_GO_REENTRANT), 1);
  EXPECT_EQ(fired()[0].text, "VLX Warning: Function VLuniverse_go1 is not reentrant.\n");
  /* Inside VLuniverse_go as well: the action's nested go and go1 refuse. */
  record_messages();
  VLuniverse_go();
  EXPECT_EQ(u->framecount, 2u);
  EXPECT_EQ(fired_count(VLM_GO1_REENTRANT), 1);
  EXPECT_EQ(fired_count(VLM_GO_REENTRANT), 1);
}

TEST_F(UniverseTest, SetActionsNullInstallsTheDoNothingAction) {
  VLuniverse_setactions(nullptr);
  VLuniverse_go1();
  EXPECT_EQ(VLuniverse_current()->framecount, 1u);
}

TEST(CoreLoop, FrameRateRingMeasuresThirtyFramesAndSkipsZeroIntervals) {
  _VLcore_reset();
  _VLclock_setsource(fake_clock);
  g_now = 5000;
  CaptureStdout();
  VLuniverse_new(1, 0);
  GetCapturedStdout();
  VLuniverse *u = VLuniverse_current();
  /* The ring holds the creation time: the first frames measure from it. */
  g_now = 5100;
  VLuniverse_go1();
  EXPECT_FLOAT_EQ(u->framerate, 300.0f);
  /* A frame in the same millisecond as the slot it would replace: no
   * division by zero, the rate and the ring stay. */
  _VLcore().ring[_VLcore().ringindex] = g_now;
  float before = u->framerate;
  int index = _VLcore().ringindex;
  VLuniverse_go1();
  EXPECT_FLOAT_EQ(u->framerate, before);
  EXPECT_EQ(_VLcore().ringindex, index);
  /* After 30 more frames 10 ms apart, the rate is 30 frames over 300 ms. */
  for (int i = 0; i < 30; ++i) {
    g_now += 10;
    VLuniverse_go1();
  }
  EXPECT_FLOAT_EQ(u->framerate, 100.0f);
  VLuniverse_delete();
  _VLcore_reset();
}

TEST(CoreTasks, RunInPriorityOrderAndJoinAtTheNextRun) {
  _VLcore_reset();
  static std::vector<int> order;
  order.clear();
  struct Adder {
    static void run(void *arg) {
      int v = static_cast<int>(reinterpret_cast<intptr_t>(arg));
      order.push_back(v);
      if (v == 1 && order.size() == 1) _VLtask_new(run, reinterpret_cast<void *>(0), -5, nullptr);
    }
  };
  int key = 0;
  _VLtask_new(Adder::run, reinterpret_cast<void *>(3), 3, &key);
  _VLtask_new(Adder::run, reinterpret_cast<void *>(1), 1, nullptr);
  _VLtask_new(Adder::run, reinterpret_cast<void *>(2), 2, nullptr);
  _VLtasks_run();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));  /* the task added meanwhile waits */
  _VLtasks_markdeleted(&key);
  order.clear();
  _VLtasks_run();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  _VLtasks_clear();
  _VLcore_reset();
}
