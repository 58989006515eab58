/* Image readers: Targa (every type and depth, colour maps, run-length
 * packets across rows, row and column order), SGI image (verbatim and
 * run-length, 1 to 4 channels, both offset-table orders), JPEG (grey,
 * colour, progressive), the dispatch by first bytes, the image search path,
 * and truncated, oversized and inconsistent files of every format. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "readers/image/images.h"
#include "support/image_fixtures.h"
#include "support/messages.h"
#include "vlx/texture.h"

namespace {

struct Image {
  std::unique_ptr<uint8_t, decltype(&free)> pixels{nullptr, free};
  int width = -1, height = -1;
  std::vector<int> at(int x, int y) const { return rgba_at(pixels.get(), width, x, y); }
};

Image decode(const Bytes &b) {
  Image img;
  img.pixels.reset(VLimage_decode(b.data(), b.size(), "test", &img.width, &img.height));
  return img;
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override { record_messages(); }
  void TearDown() override { stop_recording(); }

  /* Decoding fails with exactly this message among the warnings. */
  void expect_refused(const Bytes &b, const char *message) {
    record_messages();
    Image img = decode(b);
    EXPECT_EQ(img.pixels.get(), nullptr);
    EXPECT_EQ(img.width, 0);
    EXPECT_EQ(fired_count(message), 1) << message;
  }
};

typedef std::vector<int> Px;

/* ---------- Targa ---------- */

TEST_F(ImageTest, TgaTrueColourDepths) {
  /* Two pixels per file, bottom row first: (10, 20, 30) then black. */
  struct Case {
    int bits;
    Bytes body;
    Px first;
  } cases[] = {
      {24, {30, 20, 10, 0, 0, 0}, {10, 20, 30, 255}},
      {32, {30, 20, 10, 7, 0, 0, 0, 200}, {10, 20, 30, 255}},  // file alpha unused
      /* 5-5-5: red 1, green 2, blue 3 -> 8, 16, 24 */
      {16, {uint8_t((2 << 5 | 3) & 255), uint8_t(1 << 2 | 2 >> 3), 0, 0}, {8, 16, 24, 255}},
      {15, {uint8_t((2 << 5 | 3) & 255), uint8_t(1 << 2 | 2 >> 3), 0, 0}, {8, 16, 24, 255}},
  };
  for (const Case &c : cases) {
    TgaFields s;
    s.width = 2;
    s.bits = c.bits;
    Bytes b = tga_header(s);
    b.insert(b.end(), c.body.begin(), c.body.end());
    Image img = decode(b);
    ASSERT_NE(img.pixels.get(), nullptr) << c.bits;
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.height, 1);
    EXPECT_EQ(img.at(0, 0), c.first) << c.bits;
    EXPECT_EQ(img.at(1, 0), (Px{0, 0, 0, 0})) << c.bits;
  }
}

TEST_F(ImageTest, TgaAlphaRuleAndGrey) {
  TgaFields s;
  s.width = 3;
  Bytes b = tga_header(s);
  for (int v : {0, 0, 0, 1, 0, 0, 0, 0, 1}) b.push_back(uint8_t(v));  // BGR
  Image img = decode(b);
  ASSERT_NE(img.pixels.get(), nullptr);
  EXPECT_EQ(img.at(0, 0), (Px{0, 0, 0, 0}));
  EXPECT_EQ(img.at(1, 0), (Px{0, 0, 1, 255}));
  EXPECT_EQ(img.at(2, 0), (Px{1, 0, 0, 255}));

  s.type = 3;
  s.bits = 8;
  Bytes g = tga_header(s);
  for (int v : {0, 128, 255}) g.push_back(uint8_t(v));
  img = decode(g);
  ASSERT_NE(img.pixels.get(), nullptr);
  EXPECT_EQ(img.at(0, 0), (Px{0, 0, 0, 0}));
  EXPECT_EQ(img.at(1, 0), (Px{128, 128, 128, 255}));
  EXPECT_EQ(img.at(2, 0), (Px{255, 255, 255, 255}));
}

TEST_F(ImageTest, TgaRowAndColumnOrder) {
  /* 2 x 2: file pixels a b / c d in file order. */
  const uint8_t px[4][3] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}};  // BGR, blue = id
  for (int descriptor : {0x00, 0x20, 0x10, 0x30}) {
    TgaFields s;
    s.width = s.height = 2;
    s.descriptor = descriptor;
    Bytes b = tga_header(s);
    for (auto &p : px) b.insert(b.end(), p, p + 3);
    Image img = decode(b);
    ASSERT_NE(img.pixels.get(), nullptr);
    bool top = descriptor & 0x20, right = descriptor & 0x10;
    for (int i = 0; i < 4; ++i) {
      int fx = i % 2, fy = i / 2;
      int x = right ? 1 - fx : fx, y = top ? 1 - fy : fy;
      EXPECT_EQ(img.at(x, y)[2], i + 1) << "descriptor " << descriptor << " pixel " << i;
    }
  }
}

TEST_F(ImageTest, TgaColourMapped) {
  /* Map of 3 entries from origin 2, 24-bit; indexes 2, 3, 4 and 3. */
  for (int type : {1, 9}) {
    TgaFields s;
    s.type = type;
    s.maptype = 1;
    s.maporigin = 2;
    s.maplength = 3;
    s.mapbits = 24;
    s.width = 2;
    s.height = 2;
    s.bits = 8;
    Bytes b = tga_header(s);
    for (int v : {30, 20, 10, 0, 0, 0, 0, 0, 255}) b.push_back(uint8_t(v));
    if (type == 1) {
      for (int v : {2, 3, 4, 3}) b.push_back(uint8_t(v));
    } else {
      for (int v : {2, 2, 3, 4, 128, 3}) b.push_back(uint8_t(v));  // literal 3, run 1
    }
    Image img = decode(b);
    ASSERT_NE(img.pixels.get(), nullptr) << type;
    EXPECT_EQ(img.at(0, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(img.at(1, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(img.at(0, 1), (Px{255, 0, 0, 255}));
    EXPECT_EQ(img.at(1, 1), (Px{0, 0, 0, 0}));
  }
}

TEST_F(ImageTest, TgaMappedWithSixteenBitMapAndIndex) {
  TgaFields s;
  s.type = 1;
  s.maptype = 1;
  s.maplength = 2;
  s.mapbits = 16;
  s.width = 2;
  s.bits = 16;
  Bytes b = tga_header(s);
  for (int v : {0, 0, 0x1F, 0x00}) b.push_back(uint8_t(v));  // entry 1: blue 31
  for (int v : {1, 0, 0, 0}) b.push_back(uint8_t(v));
  Image img = decode(b);
  ASSERT_NE(img.pixels.get(), nullptr);
  EXPECT_EQ(img.at(0, 0), (Px{0, 0, 248, 255}));
  EXPECT_EQ(img.at(1, 0), (Px{0, 0, 0, 0}));
}

TEST_F(ImageTest, TgaRunLengthPacketsCrossRowEnds) {
  /* 3 x 2, type 10: a run of 4 red (row 0 and the first of row 1), then
   * 2 literal pixels. */
  TgaFields s;
  s.type = 10;
  s.width = 3;
  s.height = 2;
  Bytes b = tga_header(s);
  for (int v : {128 + 3, 0, 0, 200, 1, 5, 0, 0, 0, 6, 0}) b.push_back(uint8_t(v));
  Image img = decode(b);
  ASSERT_NE(img.pixels.get(), nullptr);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(img.at(x, 0), (Px{200, 0, 0, 255}));
  EXPECT_EQ(img.at(0, 1), (Px{200, 0, 0, 255}));
  EXPECT_EQ(img.at(1, 1), (Px{0, 0, 5, 255}));
  EXPECT_EQ(img.at(2, 1), (Px{0, 6, 0, 255}));

  /* Grey run-length (type 11), top to bottom: the run fills the first file
   * row, which is the top row of the buffer. */
  s.type = 11;
  s.bits = 8;
  s.descriptor = 0x20;
  b = tga_header(s);
  for (int v : {128 + 2, 9, 2, 1, 2, 3}) b.push_back(uint8_t(v));
  img = decode(b);
  ASSERT_NE(img.pixels.get(), nullptr);
  EXPECT_EQ(img.at(0, 1), (Px{9, 9, 9, 255}));
  EXPECT_EQ(img.at(2, 1), (Px{9, 9, 9, 255}));
  EXPECT_EQ(img.at(0, 0), (Px{1, 1, 1, 255}));
  EXPECT_EQ(img.at(2, 0), (Px{3, 3, 3, 255}));
}

TEST_F(ImageTest, TgaHeaderChecks) {
  struct Case {
    const char *what;
    TgaFields fields;
    const char *message;
  };
  std::vector<Case> cases;
  TgaFields s;
  s.type = 4;
  cases.push_back({"type", s, VLTXT_TGA_UNKNOWN_TYPE});
  s = TgaFields();
  s.width = 2048;
  s.height = 2048;
  cases.push_back({"too large", s, VLTXT_IMG_TOO_LARGE});
  s = TgaFields();
  s.height = 1025;
  cases.push_back({"too tall", s, VLTXT_IMG_TOO_LARGE});
  s = TgaFields();
  s.bits = 12;
  cases.push_back({"pixel size", s, VLTXT_TGA_PIXEL_SIZE});
  s = TgaFields();
  s.type = 9;
  s.bits = 8;
  s.mapbits = 24;
  cases.push_back({"map type", s, VLTXT_TGA_MAP_TYPE});
  s.maptype = 1;
  s.mapbits = 12;
  cases.push_back({"map size", s, VLTXT_TGA_MAP_SIZE});
  s.mapbits = 24;
  s.bits = 24;
  cases.push_back({"mapped index size", s, VLTXT_TGA_PIXEL_SIZE2});
  s = TgaFields();
  s.descriptor = 0x40;
  cases.push_back({"interleaved", s, VLTXT_TGA_INTERLEAVED});
  s = TgaFields();
  s.width = 0;
  cases.push_back({"empty", s, VLTXT_IMG_EMPTY});
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = tga_header(c.fields);
    b.resize(b.size() + 64, 1);
    expect_refused(b, c.message);
  }
}

TEST_F(ImageTest, TgaTruncatedAndInconsistent) {
  Bytes whole = tga_solid(4, 4, 1, 2, 3);
  expect_refused(Bytes(whole.begin(), whole.begin() + 10), VLTXT_TEX_IO_ERROR);
  expect_refused(Bytes(whole.begin(), whole.end() - 1), VLTXT_IMG_READ_ERROR);

  TgaFields s;  // ID field longer than the file
  s.idlength = 200;
  Bytes b = tga_header(s);
  b.resize(100);
  expect_refused(b, VLTXT_TEX_IO_ERROR);

  s = TgaFields();  // run-length data ending inside a packet
  s.type = 10;
  s.width = 40;
  b = tga_header(s);
  for (int v : {10, 1, 2, 3}) b.push_back(uint8_t(v));  // 11 literals promised
  expect_refused(b, VLTXT_IMG_READ_ERROR);

  s = TgaFields();  // colour map shorter than announced
  s.type = 1;
  s.maptype = 1;
  s.maplength = 100;
  s.mapbits = 24;
  s.bits = 8;
  b = tga_header(s);
  b.resize(b.size() + 30, 0);
  expect_refused(b, VLTXT_IMG_READ_ERROR);

  s.maplength = 2;  // index beyond the map
  b = tga_header(s);
  b.resize(b.size() + 6, 9);
  b.push_back(5);
  expect_refused(b, VLTXT_TGA_BAD_INDEX);
}

/* ---------- SGI image ---------- */

Planes test_planes(int z, int x, int y) {
  Planes p(size_t(z), std::vector<uint8_t>(size_t(x) * size_t(y)));
  for (int c = 0; c < z; ++c)
    for (int i = 0; i < x * y; ++i)
      p[size_t(c)][size_t(i)] = uint8_t(i < 3 ? 0 : (i % 5 < 3 ? 40 * c + 7 : i + c));
  return p;
}

/* Expected RGBA of pixel i under the channel rule. */
Px sgi_expected(const Planes &p, size_t i) {
  int v[4] = {};
  for (size_t c = 0; c < p.size(); ++c) v[c] = p[c][i];
  switch (p.size()) {
    case 1: return {v[0], v[0], v[0], v[0] ? 255 : 0};
    case 2: return {v[0], v[0], v[0], v[1]};
    case 3: return {v[0], v[1], v[2], (v[0] | v[1] | v[2]) ? 255 : 0};
    default: return {v[0], v[1], v[2], v[3]};
  }
}

TEST_F(ImageTest, SgiChannelsAndStorage) {
  const int x = 13, y = 3;
  for (int z : {1, 2, 3, 4})
    for (int storage : {0, 1, 2}) {  // verbatim, rle row-ordered, rle channel-ordered
      SCOPED_TRACE(testing::Message() << z << " channels, storage " << storage);
      Planes p = test_planes(z, x, y);
      Bytes b = storage == 0 ? sgi_verbatim(x, y, p) : sgi_rle(x, y, p, storage == 1);
      Image img = decode(b);
      ASSERT_NE(img.pixels.get(), nullptr);
      ASSERT_EQ(img.width, x);
      ASSERT_EQ(img.height, y);
      for (int i = 0; i < x * y; ++i)
        ASSERT_EQ(img.at(i % x, i / x), sgi_expected(p, size_t(i))) << "pixel " << i;
    }
}

TEST_F(ImageTest, SgiRefusesBadFiles) {
  Planes p = test_planes(3, 8, 4);
  Bytes verbatim = sgi_verbatim(8, 4, p);
  Bytes rle = sgi_rle(8, 4, p, true);
  expect_refused(Bytes(verbatim.begin(), verbatim.begin() + 300), VLTXT_IMG_READ_ERROR);
  expect_refused(Bytes(verbatim.begin(), verbatim.end() - 1), VLTXT_IMG_READ_ERROR);
  expect_refused(Bytes(rle.begin(), rle.begin() + 512 + 40), VLTXT_IMG_READ_ERROR);
  expect_refused(Bytes(rle.begin(), rle.end() - 3), VLTXT_SGI_BAD_RUN);

  Bytes b = rle;  // first offset far past the end
  b[512] = 0x7F;
  expect_refused(b, VLTXT_SGI_BAD_RUN);
  b = rle;  // a repeat packet longer than the row
  size_t first = size_t(b[512] << 24 | b[513] << 16 | b[514] << 8 | b[515]);
  b[first] = 100;
  expect_refused(b, VLTXT_SGI_BAD_RUN);

  b = verbatim;  // 5 channels
  b[11] = 5;
  expect_refused(b, VLTXT_SGI_CHANNELS);
  b = verbatim;  // wider than the limit, with too few bytes for it anyway
  b[6] = 0x20;
  expect_refused(b, VLTXT_IMG_READ_ERROR);
  b = rle;  // a huge run-length image needs only its tables: the limit holds
  b[6] = 0xFF;
  b[7] = 0xFF;
  expect_refused(b, VLTXT_IMG_TOO_LARGE);
}

/* ---------- JPEG ---------- */

/* 16 x 16 with four 8 x 8 blocks of solid colour, top row first. */
std::vector<uint8_t> quadrants(int components) {
  const int colours[4][3] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {0, 0, 0}};
  std::vector<uint8_t> px;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int *c = colours[(y / 8) * 2 + x / 8];
      if (components == 1) px.push_back(uint8_t((c[0] + c[1] + c[2]) / 3));
      else
        for (int k = 0; k < 3; ++k) px.push_back(uint8_t(c[k]));
    }
  return px;
}

void expect_near(const Px &got, const Px &want, int tolerance) {
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[size_t(k)], want[size_t(k)], tolerance) << k;
}

TEST_F(ImageTest, JpegColourBaselineAndProgressive) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    Image img = decode(jpeg_encode(quadrants(3), 16, 16, 3, progressive));
    ASSERT_NE(img.pixels.get(), nullptr);
    ASSERT_EQ(img.width, 16);
    ASSERT_EQ(img.height, 16);
    /* The file's top-left block is the buffer's last rows. */
    expect_near(img.at(3, 12), {200, 30, 30, 255}, 10);
    expect_near(img.at(12, 12), {30, 200, 30, 255}, 10);
    expect_near(img.at(3, 3), {30, 30, 200, 255}, 10);
    expect_near(img.at(12, 3), {0, 0, 0, 255}, 10);
    EXPECT_EQ(fired().size(), 0u);
  }
}

TEST_F(ImageTest, JpegGreyIsOpaqueEverywhere) {
  Image img = decode(jpeg_encode(quadrants(1), 16, 16, 1, false));
  ASSERT_NE(img.pixels.get(), nullptr);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(img.at(i % 16, i / 16)[3], 255);
  Px black = img.at(12, 3);
  EXPECT_EQ(black[0], black[1]);
  EXPECT_EQ(black[1], black[2]);
  EXPECT_LE(black[0], 6);
  expect_near(img.at(3, 12), {86, 86, 86, 255}, 6);
}

TEST_F(ImageTest, JpegRefusesBadFiles) {
  Bytes good = jpeg_encode(quadrants(3), 16, 16, 3, false);
  expect_refused(Bytes(good.begin(), good.begin() + 100), VLTXT_JPEG_UNREADABLE);
  expect_refused(Bytes(good.begin(), good.end() - 40), VLTXT_JPEG_UNREADABLE);
  Bytes progressive = jpeg_encode(quadrants(3), 16, 16, 3, true);
  expect_refused(Bytes(progressive.begin(), progressive.end() - 60), VLTXT_JPEG_UNREADABLE);
  Bytes garbage = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 9, 9, 9};
  expect_refused(garbage, VLTXT_JPEG_UNREADABLE);

  std::vector<uint8_t> cmyk(16 * 16 * 4, 100);
  expect_refused(jpeg_encode(cmyk, 16, 16, 4, false), VLTXT_JPEG_COMPONENTS);
  std::vector<uint8_t> wide(4100 * 8, 50);
  expect_refused(jpeg_encode(wide, 4100, 8, 1, false), VLTXT_IMG_TOO_LARGE);
}

/* ---------- every prefix of every format ---------- */

TEST_F(ImageTest, EveryTruncationIsRefusedCleanly) {
  TgaFields rle;
  rle.type = 10;
  rle.width = 5;
  rle.height = 2;
  Bytes tga_rle = tga_header(rle);
  for (int v : {128 + 6, 1, 2, 3, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12}) tga_rle.push_back(uint8_t(v));
  const Bytes files[] = {tga_solid(3, 2, 1, 2, 3), tga_rle,
                         sgi_verbatim(4, 2, test_planes(2, 4, 2)),
                         sgi_rle(6, 3, test_planes(3, 6, 3), false),
                         jpeg_encode(quadrants(1), 16, 16, 1, true)};
  /* A prefix is refused, or (when only an SGI run's end marker is missing)
   * gives exactly the whole file's image: never a partial one. */
  for (const Bytes &f : files) {
    Image whole = decode(f);
    ASSERT_NE(whole.pixels.get(), nullptr);
    size_t bytes = size_t(whole.width) * size_t(whole.height) * 4;
    int accepted = 0;
    for (size_t n = 0; n < f.size(); ++n) {
      Image img = decode(Bytes(f.begin(), f.begin() + long(n)));
      if (!img.pixels) continue;
      ++accepted;
      ASSERT_EQ(memcmp(img.pixels.get(), whole.pixels.get(), bytes), 0) << "prefix " << n;
    }
    EXPECT_LE(accepted, 1);
  }
}

/* ---------- dispatch and the search path ---------- */

TEST_F(ImageTest, DispatchByFirstBytes) {
  const uint8_t jfif[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  const uint8_t exif[] = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10};
  const uint8_t sgi1[] = {0x01, 0xDA, 0x00, 0x01};
  const uint8_t sgi2[] = {0x01, 0xDA, 0x00, 0x02};
  EXPECT_EQ(_VLimage_kind(jfif, 6), VLIMAGE_JPEG);
  EXPECT_EQ(_VLimage_kind(exif, 6), VLIMAGE_JPEG);
  EXPECT_EQ(_VLimage_kind(sgi1, 4), VLIMAGE_SGI);
  EXPECT_EQ(_VLimage_kind(sgi2, 4), VLIMAGE_TGA);  // two bytes per channel: not read as SGI
  expect_refused(Bytes(), VLTXT_TEX_IO_ERROR);
}

TEST_F(ImageTest, FindOnSearchPathWithExtensions) {
  ImageDir dir;
  dir.write("stone.rgb", sgi_verbatim(2, 1, test_planes(1, 2, 1)));
  char *path = VLimage_find("stone");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::string(path), dir.path() + "/stone.rgb");
  free(path);

  dir.write("stone.tga", tga_solid(1, 1, 1, 1, 1));
  dir.write("stone.jpg", jpeg_encode(quadrants(1), 16, 16, 1, false));
  path = VLimage_find("stone");
  EXPECT_EQ(std::string(path), dir.path() + "/stone.tga");
  free(path);

  record_messages();
  EXPECT_EQ(VLimage_find("stone.png"), nullptr);  // has an extension: not extended
  EXPECT_EQ(VLimage_find("missing"), nullptr);
  EXPECT_EQ(fired_count(VLM_IMG_NOT_FOUND), 2);
  mkdir((dir.path() + "/sub.d").c_str(), 0700);
  dir.write("sub.d/brick.jpg", jpeg_encode(quadrants(1), 16, 16, 1, false));
  path = VLimage_find("sub.d/brick");  // the dot is in a directory name
  EXPECT_EQ(std::string(path ? path : ""), dir.path() + "/sub.d/brick.jpg");
  free(path);
}

TEST_F(ImageTest, ReadFromFile) {
  ImageDir dir;
  dir.write("tile.tga", tga_solid(3, 2, 9, 8, 7));
  int w = 0, h = 0;
  uint8_t *img = VLimage_read("tile", &w, &h);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(rgba_at(img, w, 2, 1), (Px{9, 8, 7, 255}));
  free(img);

  dir.write("bad.tga", Bytes(5, 0));
  record_messages();
  EXPECT_EQ(VLimage_read("bad.tga", &w, &h), nullptr);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(fired_count(VLM_TGA_IO_ERROR), 1);
  mkdir((dir.path() + "/folder.tga").c_str(), 0700);  // a directory is not an image
  EXPECT_EQ(VLimage_read("folder.tga", &w, &h), nullptr);
  EXPECT_EQ(fired_count(VLM_IMG_NOT_FOUND), 1);
}

}  // namespace

/* ---------- where the readers' messages go ---------- */

namespace {

/* What decoding (or reading a file) printed on each stream. */
struct Streams {
  std::string out, err;
  bool image = false;
};

template <typename F>
Streams streams_of(F decode_or_read) {
  Streams s;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  s.image = decode_or_read();
  s.err = testing::internal::GetCapturedStderr();
  s.out = testing::internal::GetCapturedStdout();
  return s;
}

Streams streams_of_decode(const Bytes &b) {
  return streams_of([&] {
    int w = -1, h = -1;
    uint8_t *img = VLimage_decode(b.data(), b.size(), "pic", &w, &h);
    free(img);
    return img != nullptr;
  });
}

}  // namespace

/* The Targa and SGI readers' format errors go to standard error without a
 * prefix; "too large" and the JPEG reader's messages are warnings on
 * standard output. */
TEST(ImageStreams, FormatErrorsOnStandardErrorWarningsOnStandardOutput) {
  auto tga = [](void (*edit)(TgaFields &), size_t keep) {
    TgaFields s;
    edit(s);
    Bytes b = tga_header(s);
    b.resize(b.size() + 64, 1);
    if (keep) b.resize(keep);
    return b;
  };
  Bytes sgi = sgi_verbatim(2, 2, test_planes(3, 2, 2));
  Bytes sgi5 = sgi, sgishort(sgi.begin(), sgi.end() - 1);
  sgi5[11] = 5;
  Bytes jpeg = jpeg_encode(quadrants(3), 16, 16, 3, false);
  Bytes tgashort = tga_solid(4, 4, 1, 2, 3);
  tgashort.pop_back();
  std::vector<uint8_t> cmyk(16 * 16 * 4, 100);
  const std::string W = "VLX Warning: ";
  struct Case {
    const char *what;
    Bytes bytes;
    std::string err, out;
  } const cases[] = {
      {"tga short header", tga([](TgaFields &) {}, 10), "IO Error reading pic\n", ""},
      {"tga type", tga([](TgaFields &s) { s.type = 4; }, 0),
       "pic - unknown Targa image type 4\n", ""},
      {"tga pixel size", tga([](TgaFields &s) { s.bits = 12; }, 0),
       "pic - unknown pixel size - 12\n", ""},
      {"tga map type", tga([](TgaFields &s) { s.type = 9, s.bits = 8, s.mapbits = 24; }, 0),
       "pic - mapped image (type 9) with color map type != 1\n", ""},
      {"tga map size",
       tga([](TgaFields &s) { s.type = 1, s.bits = 8, s.maptype = 1, s.mapbits = 12; }, 0),
       "pic - unknown colormap pixel size - 12\n", ""},
      {"tga interleaved", tga([](TgaFields &s) { s.descriptor = 0x80; }, 0),
       "Do not support interleaved TARGA files.\n", ""},
      {"tga short pixels", tgashort, "error in reading pic\n", ""},
      {"tga too large", tga([](TgaFields &s) { s.width = 2048; }, 0), "",
       W + "Texture pattern pic is too large\n"},
      {"sgi channels", sgi5, "pic - unsupported number of SGI image channels - 5\n", ""},
      {"sgi short", sgishort, "error in reading pic\n", ""},
      {"jpeg unreadable", Bytes(jpeg.begin(), jpeg.begin() + 100), "",
       W + "JPEG file is not in a format readable by VLX\n"},
      {"jpeg components", jpeg_encode(cmyk, 16, 16, 4, false), "",
       W + "Unsupported number of components per pixel in JPEG \t\t\t\t\tfile pic\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Streams s = streams_of_decode(c.bytes);
    EXPECT_FALSE(s.image);
    EXPECT_EQ(s.err, c.err);
    EXPECT_EQ(s.out, c.out);
  }
  Streams good = streams_of_decode(jpeg);  /* and a good file prints nothing */
  EXPECT_TRUE(good.image);
  EXPECT_EQ(good.err + good.out, "");
}

/* The JPEG reader opens the file itself and says when it cannot; files that
 * start FF D8 FF without the JFIF marker are read as JPEG as well. */
TEST(ImageStreams, JpegFileEntryOpensTheFile) {
  ImageDir dir;
  Bytes jfif = jpeg_encode(quadrants(1), 16, 16, 1, false);
  ASSERT_EQ(jfif[3], 0xE0);
  Bytes exif = jfif;  /* the APP0 segment relabelled APP1: no longer JFIF */
  exif[3] = 0xE1;
  std::string jfifpath = dir.write("a.jpg", jfif), exifpath = dir.write("b.jpg", exif);
  std::string missing = dir.path() + "/gone.jpg";
  struct Case {
    std::string path;
    bool image;
    std::string out;
  } const cases[] = {
      {jfifpath, true, ""},
      {exifpath, true, ""},
      {missing, false, "VLX Warning: JPEG: Cannot open " + missing + "\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    int w = -1, h = -1;
    Streams s = streams_of([&] {
      uint8_t *img = _VLjpeg_read(c.path.c_str(), &w, &h);
      free(img);
      return img != nullptr;
    });
    EXPECT_EQ(s.image, c.image);
    EXPECT_EQ(w, c.image ? 16 : 0);
    EXPECT_EQ(h, c.image ? 16 : 0);
    EXPECT_EQ(s.out, c.out);
    EXPECT_EQ(s.err, "");
  }
  /* Through VLimage_read the dispatch hands both files to the JPEG reader. */
  for (const char *name : {"a.jpg", "b"}) {
    int w = 0, h = 0;
    uint8_t *img = VLimage_read(name, &w, &h);
    EXPECT_NE(img, nullptr) << name;
    EXPECT_EQ(w, 16) << name;
    free(img);
  }
}
