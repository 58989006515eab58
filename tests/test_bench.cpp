/* The console benchmark as a program: command line, batch files, exit
 * statuses, and the shared operations on the benchmark state. */
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "bench.h"
#include "support/messages.h"
#include "support/process.h"
#include "vlx/universe.h"

namespace {

ProgramRun run_rendertest_env(const std::string &env, const std::string &args) {
  return run_command(env + " " + std::string(VLX_BIN_DIR) + "/rendertest " + args + " 2>&1");
}

ProgramRun run_rendertest(const std::string &args) { return run_rendertest_env("", args); }

/* Writes a batch file into a fresh temporary file and returns its path. */
std::string batch_file(const std::string &text) {
  char path[] = "/tmp/vlx_batchXXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return "";
  ssize_t w = write(fd, text.data(), text.size());
  close(fd);
  return w == static_cast<ssize_t>(text.size()) ? path : "";
}

bool contains(const std::string &s, const std::string &what) {
  return s.find(what) != std::string::npos;
}

}  // namespace

TEST(BenchProgram, UnopenableBatchFileStopsBeforeTheUniverse) {
  for (const char *opt : {"-bmissing.bat", "-Bmissing.bat"}) {
    ProgramRun r = run_rendertest(opt);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Not a valid batch file\n");
  }
}

TEST(BenchProgram, BatchRunEndsWithCompletionAndStatusOne) {
  std::string f = batch_file("; warm-up\nMG 20\nrl on\n\n  \nxb\nmo front 16\nrw on\nrt on\n");
  ProgramRun r = run_rendertest("ignored -x -b" + f + " other");
  unlink(f.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Release 6 (Sep  3 1996)\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "; warm-up\n\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Batch run complete\n")) << r.out;
  EXPECT_FALSE(contains(r.out, "Unknown")) << r.out;
}

TEST(BenchProgram, RunsOffScreenAndNamesTheDevice) {
  std::string f = batch_file("rl on\n");
  ProgramRun r = run_rendertest("-b" + f);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "D3D version\n3D device: ")) << r.out;
  EXPECT_TRUE(contains(r.out, "Batch run complete\n")) << r.out;
  /* Without any EGL vendor there is no device: a clear message, status 1. */
  r = run_rendertest_env("__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json", "-b" + f);
  unlink(f.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "No 3D device")) << r.out;
  EXPECT_FALSE(contains(r.out, "Batch run complete")) << r.out;
}

TEST(BenchProgram, LastLineMeasurementReportsBeforeTheRunEnds) {
  std::string f = batch_file("mg 10\nc");   /* no newline after the last line */
  ProgramRun r = run_rendertest("-b" + f);
  unlink(f.c_str());
  EXPECT_EQ(r.status, 1);
  size_t report = r.out.find("Model: 10 by 10 grid of: quads\n");
  size_t done = r.out.find("Batch run complete\n");
  ASSERT_NE(report, std::string::npos) << r.out;
  ASSERT_NE(done, std::string::npos) << r.out;
  EXPECT_LT(report, done);
  EXPECT_NE(r.out.find("Polygons in last frame: 100\n"), std::string::npos) << r.out;
}

TEST(BenchProgram, UnknownCommandEndsTheRun) {
  std::string f = batch_file("rl on\nq\nrl off\n");
  ProgramRun r = run_rendertest("-b" + f);
  unlink(f.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Unknown batch command: q\n")) << r.out;
  EXPECT_FALSE(contains(r.out, "Batch run complete")) << r.out;
}

TEST(BenchProgram, LongLinesArriveInPieces) {
  /* 79 characters fill one read; the rest of the line is a line of its own. */
  std::string f = batch_file("; " + std::string(77, 'x') + "zz\n");
  ProgramRun r = run_rendertest("-b" + f);
  unlink(f.c_str());
  EXPECT_TRUE(contains(r.out, "; " + std::string(77, 'x') + "\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Unknown batch command: zz\n")) << r.out;
}

/* ---------- shared operations, inside a universe ---------- */

class BenchState : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    bench() = Bench();
    VLuniverse_setrendering(12);
  }
};

TEST_F(BenchState, RenderingCommandsEndInTheRequestedState) {
  VLuniverse *u = VLuniverse_current();
  struct Step { const char *line; uint8_t universe; uint8_t flags; bool wire; };
  const Step steps[] = {
      {"rl on\n", 12, 12, false},   /* already on: stays on */
      {"RL OFF\n", 8, 8, false},
      {"rt yn\n", 9, 9, false},     /* "on" is its second letter */
      {"rw on\n", 128, 137, true},
      {"rt on\n", 128, 137, true},  /* texturing bit set, still wireframe */
      {"rw off\n", 9, 9, false},
      {"rs\n", 1, 1, false},        /* no argument: off */
  };
  for (const Step &s : steps) {
    char line[80];
    snprintf(line, sizeof line, "%s", s.line);
    ASSERT_TRUE(batch_line(line)) << s.line;
    EXPECT_EQ(u->rendering, s.universe) << s.line;
    EXPECT_EQ(bench().rendering, s.flags) << s.line;
    EXPECT_EQ(bench().wireframe, s.wire) << s.line;
  }
}

TEST_F(BenchState, WireframeToggleAlwaysSets128FromSolid) {
  bench().rendering = 0x2d;
  bench_togglerendering(TOGGLE_WIREFRAME);
  EXPECT_EQ(VLuniverse_current()->rendering, 128);
  bench_togglerendering(TOGGLE_WIREFRAME);
  EXPECT_EQ(VLuniverse_current()->rendering, 0x2d);
  bench_togglerendering(55);  /* unknown code: the byte unchanged */
  EXPECT_EQ(VLuniverse_current()->rendering, 0x2d);
}

TEST_F(BenchState, SettingCommandsAndTheirMissingArguments) {
  struct Step { const char *line; int grid; int overwrite; uint8_t vflags; int tmode; bool quads; };
  const Step steps[] = {
      {"mg 30\n", 3, 0, 3, 2, true},
      {"mg\n", 0, 0, 3, 2, true},          /* missing size: size 0 */
      {"mo back 8\n", 0, -8, 3, 2, true},
      {"mo Front 16\n", 0, 16, 3, 2, true},
      {"vc off\n", 0, 16, 2, 2, true},
      {"vn off\n", 0, 16, 0, 2, true},
      {"vc on\n", 0, 16, 1, 2, true},
      {"xp\n", 0, 16, 1, 0, true},
      {"xb anything\n", 0, 16, 1, 1, true},
      {"tf t\n", 0, 16, 1, 1, false},
      {"tf x\n", 0, 16, 1, 1, false},      /* other words do nothing */
      {"mx 5\n", 0, 16, 1, 1, false},      /* other second letters do nothing */
  };
  for (const Step &s : steps) {
    char line[80];
    snprintf(line, sizeof line, "%s", s.line);
    ASSERT_TRUE(batch_line(line)) << s.line;
    EXPECT_EQ(bench().gridsize, s.grid) << s.line;
    EXPECT_EQ(bench().overwritecount, s.overwrite) << s.line;
    EXPECT_EQ(bench().vertexflags, s.vflags) << s.line;
    EXPECT_EQ(bench().texturemode, s.tmode) << s.line;
    EXPECT_EQ(bench().quads, s.quads) << s.line;
  }
  char unknown[] = "q\n";
  EXPECT_FALSE(batch_line(unknown));
}

/* ---------- the quick batch end to end ---------- */

namespace {

std::vector<std::string> lines_of(const std::string &s) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= s.size()) {
    size_t nl = s.find('\n', at);
    if (nl == std::string::npos) nl = s.size();
    out.push_back(s.substr(at, nl - at));
    at = nl + 1;
  }
  return out;
}

/* Matches lines from i on against patterns; a pattern starting with "?"
 * is optional. Returns the index after the last matched line, or -1. */
int match_block(const std::vector<std::string> &lines, size_t i,
                const std::vector<std::string> &patterns) {
  for (const std::string &p : patterns) {
    bool optional = p[0] == '?';
    std::regex re(optional ? p.substr(1) : p);
    if (i < lines.size() && std::regex_match(lines[i], re)) {
      ++i;
    } else if (!optional) {
      ADD_FAILURE() << "line " << i << " \"" << (i < lines.size() ? lines[i] : "<end>")
                    << "\" does not match " << p;
      return -1;
    }
  }
  return int(i);
}

const char *kNum = "-?(\\d+\\.\\d+|inf|nan|-nan)";

}  // namespace

TEST(BenchProgram, QuickBatchPrintsEveryReportInItsFormat) {
  std::string data = std::string(VLX_SOURCE_DIR) + "/bench/data";
  std::string env = "VLMODELS=" + data + " VLIMAGES=" + data + " VLXOFFSCREEN=1";
  ProgramRun r = run_rendertest_env(env, "-b" + std::string(VLX_SOURCE_DIR) +
                                             "/bench/batch/quick.bat");
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> lines = lines_of(r.out);
  const std::string num = kNum;
  const std::vector<std::string> settings_solid = {
      "Prebuild (On|Off)",
      "Solid: Lighting (On|Off)\tSmooth Shading (On|Off)\tTexturing (On|Off)",
      "Perspective Texturing (On|Off)", "Texture mode: (POINT|BILINEAR|MIPMAP)"};
  auto report_a = [&](const std::string &model, bool grid) {
    std::vector<std::string> p = {"", "-{39}", "Model: " + model, "Elapsed Time\\(sec\\): " + num,
                                  "Render Area Height\\(pixels\\): 480 Width\\(pixels\\): 640",
                                  "Pixels/window: 307200", "# of Polygons: \\d+",
                                  grid ? "Pixels/Poly: " + num : "Pixels/Poly: 307200", "",
                                  "Framerate\\(frames/sec\\): " + num};
    if (grid) p.push_back("Polygons/Sec: " + num);
    p.push_back("Megapixels/Sec: -?(\\d+\\.\\d{2}|\\d\\.\\d{4}|inf|nan)");
    p.push_back("?Texture memory\\(bytes\\): \\d+");
    p.push_back("Polygons in last frame: \\d+");
    p.push_back("Vertex: Normals (On|Off)\tColors (On|Off)");
    p.insert(p.end(), settings_solid.begin(), settings_solid.end());
    p.push_back("-{39}");
    p.push_back("?WARNING High Frame Rate: Quantatization effects could make the");
    p.push_back("?                         results misleading\\.");
    p.push_back("?-{39}");
    p.push_back("\\*{43}");
    return p;
  };
  auto report_b = [&](const std::string &model) {
    std::vector<std::string> p = {"Model: " + model, "Elapsed Time\\(sec\\): " + num,
                                  "Total # of polys drawn: \\d+",
                                  "Average # of polygons/frame: " + num,
                                  "Average # of polyogons/sec: " + num, "Total Frames: \\d+",
                                  "Framerate\\(frames/sec\\): " + num,
                                  "?Texture memory\\(bytes\\): \\d+"};
    p.insert(p.end(), settings_solid.begin(), settings_solid.end());
    p.push_back("Polygons in last frame: \\d+");
    p.push_back("-{39}");
    p.push_back("?WARNING High Frame Rate: Quantatization effects could make the");
    p.push_back("?                         results misleading\\. \\?\\?\\? does this go here too\\?");
    p.push_back("?-{39}");
    p.push_back("\\*{43}");
    return p;
  };
  struct Expect { const char *first; std::vector<std::string> block; };
  const Expect expects[] = {
      {"; A 20 by 20 grid", report_a("20 by 20 grid of: quads", true)},
      {"; Two full-window", report_a("Overiting\t2 polygons Back->Front", false)},
      {"; The ripple", report_b("Ripple")},
      {"; The terrain", report_b("Terrain")},
  };
  size_t i = 0;
  for (const Expect &e : expects) {
    while (i < lines.size() && lines[i].rfind(e.first, 0) != 0) ++i;
    ASSERT_LT(i, lines.size()) << "missing comment " << e.first << "\n" << r.out;
    i += 2;   /* the comment and its empty line */
    while (i < lines.size() && lines[i] != "" && lines[i].rfind("Model:", 0) != 0) ++i;
    int next = match_block(lines, i, e.block);
    ASSERT_GE(next, 0) << r.out;
    i = size_t(next);
  }
  EXPECT_NE(r.out.find("Batch run complete\n"), std::string::npos);
}
