/* The windowed benchmark as a program, run under a virtual X server
 * (xvfb-run) as a subprocess; skipped where rendertestw was not built or
 * xvfb-run is missing. Menu commands come from the program's test script
 * (VLXW_SCRIPT), menu states from its trace (VLXW_TRACE), pictures from
 * its "@snap" (child window) and "@shot" (whole frame) steps. */
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "support/process.h"

namespace {

using Outcome = ProgramRun;

std::string windowed_program(void) { return std::string(VLX_BIN_DIR) + "/rendertestw"; }

bool can_run(std::string *why) {
  if (access(windowed_program().c_str(), X_OK) != 0) {
    *why = "rendertestw was not built";
    return false;
  }
  if (system("command -v xvfb-run >/dev/null 2>&1") != 0) {
    *why = "xvfb-run is not installed";
    return false;
  }
  return true;
}

#define SKIP_WITHOUT_XVFB()                 \
  do {                                      \
    std::string why_;                       \
    if (!can_run(&why_)) GTEST_SKIP() << why_; \
  } while (0)

/* Standard output of a command (Qt's own notices on standard error are
 * dropped) and its exit status. */
Outcome run_quiet(const std::string &cmd) { return run_command(cmd + " 2>/dev/null"); }

/* rendertestw under xvfb-run with environment assignments and arguments.
 * Tests run in parallel processes: each starts its search for a free
 * display at its own number, so two servers do not race for one. */
Outcome run_windowed(const std::string &env, const std::string &args) {
  std::string first = std::to_string(200 + getpid() % 500);
  return run_quiet("timeout 120 xvfb-run -a -n " + first + " env -u VLXOFFSCREEN " + env +
                     " " + windowed_program() + " " + args);
}

/* The same with standard error too (sanitizer reports go there). */
Outcome run_windowed_all(const std::string &env, const std::string &args) {
  std::string first = std::to_string(200 + getpid() % 500);
  return run_command("timeout 120 xvfb-run -a -n " + first + " env -u VLXOFFSCREEN " + env + " " +
                     windowed_program() + " " + args + " 2>&1");
}

bool sanitizers_quiet(const std::string &out) {
  return out.find("runtime error") == std::string::npos &&
         out.find("AddressSanitizer") == std::string::npos &&
         out.find("LeakSanitizer") == std::string::npos;
}

/* Width and height from a report A's render area line; false when none. */
bool report_area(const std::string &out, int *w, int *h) {
  std::smatch m;
  if (!std::regex_search(out, m, std::regex("Render Area Height\\(pixels\\): (\\d+) Width\\(pixels\\): (\\d+)\n")))
    return false;
  *h = std::stoi(m[1]);
  *w = std::stoi(m[2]);
  return true;
}

std::string data_dir(void) { return std::string(VLX_SOURCE_DIR) + "/bench/data"; }

/* A fresh temporary directory (for pictures and an empty model path). */
std::string temp_dir(void) {
  char path[] = "/tmp/vlx_windowedXXXXXX";
  return mkdtemp(path) ? path : "/tmp";
}

std::string batch_file(const std::string &text) {
  std::string path = temp_dir() + "/test.bat";
  std::ofstream(path) << text;
  return path;
}

bool contains(const std::string &s, const std::string &what) {
  return s.find(what) != std::string::npos;
}

std::vector<std::string> lines_of(const std::string &s) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < s.size()) {
    size_t nl = s.find('\n', at);
    if (nl == std::string::npos) nl = s.size();
    out.push_back(s.substr(at, nl - at));
    at = nl + 1;
  }
  return out;
}

/* ---------- pictures ---------- */

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

/* A binary PPM (P6, maximum 255) as Qt writes it. */
Picture read_ppm(const std::string &path) {
  Picture p;
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  f >> magic >> p.width >> p.height >> maxval;
  f.get();
  if (magic != "P6" || maxval != 255 || p.width <= 0 || p.height <= 0) return Picture();
  p.rgb.resize(size_t(p.width) * size_t(p.height) * 3);
  f.read(reinterpret_cast<char *>(p.rgb.data()), std::streamsize(p.rgb.size()));
  if (!f) return Picture();
  return p;
}

/* The share of pixels in the top-left w x h area that are not black. */
double coverage(const Picture &p, int w, int h) {
  if (p.width < w || p.height < h || w <= 0 || h <= 0) return 0.0;
  long lit = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned char *c = &p.rgb[(size_t(y) * size_t(p.width) + size_t(x)) * 3];
      if (c[0] > 16 || c[1] > 16 || c[2] > 16) ++lit;
    }
  return double(lit) / (double(w) * double(h));
}

/* Width and height from a PNG's header chunk. */
bool png_size(const std::string &path, int *w, int *h) {
  std::ifstream f(path, std::ios::binary);
  unsigned char b[24];
  if (!f.read(reinterpret_cast<char *>(b), sizeof b)) return false;
  if (b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return false;
  *w = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
  *h = (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23];
  return true;
}

/* ---------- menu traces ---------- */

struct Trace {
  std::string event, line;
};

/* Lines "menus after "EVENT": Key{text|1} ..." in output order. */
std::vector<Trace> traces_of(const std::string &out) {
  std::vector<Trace> t;
  const std::string head = "menus after \"";
  for (const std::string &l : lines_of(out)) {
    if (l.compare(0, head.size(), head) != 0) continue;
    size_t end = l.find("\":", head.size());
    if (end != std::string::npos) t.push_back({l.substr(head.size(), end - head.size()), l});
  }
  return t;
}

/* "text|1" (enabled) or "text|0" (grayed) for one item of a trace line. */
std::string item_state(const std::string &line, const std::string &key) {
  size_t at = line.find(" " + key + "{");
  if (at == std::string::npos) return "<missing>";
  at += key.size() + 2;
  size_t end = line.find('}', at);
  return end == std::string::npos ? "<broken>" : line.substr(at, end - at);
}

struct Expect {
  const char *key, *state;
};

struct Step {
  const char *event;               /* the traced event after the step */
  std::vector<Expect> expect;
};

}  // namespace

TEST(Windowed, StartsWithTheGridInAChildWindowOfTheRequestedSize) {
  SKIP_WITHOUT_XVFB();
  struct Case {
    const char *args;
    int width, height;
  };
  /* Below 100 pixels an edge is raised to the smallest render area. */
  const Case cases[] = {{"", 640, 480}, {"320 240", 320, 240}, {"400", 400, 480},
                        {"1 1", 100, 100}, {"50 50", 100, 100}, {"99 99", 100, 100},
                        {"101 7", 101, 100}, {"abc 300", 640, 300}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    std::string dir = temp_dir();
    Outcome r = run_windowed_all("VLMODELS=" + data_dir() + " VLIMAGES=" + data_dir() +
                                 " VLXW_SCRIPT='@wait=2|@snap=" + dir + "/view.ppm|@shot=" + dir +
                                 "/frame.png|Measure|Exit'",
                             c.args);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(sanitizers_quiet(r.out)) << r.out;
    EXPECT_TRUE(contains(r.out, "Direct3D version\n"));
    /* The child window is exactly the render area... */
    Picture view = read_ppm(dir + "/view.ppm");
    EXPECT_EQ(view.width, c.width);
    EXPECT_EQ(view.height, c.height);
    /* ...and the grid fills it: no black bands at the right or bottom. */
    EXPECT_GT(coverage(view, c.width, c.height), 0.6);
    EXPECT_GT(coverage(view, c.width, c.height / 4), 0.6);
    /* The frame adds only the menu bar above it. */
    int fw = 0, fh = 0;
    ASSERT_TRUE(png_size(dir + "/frame.png", &fw, &fh));
    EXPECT_EQ(fw, c.width);
    EXPECT_GT(fh, c.height);
    EXPECT_LT(fh, c.height + 80);
    /* The report measures what was rendered. */
    int rw = 0, rh = 0;
    ASSERT_TRUE(report_area(r.out, &rw, &rh)) << r.out;
    EXPECT_EQ(rw, c.width);
    EXPECT_EQ(rh, c.height);
  }
}

TEST(Windowed, AResizedFrameRendersAndReportsItsChildsSize) {
  SKIP_WITHOUT_XVFB();
  struct Case {
    const char *resize;
    int frame_w, frame_h;
  };
  const Case cases[] = {{"500x400", 500, 400}, {"900x700", 900, 700}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.resize);
    std::string dir = temp_dir();
    Outcome r = run_windowed_all("VLMODELS=" + data_dir() + " VLIMAGES=" + data_dir() +
                                     " VLXW_SCRIPT='@resize=" + c.resize + "|@wait=3|@snap=" + dir +
                                     "/view.ppm|@shot=" + dir + "/frame.png|Measure|Exit'",
                                 "");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(sanitizers_quiet(r.out)) << r.out;
    int fw = 0, fh = 0;
    ASSERT_TRUE(png_size(dir + "/frame.png", &fw, &fh));
    EXPECT_EQ(fw, c.frame_w);
    EXPECT_EQ(fh, c.frame_h);
    Picture view = read_ppm(dir + "/view.ppm");
    EXPECT_EQ(view.width, c.frame_w);
    EXPECT_GT(view.height, c.frame_h - 80);
    EXPECT_LT(view.height, c.frame_h);
    /* The picture follows the child: the whole child is drawn. */
    EXPECT_GT(coverage(view, view.width, view.height), 0.6);
    EXPECT_GT(coverage(view, view.width, view.height / 4), 0.6);
    int rw = 0, rh = 0;
    ASSERT_TRUE(report_area(r.out, &rw, &rh)) << r.out;
    EXPECT_EQ(rw, view.width);
    EXPECT_EQ(rh, view.height);
  }
}

TEST(Windowed, MenuCommandsChangeTheSceneAndTheMenuStates) {
  SKIP_WITHOUT_XVFB();
  const std::vector<std::pair<const char *, Step>> steps = {
      {"", {"start-up", {{"Prebuild", "Turn Prebuild On|1"}, {"Triangles", "Triangles|1"},
                         {"Quads", "Quads|0"}, {"Measure", "Measure|1"},
                         {"Wireframe", "Enable Wireframe|1"},
                         {"Lighting", "Turn Lighting Off|1"},
                         {"Smooth", "Turn Smooth Shading Off|1"},
                         {"Texturing", "Turn Texturing On|1"},
                         {"Perspective", "Turn Perspective Texturing On|1"},
                         {"Normals", "Turn Normals Off |1"}, {"Colors", "Turn Colors  Off|1"},
                         {"Point", "Point|1"}, {"Bilinear", "Bilinear|1"},
                         {"Mipmap", "Mipmap|0"}, {"Terrain", "Terrain|0"}}}},
      {"Quads", {"Quads (grayed)", {{"Quads", "Quads|0"}, {"Triangles", "Triangles|1"}}}},
      {"Triangles", {"Triangles", {{"Triangles", "Triangles|0"}, {"Quads", "Quads|1"}}}},
      {"Quads", {"Quads", {{"Triangles", "Triangles|1"}, {"Quads", "Quads|0"}}}},
      {"Enable Wireframe",
       {"Enable Wireframe", {{"Wireframe", "Disable Wireframe|1"},
                             {"Lighting", "Turn Lighting Off|0"},
                             {"Smooth", "Turn Smooth Shading Off|0"},
                             {"Texturing", "Turn Texturing On|0"},
                             {"Perspective", "Turn Perspective Texturing On|0"}}}},
      {"Disable Wireframe",
       {"Disable Wireframe", {{"Wireframe", "Enable Wireframe Mode|1"},
                              {"Lighting", "Turn Lighting Off|1"},
                              {"Smooth", "Turn Smooth Shading Off|1"},
                              {"Texturing", "Turn Texturing On|1"},
                              {"Perspective", "Turn Perspective Texturing On|1"}}}},
      {"Point", {"Point", {{"Point", "Point|0"}, {"Bilinear", "Bilinear|1"},
                           {"Mipmap", "Mipmap|1"}}}},
      {"Bilinear", {"Bilinear", {{"Point", "Point|1"}, {"Bilinear", "Bilinear|0"},
                                 {"Mipmap", "Mipmap|1"}}}},
      {"Turn Lighting Off", {"Turn Lighting Off", {{"Lighting", "Turn Lighting On|1"}}}},
      {"Turn Texturing On", {"Turn Texturing On", {{"Texturing", "Turn Texturing Off|1"}}}},
      {"Turn Normals Off", {"Turn Normals Off ", {{"Normals", "Turn Normals On|1"}}}},
      {"Turn Colors  Off", {"Turn Colors  Off", {{"Colors", "Turn Colors On|1"}}}},
      {"Turn Prebuild On", {"Turn Prebuild On", {{"Prebuild", "Turn Prebuild Off|1"}}}},
      {"Ripple", {"Ripple", {{"Prebuild", "Turn Prebuild On|0"}, {"Triangles", "Triangles|0"},
                             {"Quads", "Quads|0"}, {"Normals", "Turn Normals On|0"},
                             {"Colors", "Turn Colors On|0"}}}},
      /* No world model on the model path: Terrain stays grayed. */
      {"Terrain", {"Terrain (grayed)", {{"Terrain", "Terrain|0"}}}},
      {" 30x30  Grid", {" 30x30  Grid", {{"Prebuild", "Turn Prebuild On|1"},
                                         {"Triangles", "Triangles|1"}, {"Quads", "Quads|0"},
                                         {"Normals", "Turn Normals On|1"},
                                         {"Colors", "Turn Colors On|1"}}}},
      {"Measure", {"Measure", {{"Measure", "Stop Measure|1"}}}},
      {"", {"measurement", {{"Measure", "Measure|1"}}}},
  };
  std::string script;
  for (const auto &s : steps)
    if (*s.first) script += std::string(s.first) + "|";
  script += "Exit";
  std::string empty = temp_dir();
  Outcome r = run_windowed("VLXW_TRACE=1 VLMODELS=" + empty + " VLIMAGES=" + data_dir() +
                           " VLXW_SCRIPT='" + script + "'",
                       "");
  EXPECT_EQ(r.status, 0);
  std::vector<Trace> traces = traces_of(r.out);
  size_t at = 0;
  for (const auto &s : steps) {
    const Step &step = s.second;
    SCOPED_TRACE(step.event);
    while (at < traces.size() && traces[at].event != step.event) ++at;
    ASSERT_LT(at, traces.size()) << "no menu trace after \"" << step.event << "\"";
    for (const Expect &e : step.expect)
      EXPECT_EQ(item_state(traces[at].line, e.key), e.state) << e.key;
    ++at;
  }
  /* The measurement of the 30 by 30 grid: 10 frames, report A of this program. */
  EXPECT_TRUE(contains(r.out, "Model: 30 by 30 grid of: quads\n"));
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\nPolygons drawn in last frame: \\d+\n")));
  EXPECT_FALSE(contains(r.out, "\nPolygons in last frame:"));
}

TEST(Windowed, WireframeChangesWhatTheChildWindowShows) {
  SKIP_WITHOUT_XVFB();
  std::string dir = temp_dir();
  Outcome r = run_windowed("VLMODELS=" + data_dir() + " VLIMAGES=" + data_dir() +
                           " VLXW_SCRIPT='@snap=" + dir + "/solid.ppm|Enable Wireframe|@wait=2|@snap=" +
                           dir + "/wire.ppm|Disable Wireframe|@wait=2|@snap=" + dir +
                           "/again.ppm|Exit'",
                       "");
  EXPECT_EQ(r.status, 0);
  double solid = coverage(read_ppm(dir + "/solid.ppm"), 640, 480);
  double wire = coverage(read_ppm(dir + "/wire.ppm"), 640, 480);
  double again = coverage(read_ppm(dir + "/again.ppm"), 640, 480);
  EXPECT_GT(solid, 0.6);
  EXPECT_GT(wire, 0.0);
  EXPECT_LT(wire, solid / 2);
  EXPECT_NEAR(again, solid, 0.01);
}

TEST(Windowed, BatchLinesUpdateTheMenusAndTheEndOfTheFileExitsWithOne) {
  SKIP_WITHOUT_XVFB();
  Outcome r = run_windowed("VLXW_TRACE=1 VLMODELS=" + data_dir() + " VLIMAGES=" + data_dir(),
                       "-b" + batch_file("tf t\nrw on\nxp\nvn off\nc\n"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Batch run complete\n"));
  std::vector<Trace> traces = traces_of(r.out);
  ASSERT_FALSE(traces.empty());
  const std::string &last = traces.back().line;
  EXPECT_EQ(traces.back().event, "measurement");
  const Expect final_states[] = {{"Triangles", "Triangles|0"},
                                 {"Quads", "Quads|1"},
                                 {"Wireframe", "Disable Wireframe|1"},
                                 {"Lighting", "Turn Lighting Off|0"},
                                 {"Point", "Point|0"},
                                 {"Mipmap", "Mipmap|1"},
                                 {"Normals", "Turn Normals On|1"},
                                 {"Measure", "Measure|1"}};
  for (const Expect &e : final_states) EXPECT_EQ(item_state(last, e.key), e.state) << e.key;
  EXPECT_TRUE(contains(r.out, "Model: 20 by 20 grid of: triangles\n"));
}

TEST(Windowed, ExitAndClosingTheFrameEndWithZero) {
  SKIP_WITHOUT_XVFB();
  /* Also after a ripple measurement and with a popup open. */
  for (const char *script : {"Exit", "@close", "@menu=Models|Ripple|Measure|@close",
                             "@menu=Test|Exit"}) {
    SCOPED_TRACE(script);
    Outcome r = run_windowed("VLMODELS=" + data_dir() + " VLIMAGES=" + data_dir() +
                                 " VLXW_SCRIPT='" + script + "'",
                             "");
    EXPECT_EQ(r.status, 0);
  }
}

TEST(Windowed, CommandLineFailuresExitWithOne) {
  SKIP_WITHOUT_XVFB();
  struct Case {
    std::string args, output;
  };
  const Case cases[] = {
      {"-b/nonexistent/none.bat", "Not a valid batch file\n"},
      {"-b" + temp_dir(), "Not a valid batch file\n"},
      {"-b/dev/zero", "Not a valid batch file\n"},
      {"-B" + batch_file("q\n"), "Unknown batch command: q\n"},
      {"-b" + batch_file("mo back -2147483648\nmg -2147483648\nmm 1000\n"),
       "Overwrite layer count -2147483648 refused: counts run from 1 to 10000; the scene is kept\n"
       "Grid size -214748364 refused: sizes run from 1 to 100 (mg 10 to mg 1009); the scene is kept\n"
       "Grid multiplier 1000 refused: multipliers run from 1 to 16; the scene is kept\n"
       "Batch run complete\n"},
      {"2147483647 2147483647",
       "Render area width 2147483647 refused: width and height run from 1 to 4096 pixels\n"},
      {"100000 100000", "Render area width 100000 refused"},
      {"640 4097", "Render area height 4097 refused"},
      {"0 480", "Render area width 0 refused"},
      {"99999999999999999999 480", "Render area width 99999999999999999999 refused"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    Outcome r = run_windowed_all("", c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.out, c.output)) << r.out;
    EXPECT_TRUE(sanitizers_quiet(r.out)) << r.out;
  }
}

namespace {

/* The reports of a run with every number, the banner and the timing-
 * dependent frame-rate warnings taken out; the windowed report line 13
 * reads as the console one. */
std::vector<std::string> report_shape(const std::string &out) {
  std::vector<std::string> lines = lines_of(out), shape;
  const std::regex number("-?(\\d+(\\.\\d+)?|inf|nan)");
  bool started = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string l = lines[i];
    if (!started && (l.empty() || l[0] != ';')) continue;
    started = true;
    if (l.compare(0, 8, "WARNING ") == 0) {
      i += 2;
      continue;
    }
    if (l.compare(0, 29, "Polygons drawn in last frame:") == 0)
      l = "Polygons in last frame:" + l.substr(29);
    shape.push_back(std::regex_replace(l, number, "#"));
  }
  return shape;
}

}  // namespace

TEST(Windowed, QuickBatchPrintsTheConsoleReports) {
  SKIP_WITHOUT_XVFB();
  std::string data = "VLMODELS=" + data_dir() + " VLIMAGES=" + data_dir();
  std::string batch = "-b" + std::string(VLX_SOURCE_DIR) + "/bench/batch/quick.bat";
  Outcome w = run_windowed(data, batch);
  Outcome c = run_quiet("env VLXOFFSCREEN=1 " + data + " timeout 120 " +
                      std::string(VLX_BIN_DIR) + "/rendertest " + batch);
  EXPECT_EQ(w.status, 1);
  EXPECT_EQ(c.status, 1);
  std::vector<std::string> ws = report_shape(w.out), cs = report_shape(c.out);
  EXPECT_EQ(ws, cs);
  ASSERT_FALSE(ws.empty());
  EXPECT_EQ(ws.back(), "Batch run complete");
  /* Both grid and overwrite reports carry the windowed line. */
  size_t drawn = 0;
  for (const std::string &l : lines_of(w.out))
    if (l.compare(0, 29, "Polygons drawn in last frame:") == 0) ++drawn;
  EXPECT_EQ(drawn, 2u);
}
