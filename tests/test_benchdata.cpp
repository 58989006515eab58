/* The benchmark's shipped data (bench/data): the generator writes the same
 * bytes again; the images read at 256 x 256 with their corners in place;
 * the world holds the textured height field and the sky dome; the flight
 * reads back through the toolkit, stays above that height field and looks
 * where it flies. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/messages.h"
#include "vlx/motion.h"
#include "vlx/texture.h"

namespace {

const char *const kFiles[] = {"vy.tga", "terrain.tga", "dome.tga", "final.wrl", "fly.pth"};

std::string shipped(const std::string &name) {
  return std::string(VLX_SOURCE_DIR) + "/bench/data/" + name;
}

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/* The numbers of the next "key ... [ ... ]" list from pos on; pos moves
 * past the list. Empty when the key is not found. */
std::vector<double> list_after(const std::string &text, size_t &pos, const char *key) {
  std::vector<double> v;
  size_t k = text.find(key, pos);
  if (k == std::string::npos) return v;
  size_t open = text.find('[', k);
  size_t close = open == std::string::npos ? open : text.find(']', open);
  if (close == std::string::npos) return v;
  const char *p = text.c_str() + open + 1, *end = text.c_str() + close;
  while (p < end) {
    if (*p == ',' || isspace((unsigned char)*p)) {
      ++p;
      continue;
    }
    char *next;
    v.push_back(strtod(p, &next));
    if (next == p) break;
    p = next;
  }
  pos = close + 1;
  return v;
}

/* The index lists split at -1. */
std::vector<std::vector<int>> faces(const std::vector<double> &index) {
  std::vector<std::vector<int>> f(1);
  for (double i : index) {
    if (i == -1) f.emplace_back();
    else f.back().push_back(int(i));
  }
  if (f.back().empty()) f.pop_back();
  return f;
}

/* The terrain mesh as read from final.wrl: a regular n x n grid in x and
 * z, row by row along x. */
struct Terrain {
  int n = 0;
  double x0 = 0, z0 = 0, step = 0;
  std::vector<double> points;
  double height(int i, int j) const { return points[3 * (j * n + i) + 1]; }
  /* Highest corner of the cell under (x, z): the two flat triangles of a
   * cell never rise above it. */
  double cell_top(double x, double z) const {
    int i = int(floor((x - x0) / step)), j = int(floor((z - z0) / step));
    EXPECT_TRUE(i >= 0 && j >= 0 && i + 1 < n && j + 1 < n) << x << " " << z;
    if (!(i >= 0 && j >= 0 && i + 1 < n && j + 1 < n)) return INFINITY;
    return fmax(fmax(height(i, j), height(i + 1, j)), fmax(height(i, j + 1), height(i + 1, j + 1)));
  }
};

Terrain read_terrain(const std::string &world) {
  Terrain t;
  size_t pos = world.find("terrain.tga");
  t.points = list_after(world, pos, "Coordinate3");
  t.n = int(lround(sqrt(double(t.points.size() / 3))));
  if (t.n < 2) return t;
  t.x0 = t.points[0];
  t.z0 = t.points[2];
  t.step = t.points[3] - t.points[0];
  return t;
}

struct Record {
  double p[3], q[4];
};

class BenchData : public UniverseTest {
 protected:
  static void SetUpTestSuite() {
    char tmpl[] = "/tmp/vlxbenchdataXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    std::string cmd = std::string("'") + VLX_BIN_DIR + "/benchdata' '" + dir_ + "' >/dev/null";
    status_ = system(cmd.c_str());
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  static std::string dir_;
  static int status_;
};
std::string BenchData::dir_;
int BenchData::status_ = -1;

TEST_F(BenchData, RegeneratedFilesAreByteIdenticalToShippedOnes) {
  ASSERT_EQ(status_, 0);
  for (const char *name : kFiles) {
    std::string made = slurp(dir_ + "/" + name), ship = slurp(shipped(name));
    EXPECT_FALSE(ship.empty()) << name;
    EXPECT_TRUE(made == ship) << name << " differs from the shipped file";
  }
}

TEST_F(BenchData, ImagesReadAt256WithCornersAndSkyInPlace) {
  struct Img {
    std::unique_ptr<uint8_t, decltype(&free)> px{nullptr, free};
    int w = 0, h = 0;
    const uint8_t *at(int x, int y) const { return px.get() + 4 * (y * w + x); }
  } img[3];
  const char *names[] = {"vy.tga", "terrain.tga", "dome.tga"};
  for (int i = 0; i < 3; ++i) {
    std::string b = slurp(shipped(names[i]));
    img[i].px.reset(VLimage_decode((const uint8_t *)b.data(), b.size(), names[i], &img[i].w, &img[i].h));
    ASSERT_NE(img[i].px, nullptr) << names[i];
    EXPECT_EQ(img[i].w, 256) << names[i];
    EXPECT_EQ(img[i].h, 256) << names[i];
  }
  /* Buffers are bottom row first: red lower left, green lower right, blue
   * upper left, yellow upper right. */
  auto rgb = [](const uint8_t *p) { return std::vector<int>{p[0], p[1], p[2], p[3]}; };
  EXPECT_EQ(rgb(img[0].at(0, 0)), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(rgb(img[0].at(255, 0)), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_EQ(rgb(img[0].at(0, 255)), (std::vector<int>{0, 0, 255, 255}));
  EXPECT_EQ(rgb(img[0].at(255, 255)), (std::vector<int>{255, 255, 0, 255}));
  /* The sky is deep blue at the zenith (top row) and pale at the bottom. */
  long top[3] = {0, 0, 0}, bottom[3] = {0, 0, 0};
  for (int x = 0; x < 256; ++x)
    for (int c = 0; c < 3; ++c) {
      top[c] += img[2].at(x, 255)[c];
      bottom[c] += img[2].at(x, 0)[c];
    }
  EXPECT_GT(top[2], top[0] + 256 * 80);
  EXPECT_GT(bottom[0], top[0] + 256 * 80);
  /* The terrain has water, grass and snow. */
  int water = 0, grass = 0, snow = 0;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const uint8_t *p = img[1].at(x, y);
      water += p[2] > p[0] + 40;
      grass += p[1] > p[0] + 30 && p[1] > p[2] + 30;
      snow += p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
  EXPECT_GT(water, 1000);
  EXPECT_GT(grass, 1000);
  EXPECT_GT(snow, 100);
}

TEST_F(BenchData, WorldHoldsTexturedHeightFieldAndSkyDome) {
  std::string world = slurp(shipped("final.wrl"));
  ASSERT_EQ(world.compare(0, 17, "#VRML V1.0 ascii\n"), 0);
  EXPECT_LT(world.size(), 1000000u);
  size_t terrain = world.find("Texture2 { filename \"terrain.tga\" }");
  size_t dome = world.find("Texture2 { filename \"dome.tga\" }");
  ASSERT_NE(terrain, std::string::npos);
  ASSERT_NE(dome, std::string::npos);
  ASSERT_LT(terrain, dome);

  /* Terrain: a regular 65 x 65 grid, 8192 triangles counter-clockwise seen
   * from above, texture coordinates for every corner. */
  size_t pos = terrain;
  std::vector<double> pts = list_after(world, pos, "Coordinate3");
  std::vector<double> uv = list_after(world, pos, "TextureCoordinate2");
  auto tris = faces(list_after(world, pos, "coordIndex"));
  auto uvtris = faces(list_after(world, pos, "textureCoordIndex"));
  ASSERT_LT(pos, dome);
  ASSERT_EQ(pts.size(), 65u * 65 * 3);
  ASSERT_EQ(uv.size(), 65u * 65 * 2);
  ASSERT_EQ(tris.size(), 8192u);
  ASSERT_EQ(uvtris.size(), 8192u);
  Terrain t = read_terrain(world);
  for (int j = 0; j < 65; ++j)
    for (int i = 0; i < 65; ++i) {
      ASSERT_DOUBLE_EQ(pts[3 * (j * 65 + i)], t.x0 + i * t.step);
      ASSERT_DOUBLE_EQ(pts[3 * (j * 65 + i) + 2], t.z0 + j * t.step);
    }
  for (size_t f = 0; f < tris.size(); ++f) {
    ASSERT_EQ(tris[f].size(), 3u);
    ASSERT_EQ(uvtris[f].size(), 3u);
    const double *p[3];
    for (int c = 0; c < 3; ++c) {
      ASSERT_TRUE(tris[f][c] >= 0 && tris[f][c] < 65 * 65);
      ASSERT_TRUE(uvtris[f][c] >= 0 && uvtris[f][c] < 65 * 65);
      p[c] = &pts[3 * tris[f][c]];
    }
    double ax = p[1][0] - p[0][0], az = p[1][2] - p[0][2];
    double bx = p[2][0] - p[0][0], bz = p[2][2] - p[0][2];
    ASSERT_GT(az * bx - ax * bz, 0) << "triangle " << f << " faces down";
  }

  /* Sky dome: every point on the sphere of radius 1000, every index valid. */
  pos = dome;
  std::vector<double> dpts = list_after(world, pos, "Coordinate3");
  std::vector<double> duv = list_after(world, pos, "TextureCoordinate2");
  auto dfaces = faces(list_after(world, pos, "coordIndex"));
  auto duvfaces = faces(list_after(world, pos, "textureCoordIndex"));
  ASSERT_GT(dfaces.size(), 100u);
  ASSERT_EQ(dfaces.size(), duvfaces.size());
  for (size_t i = 0; i < dpts.size(); i += 3)
    EXPECT_NEAR(sqrt(dpts[i] * dpts[i] + dpts[i + 1] * dpts[i + 1] + dpts[i + 2] * dpts[i + 2]), 1000, 0.02);
  for (size_t f = 0; f < dfaces.size(); ++f) {
    ASSERT_EQ(dfaces[f].size(), duvfaces[f].size());
    for (size_t c = 0; c < dfaces[f].size(); ++c) {
      ASSERT_LT(size_t(dfaces[f][c]), dpts.size() / 3);
      ASSERT_LT(size_t(duvfaces[f][c]), duv.size() / 2);
    }
  }
}

TEST_F(BenchData, FlightStaysAboveTerrainAndLooksWhereItFlies) {
  std::string text = slurp(shipped("fly.pth"));
  ASSERT_EQ(text.compare(0, 16, "path record v.2\n"), 0);
  FILE *f = fmemopen((void *)text.data(), text.size(), "r");
  ASSERT_NE(f, nullptr);
  char line[100];
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  int count = 0;
  ASSERT_EQ(fscanf(f, "%d\n", &count), 1);
  std::vector<Record> rec;
  Record r;
  while (fscanf(f, "Posi  %lf %lf %lf\n", &r.p[0], &r.p[1], &r.p[2]) == 3 &&
         fscanf(f, "Orie  %lf %lf %lf %lf\n", &r.q[0], &r.q[1], &r.q[2], &r.q[3]) == 4)
    rec.push_back(r);
  bool at_end = feof(f) || fgetc(f) == EOF;
  fclose(f);
  EXPECT_TRUE(at_end) << "text after record " << rec.size();
  ASSERT_EQ(size_t(count), rec.size());
  ASSERT_GE(count, 300);

  Terrain t = read_terrain(slurp(shipped("final.wrl")));
  ASSERT_EQ(t.n, 65);
  double step_max = 0, step_min = INFINITY;
  for (int i = 0; i < count; ++i) {
    const double *q = rec[i].q, *p = rec[i].p;
    EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-4) << "record " << i;
    EXPECT_GT(p[1], t.cell_top(p[0], p[2]) + 10) << "record " << i;
    /* The flight direction around this record (the loop is closed) against
     * the orientation's direction, row 2 of R(q). */
    const double *a = rec[(i + count - 1) % count].p, *b = rec[(i + 1) % count].p;
    double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    double len = sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    ASSERT_GT(len, 0);
    double x = q[0], y = q[1], z = q[2], w = q[3];
    double view[3] = {2 * (x * z - y * w), 2 * (y * z + w * x), w * w - x * x - y * y + z * z};
    double dot = (view[0] * d[0] + view[1] * d[1] + view[2] * d[2]) / len;
    EXPECT_GT(dot, 0.999) << "record " << i;
    double s = sqrt(pow(b[0] - p[0], 2) + pow(b[1] - p[1], 2) + pow(b[2] - p[2], 2));
    step_max = fmax(step_max, s);
    step_min = fmin(step_min, s);
  }
  /* Smooth and closed: no record jumps, the last one included. */
  EXPECT_LT(step_max, 3 * step_min);

  /* The toolkit reads every record. */
  VLpath *path = VLpath_read("fly.pth", text.data(), text.size(), nullptr);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->count, count);
  ASSERT_NE(path->first, nullptr);
  EXPECT_NEAR(path->first->position.y, rec[0].p[1], 1e-3);
  EXPECT_NEAR(path->last->orientation.w, rec[count - 1].q[3], 1e-5);
}

}  // namespace
