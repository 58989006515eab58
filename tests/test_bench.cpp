/* The console benchmark as a program: command line, batch files, exit
 * statuses, and the shared operations on the benchmark state. */
#include <gtest/gtest.h>
#include <sys/stat.h>
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
      {"mg\n", 3, 0, 3, 2, true},          /* missing size: 0, refused */
      {"mo back 8\n", 3, -8, 3, 2, true},
      {"mo Front 16\n", 3, 16, 3, 2, true},
      {"mo front\n", 3, 16, 3, 2, true},   /* missing count: 0, refused */
      {"vc off\n", 3, 16, 2, 2, true},
      {"vn off\n", 3, 16, 0, 2, true},
      {"vc on\n", 3, 16, 1, 2, true},
      {"xp\n", 3, 16, 1, 0, true},
      {"xb anything\n", 3, 16, 1, 1, true},
      {"tf t\n", 3, 16, 1, 1, false},
      {"tf x\n", 3, 16, 1, 1, false},      /* other words do nothing */
      {"mx 5\n", 3, 16, 1, 1, false},      /* other second letters do nothing */
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

/* ---------- hostile input ---------- */

namespace {

/* Sanitizer reports (the tests also run in the sanitizer build) and
 * figures that a report must never print. */
void expect_clean(const std::string &out) {
  EXPECT_FALSE(contains(out, "runtime error")) << out;
  EXPECT_FALSE(contains(out, "AddressSanitizer")) << out;
  EXPECT_FALSE(contains(out, "LeakSanitizer")) << out;
  EXPECT_FALSE(std::regex_search(out, std::regex("\\b(-?nan|inf)\\b"))) << out;
}

size_t count_of(const std::string &s, const std::string &what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

std::string temp_dir(void) {
  char path[] = "/tmp/vlx_benchXXXXXX";
  return mkdtemp(path) ? path : "/tmp";
}

}  // namespace

TEST(BenchProgram, SceneSizesOutOfRangeAreRefusedAndTheSceneIsKept) {
  struct Case { const char *line, *message; };
  const Case cases[] = {
      {"mo back -2147483648", "Overwrite layer count -2147483648 refused: counts run from 1 to 10000"},
      {"mo front -2147483648", "Overwrite layer count -2147483648 refused: counts run from 1 to 10000"},
      {"mo front 2147483647", "Overwrite layer count 2147483647 refused: counts run from 1 to 10000"},
      {"mo back 0", "Overwrite layer count 0 refused"},
      {"mo front", "Overwrite layer count 0 refused"},
      {"mo back 10001", "Overwrite layer count 10001 refused"},
      {"mg -2147483648", "Grid size -214748364 refused: sizes run from 1 to 100 (mg 10 to mg 1009)"},
      {"mg 99999999999999999999", "Grid size 922337203685477580 refused"},
      {"mg 20000", "Grid size 2000 refused"},
      {"mg 1010", "Grid size 101 refused"},
      {"mg 0", "Grid size 0 refused"},
      {"mg 9", "Grid size 0 refused"},
      {"mm 1000", "Grid multiplier 1000 refused: multipliers run from 1 to 16"},
      {"mm 2147483647", "Grid multiplier 2147483647 refused"},
      {"mm 0", "Grid multiplier 0 refused"},
      {"mm -1", "Grid multiplier -1 refused"},
      {"mm 17", "Grid multiplier 17 refused"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    std::string f = batch_file(std::string(c.line) + "\nc\n");
    ProgramRun r = run_rendertest("-b" + f);
    unlink(f.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count_of(r.out, c.message), 1u) << r.out;
    EXPECT_TRUE(contains(r.out, "; the scene is kept\n")) << r.out;
    /* The default grid is still shown and measured. */
    EXPECT_TRUE(contains(r.out, "Model: 20 by 20 grid of: quads\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "Batch run complete\n")) << r.out;
    expect_clean(r.out);
  }
}

TEST(BenchProgram, OnlyRegularFilesAreBatchFiles) {
  std::string dir = temp_dir(), fifo = dir + "/fifo.bat";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string &name : {dir, fifo, std::string("/dev/zero"), std::string("/dev/null")}) {
    SCOPED_TRACE(name);
    ProgramRun r = run_command("timeout 60 " + std::string(VLX_BIN_DIR) + "/rendertest -b" +
                               name + " 2>&1");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Not a valid batch file\n");
  }
  unlink(fifo.c_str());
  rmdir(dir.c_str());
}

TEST(BenchProgram, BrokenPathFilesWarnAndTheTerrainReportShowsZeros) {
  const std::string head = "path record v.2\n";
  const std::string rec = "Posi  0 1 -5\nOrie  0 0 0 1\n";
  struct Case { std::string path; const char *warning; };
  const Case cases[] = {
      {head + "3\n" + rec + "Posi  0 1", "Path file 'fly.pth': record 2 of 3 does not read"},
      {head + "many\n" + rec, "Path file 'fly.pth' has no valid record count after its header"},
      {head + "1\nPosi  nan 1 -5\nOrie  0 0 0 1\n", "Path file 'fly.pth': record 1 of 1 does not read"},
      {head + "2\n\x13\xf7\x01\xfe garbage\x80\n", "Path file 'fly.pth': record 1 of 2 does not read"},
  };
  std::string images = std::string(VLX_SOURCE_DIR) + "/bench/data";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.warning);
    std::string dir = temp_dir();
    FILE *p = fopen((dir + "/fly.pth").c_str(), "wb");
    ASSERT_NE(p, nullptr);
    fwrite(c.path.data(), 1, c.path.size(), p);
    fclose(p);
    std::string f = batch_file("mt\nc\n");
    ProgramRun r = run_rendertest_env("VLMODELS=" + dir + " VLIMAGES=" + images, "-b" + f);
    unlink(f.c_str());
    unlink((dir + "/fly.pth").c_str());
    rmdir(dir.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count_of(r.out, c.warning), 1u) << r.out;
    EXPECT_TRUE(contains(r.out, "Model: Terrain\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "Total Frames: 0\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "Average # of polygons/frame: 0.00\n")) << r.out;
    expect_clean(r.out);
  }
}

TEST(BenchProgram, ZeroOrientationsInAPathWarnOnce) {
  std::string dir = temp_dir();
  std::string text = "path record v.2\n40\n";
  for (int i = 0; i < 40; ++i)
    text += "Posi  0 1 " + std::to_string(-10 + i * 0.25) + "\nOrie  0 0 0 " + (i % 2 ? "0" : "1") + "\n";
  FILE *p = fopen((dir + "/fly.pth").c_str(), "wb");
  ASSERT_NE(p, nullptr);
  fwrite(text.data(), 1, text.size(), p);
  fclose(p);
  std::string f = batch_file("mt\nc\n");
  std::string images = std::string(VLX_SOURCE_DIR) + "/bench/data";
  ProgramRun r = run_rendertest_env("VLMODELS=" + dir + " VLIMAGES=" + images, "-b" + f);
  unlink(f.c_str());
  unlink((dir + "/fly.pth").c_str());
  rmdir(dir.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(count_of(r.out, "Path file 'fly.pth': 20 records with a zero orientation keep the "
                            "orientation before them\n"), 1u) << r.out;
  EXPECT_FALSE(contains(r.out, "Invalid quaternion")) << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("Total Frames: [1-9]\\d*\n"))) << r.out;
  expect_clean(r.out);
}

TEST_F(BenchState, SceneLimitsAcceptTheirLargestValues) {
  struct Step { const char *line; int grid; int multiplier; int overwrite; };
  const Step steps[] = {
      {"mg 1009\n", 100, 1, 0},
      {"mg 1010\n", 100, 1, 0},      /* refused */
      {"mg 10\n", 1, 1, 0},
      {"mm 16\n", 1, 16, 0},
      {"mm 17\n", 1, 16, 0},         /* refused */
      {"mo back 10000\n", 1, 16, -10000},
      {"mo front 10001\n", 1, 16, -10000},   /* refused */
  };
  for (const Step &s : steps) {
    char line[80];
    snprintf(line, sizeof line, "%s", s.line);
    ASSERT_TRUE(batch_line(line)) << s.line;
    EXPECT_EQ(bench().gridsize, s.grid) << s.line;
    EXPECT_EQ(bench().multiplier, s.multiplier) << s.line;
    EXPECT_EQ(bench().overwritecount, s.overwrite) << s.line;
  }
}
