/* vlview, the model viewer, as a program: loading and its failures, the
 * exit statuses, and what the window shows. The OnScreen tests run under a
 * virtual X server (CTest's "onscreen" test) and check the on-screen
 * window's frame; the others run off screen. Keys are scripted through
 * VLXVIEWKEYS, the frame count and the saved frame through VLXVIEWFRAMES
 * and VLXVIEWSAVE. */
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/nff_writer.h"
#include "support/process.h"

namespace {

const uint8_t kBackground[3] = {40, 40, 56};

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;   /* top row first */
  const uint8_t *at(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

bool read_frame(const std::string &file, Frame *f) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  f->width = int(image.width);
  f->height = int(image.height);
  f->rgb.resize(PNG_IMAGE_SIZE(image));
  bool ok = png_image_finish_read(&image, nullptr, f->rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

bool is_background(const uint8_t *p) {
  return p[0] == kBackground[0] && p[1] == kBackground[1] && p[2] == kBackground[2];
}

class ViewScratch {
 public:
  ViewScratch() {
    char tmpl[] = "/tmp/vlx_view_XXXXXX";
    dir = mkdtemp(tmpl);
  }
  ~ViewScratch() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
  }
  /* A red square of side 2 at z = 5, facing the viewer from both sides. */
  std::string square(const std::string &name) {
    NffModel m;
    NffGeometry g;
    g.name = "square";
    for (int i = 0; i < 4; ++i) {
      NffVertex v;
      v.p[0] = (i == 1 || i == 2) ? 1.0f : -1.0f;
      v.p[1] = i >= 2 ? 1.0f : -1.0f;
      v.p[2] = 5.0f;
      v.hasrgb = true;
      v.rgb[0] = 255;
      g.vertices.push_back(v);
    }
    NffPolygon p;
    p.indices = {0, 1, 2, 3};
    p.both = true;
    g.polygons = {p};
    m.geometries.push_back(g);
    std::string path = dir + "/" + name;
    EXPECT_TRUE(write_file(path, nff_text(m)));
    return path;
  }
  std::string dir;
};

/* vlview with the environment and arguments; standard error joins the output. */
ProgramRun run_vlview(const std::string &env, const std::string &args) {
  return run_command("cd /tmp && env " + env + " " + std::string(VLX_BIN_DIR) + "/vlview " + args +
                     " 2>&1");
}

bool contains(const std::string &s, const std::string &what) {
  return s.find(what) != std::string::npos;
}

bool onscreen_available(void) {
  const char *off = getenv("VLXOFFSCREEN");
  return getenv("DISPLAY") && !(off && *off);
}

}  // namespace

TEST(ViewProgram, NothingLoadedOrNothingNamedEndsWithStatusOne) {
  ViewScratch s;
  ProgramRun r = run_vlview("VLXOFFSCREEN=1", "");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "usage: vlview FILE [FILE...]")) << r.out;
  r = run_vlview("VLXOFFSCREEN=1", s.dir + "/a.nff " + s.dir + "/b.nff");
  EXPECT_EQ(r.status, 1);
  for (const char *name : {"/a.nff could not be loaded", "/b.nff could not be loaded",
                           "vlview: nothing could be loaded"})
    EXPECT_TRUE(contains(r.out, name)) << name << "\n" << r.out;
  /* A frame count that is no count is refused before anything starts. */
  for (const char *frames : {"0", "-3", "12x", "99999999999999"}) {
    r = run_vlview(std::string("VLXOFFSCREEN=1 VLXVIEWFRAMES=") + frames, s.square("m.nff"));
    EXPECT_EQ(r.status, 1) << frames;
    EXPECT_TRUE(contains(r.out, "VLXVIEWFRAMES")) << r.out;
  }
}

/* A file that fails is named, the others are shown: the square fills the
 * centre of the saved frame and the background surrounds it. */
TEST(ViewProgram, AFailingFileIsNamedAndTheOthersAreShown) {
  ViewScratch s;
  std::string model = s.square("square.nff"), png = s.dir + "/frame.png";
  ProgramRun r = run_vlview("VLXOFFSCREEN=1 VLXVIEWFRAMES=3 VLXVIEWSAVE=" + png,
                            model + " " + s.dir + "/missing.nff");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(contains(r.out, "missing.nff could not be loaded")) << r.out;
  EXPECT_TRUE(contains(r.out, "VLX Warning: Couldn't find file")) << r.out;
  Frame f;
  ASSERT_TRUE(read_frame(png, &f)) << r.out;
  EXPECT_EQ(f.width, 640);
  EXPECT_EQ(f.height, 480);
  EXPECT_FALSE(is_background(f.at(320, 240)));
  EXPECT_GT(f.at(320, 240)[0], f.at(320, 240)[2]);   /* red */
  EXPECT_TRUE(is_background(f.at(2, 2)));
  EXPECT_TRUE(is_background(f.at(637, 477)));
  /* The viewpoint sees the whole bounding sphere: the square's corners
   * are inside the frame, so its edges lie away from the frame's edges. */
  EXPECT_TRUE(is_background(f.at(320, 2)));
  EXPECT_TRUE(is_background(f.at(2, 240)));
  /* An unwritable frame file is named and the status says so. */
  r = run_vlview("VLXOFFSCREEN=1 VLXVIEWFRAMES=2 VLXVIEWSAVE=/nonexistent/f.png", model);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "vlview: cannot save /nonexistent/f.png")) << r.out;
}

/* Keys typed into the window: wireframe leaves the square's inside
 * empty, lighting and texturing report their state, a recorded path is
 * saved and played back, i prints the totals, q quits at once. */
TEST(ViewProgram, KeysToggleRecordPlayAndQuit) {
  ViewScratch s;
  std::string model = s.square("square.nff"), png = s.dir + "/wire.png";
  std::string pth = s.dir + "/flight.pth";
  ProgramRun r = run_vlview("VLXOFFSCREEN=1 VLXVIEWFRAMES=15 VLXVIEWSAVE=" + png +
                                " VLXVIEWPATH=" + pth + " VLXVIEWKEYS=lltbbpxxxpPiw",
                            model);
  EXPECT_EQ(r.status, 0) << r.out;
  const char *expected[] = {"Lighting Off", "Lighting On", "Texturing Off", "Bounding boxes On",
                            "Bounding boxes Off", "Recording path", "records saved to " ,
                            "Playing path of", "frames/sec; nodes: 1, geometries: 1, vertices: 4, "
                            "polygons: 1", "Wireframe On"};
  for (const char *e : expected) EXPECT_TRUE(contains(r.out, e)) << e << "\n" << r.out;
  FILE *f = fopen(pth.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char head[16] = {};
  EXPECT_EQ(fread(head, 1, 15, f), 15u);
  fclose(f);
  EXPECT_STREQ(head, "path record v.2");
  Frame frame;
  ASSERT_TRUE(read_frame(png, &frame));
  EXPECT_TRUE(is_background(frame.at(320, 240)));   /* wireframe: only the edges */
  /* q ends the run before the frame limit: nothing is saved. */
  std::string none = s.dir + "/none.png";
  r = run_vlview("VLXOFFSCREEN=1 VLXVIEWFRAMES=50 VLXVIEWSAVE=" + none + " VLXVIEWKEYS=q", model);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(access(none.c_str(), F_OK), 0);
}

/* On screen: the window opens on the display (no off-screen notice), the
 * square shows in its frame, and the run ends with status 0. */
TEST(OnScreenView, TheWindowShowsTheModel) {
  if (!onscreen_available()) GTEST_SKIP() << "no display";
  ViewScratch s;
  std::string model = s.square("square.nff"), png = s.dir + "/screen.png";
  ProgramRun r = run_vlview("VLXVIEWFRAMES=5 VLXVIEWSAVE=" + png + " VLXVIEWKEYS=i", model);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(contains(r.out, "no display")) << r.out;
  EXPECT_TRUE(contains(r.out, "frames/sec; nodes: 1")) << r.out;
  Frame f;
  ASSERT_TRUE(read_frame(png, &f)) << r.out;
  EXPECT_FALSE(is_background(f.at(f.width / 2, f.height / 2)));
  EXPECT_TRUE(is_background(f.at(2, 2)));
}
