/* Image readers: Targa (every type and depth, colour maps, run-length
 * packets across rows, row and column order), SGI image (verbatim and
 * run-length, 1 to 4 channels, both offset-table orders), JPEG (grey,
 * colour, progressive), GIF (palettes, transparency, interlace, the frame
 * on its screen), PNG (every colour type and depth, interlace), the
 * dispatch by first bytes, the image search path, and truncated, damaged,
 * oversized and inconsistent files of every format. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <memory>
#include <random>
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

/* ---------- GIF ---------- */

namespace {

/* Four colours: red, green, blue, white. */
const std::vector<uint8_t> kPalette4 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};

/* Palette index of pixel (x, y) of a test pattern, top row first. */
uint8_t pattern(int x, int y) { return uint8_t((x + 2 * y) % 4); }

std::vector<uint8_t> pattern_indices(int w, int h) {
  std::vector<uint8_t> v;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.push_back(pattern(x, y));
  return v;
}

Px palette_px(uint8_t index) {
  return {kPalette4[index * 3u], kPalette4[index * 3u + 1], kPalette4[index * 3u + 2], 255};
}

}  // namespace

TEST_F(ImageTest, GifPalettesTransparencyAndInterlace) {
  const int w = 5, h = 11;  // eleven rows reach every interlace pass
  struct Case {
    const char *what;
    bool local, interlace;
    int transparent;
  } cases[] = {
      {"global table", false, false, -1}, {"local table", true, false, -1},
      {"interlaced", false, true, -1},    {"transparent index", false, false, 2},
      {"interlaced, local, transparent", true, true, 1},
  };
  for (const Case &c : cases) {
    GifFields f;
    f.local = c.local;
    f.interlace = c.interlace;
    f.transparent = c.transparent;
    Image img = decode(gif_encode(pattern_indices(w, h), w, h, kPalette4, f));
    ASSERT_NE(img.pixels.get(), nullptr) << c.what;
    EXPECT_EQ(img.width, w);
    EXPECT_EQ(img.height, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t index = pattern(x, y);
        Px want = index == c.transparent ? Px{0, 0, 0, 0} : palette_px(index);
        /* The file's top row is the buffer's last. */
        ASSERT_EQ(img.at(x, h - 1 - y), want) << c.what << " at " << x << "," << y;
      }
  }
  EXPECT_TRUE(fired().empty());
}

TEST_F(ImageTest, GifFrameOnTheScreen) {
  /* A 3 x 2 frame on screens of several sizes: clipped at the screen's
   * edges, the rest of the screen transparent black. */
  const int fw = 3, fh = 2;
  struct Case {
    int sw, sh, left, top;
    int w, h;  /* the image */
  } cases[] = {
      {6, 5, 1, 2, 6, 5},   // inside
      {4, 3, 2, 2, 4, 3},   // reaching past the right and bottom edges
      {4, 3, 9, 9, 4, 3},   // wholly outside
      {0, 0, 7, 7, 3, 2},   // no screen size: the frame's own, at the origin
      {2, 1, 0, 0, 2, 1},   // a screen smaller than the frame
  };
  for (const Case &c : cases) {
    GifFields f;
    f.screenwidth = c.sw;
    f.screenheight = c.sh;
    f.left = c.left;
    f.top = c.top;
    Image img = decode(gif_encode(pattern_indices(fw, fh), fw, fh, kPalette4, f));
    ASSERT_NE(img.pixels.get(), nullptr) << c.sw << "x" << c.sh;
    ASSERT_EQ(img.width, c.w);
    ASSERT_EQ(img.height, c.h);
    int left = c.sw > 0 ? c.left : 0, top = c.sh > 0 ? c.top : 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        int fx = x - left, fy = y - top;
        bool inside = fx >= 0 && fx < fw && fy >= 0 && fy < fh;
        Px want = inside ? palette_px(pattern(fx, fy)) : Px{0, 0, 0, 0};
        ASSERT_EQ(img.at(x, c.h - 1 - y), want) << c.sw << "x" << c.sh << " at " << x << "," << y;
      }
  }
}

TEST_F(ImageTest, GifFirstFrameOnly) {
  GifFields f;
  f.frames = 3;
  Image img = decode(gif_encode(pattern_indices(4, 4), 4, 4, kPalette4, f));
  ASSERT_NE(img.pixels.get(), nullptr);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.at(x, 3 - y), palette_px(pattern(x, y)));
}

TEST_F(ImageTest, GifRefusesBadFiles) {
  Bytes good = gif_encode(pattern_indices(16, 16), 16, 16, kPalette4);
  ASSERT_GT(good.size(), 40u);
  GifFields none;
  none.nopalette = true;
  expect_refused(gif_encode(pattern_indices(4, 4), 4, 4, kPalette4, none), VLTXT_GIF_UNREADABLE);
  GifFields empty;
  empty.noimage = true;
  expect_refused(gif_encode(pattern_indices(4, 4), 4, 4, kPalette4, empty), VLTXT_GIF_NO_IMAGE);
  /* The code stream cut short, and only a signature. */
  expect_refused(Bytes(good.begin(), good.end() - 6), VLTXT_GIF_UNREADABLE);
  expect_refused(Bytes(good.begin(), good.begin() + 6), VLTXT_GIF_UNREADABLE);
  const char junk[] = "GIF89a\x10\x00\x10\x00\xf1\x00\x00garbage-garbage-garbage";
  expect_refused(Bytes(junk, junk + sizeof junk - 1), VLTXT_GIF_UNREADABLE);
  /* Sides: a frame or a screen past the limit, a frame without pixels. */
  std::vector<uint8_t> wide(VLIMAGE_MAXSIDE + 1, 1);
  expect_refused(gif_encode(wide, VLIMAGE_MAXSIDE + 1, 1, kPalette4), VLTXT_IMG_TOO_LARGE);
  GifFields bigscreen;
  bigscreen.screenwidth = VLIMAGE_MAXSIDE + 1;
  expect_refused(gif_encode(pattern_indices(2, 2), 2, 2, kPalette4, bigscreen),
                 VLTXT_IMG_TOO_LARGE);
}

/* ---------- PNG ---------- */

namespace {

/* The checksum of PNG chunks (CRC-32, reflected, polynomial EDB88320). */
uint32_t crc32_of(const uint8_t *p, size_t n) {
  uint32_t c = 0xffffffffu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
  }
  return c ^ 0xffffffffu;
}

/* Samples of a 3 x 2 image for a PNG case and the pixels it must give. */
struct PngCase {
  const char *what;
  PngFields fields;
  std::vector<int> samples;
  std::vector<Px> want;  /* top row first */
};

std::vector<PngCase> png_cases(void) {
  std::vector<PngCase> cases;
  auto add = [&](const char *what, int type, int depth, std::vector<int> samples,
                 std::vector<Px> want) {
    PngCase c;
    c.what = what;
    c.fields.colortype = type;
    c.fields.depth = depth;
    c.samples = samples;
    c.want = want;
    cases.push_back(c);
    return &cases.back();
  };
  add("grey 8", 0, 8, {0, 10, 20, 128, 200, 255},
      {{0, 0, 0, 255}, {10, 10, 10, 255}, {20, 20, 20, 255}, {128, 128, 128, 255},
       {200, 200, 200, 255}, {255, 255, 255, 255}});
  add("grey 1", 0, 1, {0, 1, 0, 1, 1, 0},
      {{0, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255},
       {255, 255, 255, 255}, {0, 0, 0, 255}});
  add("grey 2", 0, 2, {0, 1, 2, 3, 0, 1},
      {{0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, {255, 255, 255, 255},
       {0, 0, 0, 255}, {85, 85, 85, 255}});
  add("grey 4", 0, 4, {0, 1, 15, 8, 3, 5},
      {{0, 0, 0, 255}, {17, 17, 17, 255}, {255, 255, 255, 255}, {136, 136, 136, 255},
       {51, 51, 51, 255}, {85, 85, 85, 255}});
  add("grey 16", 0, 16, {0, 0x8080, 0xffff, 0x0101, 0x1234, 0xfefe},
      {{0, 0, 0, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}, {1, 1, 1, 255},
       {18, 18, 18, 255}, {254, 254, 254, 255}});
  PngCase *g = add("grey 8 with a transparent value", 0, 8, {0, 10, 20, 10, 200, 255},
                   {{0, 0, 0, 255}, {10, 10, 10, 0}, {20, 20, 20, 255}, {10, 10, 10, 0},
                    {200, 200, 200, 255}, {255, 255, 255, 255}});
  g->fields.trnscolour = {10};
  add("grey + alpha 8", 4, 8, {5, 255, 6, 0, 7, 128, 8, 1, 9, 2, 10, 3},
      {{5, 5, 5, 255}, {6, 6, 6, 0}, {7, 7, 7, 128}, {8, 8, 8, 1}, {9, 9, 9, 2}, {10, 10, 10, 3}});
  add("grey + alpha 16", 4, 16,
      {0x0505, 0xffff, 0x0606, 0, 0x0707, 0x8080, 0x0808, 0x0101, 0x0909, 0x0202, 0x0a0a, 0x0303},
      {{5, 5, 5, 255}, {6, 6, 6, 0}, {7, 7, 7, 128}, {8, 8, 8, 1}, {9, 9, 9, 2}, {10, 10, 10, 3}});
  add("RGB 8", 2, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 0, 0},
      {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}, {10, 11, 12, 255}, {13, 14, 15, 255},
       {0, 0, 0, 255}});
  PngCase *rgbt = add("RGB 8 with a transparent colour", 2, 8,
                      {1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 1, 2, 4, 0, 0, 0},
                      {{1, 2, 3, 0}, {4, 5, 6, 255}, {7, 8, 9, 255}, {1, 2, 3, 0},
                       {1, 2, 4, 255}, {0, 0, 0, 255}});
  rgbt->fields.trnscolour = {1, 2, 3};
  add("RGB 16", 2, 16,
      {0x0101, 0x0202, 0x0303, 0xffff, 0, 0x8080, 0, 0, 0, 0x1010, 0x2020, 0x3030, 0xfefe,
       0xfdfd, 0xfcfc, 0x4040, 0x5050, 0x6060},
      {{1, 2, 3, 255}, {255, 0, 128, 255}, {0, 0, 0, 255}, {16, 32, 48, 255},
       {254, 253, 252, 255}, {64, 80, 96, 255}});
  add("RGBA 8", 6, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0, 0, 0, 0, 255,
                       255, 255, 255},
      {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}, {0, 0, 0, 0},
       {255, 255, 255, 255}});
  add("RGBA 16", 6, 16,
      {0x0101, 0x0202, 0x0303, 0x0404, 0, 0, 0, 0, 0xffff, 0xffff, 0xffff, 0xffff, 0x8080,
       0x8080, 0x8080, 0x8080, 0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777, 0x8888},
      {{1, 2, 3, 4}, {0, 0, 0, 0}, {255, 255, 255, 255}, {128, 128, 128, 128},
       {17, 34, 51, 68}, {85, 102, 119, 136}});
  PngCase *p1 = add("palette 1", 3, 1, {0, 1, 1, 0, 0, 1},
                    {{10, 20, 30, 255}, {40, 50, 60, 0}, {40, 50, 60, 0}, {10, 20, 30, 255},
                     {10, 20, 30, 255}, {40, 50, 60, 0}});
  p1->fields.palette = {10, 20, 30, 40, 50, 60};
  p1->fields.trnsalpha = {255, 0};
  for (int depth : {2, 4, 8}) {
    static const char *const names[] = {"", "", "palette 2", "", "palette 4", "", "", "",
                                        "palette 8"};
    int top = (1 << depth) - 1;
    PngCase *p = add(names[depth], 3, depth, {0, 1, top, 0, 1, 1},
                     {{10, 20, 30, 255}, {40, 50, 60, 0}, {70, 80, 90, 255}, {10, 20, 30, 255},
                      {40, 50, 60, 0}, {40, 50, 60, 0}});
    std::vector<uint8_t> pal(size_t(top + 1) * 3, 0);
    const uint8_t first[] = {10, 20, 30, 40, 50, 60};
    for (int i = 0; i < 6; ++i) pal[size_t(i)] = first[i];
    pal[size_t(top) * 3] = 70;
    pal[size_t(top) * 3 + 1] = 80;
    pal[size_t(top) * 3 + 2] = 90;
    p->fields.palette = pal;
    p->fields.trnsalpha = {255, 0};  // entry 1 transparent, the rest opaque
  }
  return cases;
}

}  // namespace

TEST_F(ImageTest, PngEveryColourTypeAndDepth) {
  for (const PngCase &c : png_cases()) {
    for (bool interlace : {false, true}) {
      PngFields f = c.fields;
      f.interlace = interlace;
      Image img = decode(png_encode(c.samples, 3, 2, f));
      ASSERT_NE(img.pixels.get(), nullptr) << c.what;
      ASSERT_EQ(img.width, 3) << c.what;
      ASSERT_EQ(img.height, 2) << c.what;
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
          EXPECT_EQ(img.at(x, 1 - y), c.want[size_t(y * 3 + x)])
              << c.what << (interlace ? " interlaced" : "") << " at " << x << "," << y;
    }
  }
  EXPECT_TRUE(fired().empty());
}

TEST_F(ImageTest, PngInterlacedLargerImage) {
  /* 13 x 11 spans every Adam7 pass several times. */
  std::vector<int> samples;
  for (int i = 0; i < 13 * 11 * 3; ++i) samples.push_back((i * 29) & 255);
  PngFields plain, adam7;
  adam7.interlace = true;
  Image a = decode(png_encode(samples, 13, 11, plain));
  Image b = decode(png_encode(samples, 13, 11, adam7));
  ASSERT_NE(a.pixels.get(), nullptr);
  ASSERT_NE(b.pixels.get(), nullptr);
  EXPECT_EQ(memcmp(a.pixels.get(), b.pixels.get(), 13 * 11 * 4), 0);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x) {
      size_t i = size_t(y * 13 + x) * 3;
      EXPECT_EQ(b.at(x, 10 - y), (Px{samples[i], samples[i + 1], samples[i + 2], 255}));
    }
}

TEST_F(ImageTest, PngRefusesBadFiles) {
  std::vector<int> samples(8 * 8 * 3, 77);
  PngFields f;
  Bytes good = png_encode(samples, 8, 8, f);
  ASSERT_GT(good.size(), 60u);
  expect_refused(Bytes(good.begin(), good.begin() + 8), VLTXT_PNG_UNREADABLE);
  expect_refused(Bytes(good.begin(), good.begin() + 40), VLTXT_PNG_UNREADABLE);
  expect_refused(Bytes(good.begin(), good.end() - 1), VLTXT_PNG_UNREADABLE);
  Bytes badcrc = good;
  badcrc[29] ^= 0x40;  // the IHDR chunk's checksum
  expect_refused(badcrc, VLTXT_PNG_UNREADABLE);
  Bytes badsize = good;
  badsize[19] = 0;  // width 0 (its checksum fixed up below)
  badsize[16] = badsize[17] = badsize[18] = 0;
  uint32_t crc = crc32_of(badsize.data() + 12, 17);
  for (int k = 0; k < 4; ++k) badsize[size_t(29 + k)] = uint8_t(crc >> (24 - 8 * k));
  expect_refused(badsize, VLTXT_PNG_UNREADABLE);
  std::vector<int> wide((VLIMAGE_MAXSIDE + 1) * 3, 1);
  expect_refused(png_encode(wide, VLIMAGE_MAXSIDE + 1, 1, f), VLTXT_IMG_TOO_LARGE);
}

/* ---------- random damage ---------- */

TEST_F(ImageTest, FlippedBytesNeverBreakAReader) {
  std::vector<int> rgba(6 * 5 * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = int(i * 13 & 255);
  PngFields rgbaf;
  rgbaf.colortype = 6;
  rgbaf.interlace = true;
  PngCase palette = png_cases().back();
  GifFields gi;
  gi.interlace = true;
  gi.transparent = 1;
  const Bytes files[] = {
      gif_encode(pattern_indices(7, 9), 7, 9, kPalette4, gi),
      png_encode(rgba, 6, 5, rgbaf),
      png_encode(palette.samples, 3, 2, palette.fields),
      tga_solid(3, 2, 1, 2, 3),
      sgi_rle(6, 3, test_planes(3, 6, 3), false),
      jpeg_encode(quadrants(3), 16, 16, 3, true),
  };
  std::mt19937 rng(4321);
  for (const Bytes &f : files) {
    for (int round = 0; round < 400; ++round) {
      Bytes bad = f;
      int flips = 1 + int(rng() % 4);
      for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = uint8_t(rng() & 0xff);
      Image img = decode(bad);
      if (!img.pixels) {
        EXPECT_EQ(img.width, 0);
        continue;
      }
      EXPECT_GT(img.width, 0);
      EXPECT_LE(img.width, VLIMAGE_MAXSIDE);
      EXPECT_LE(img.height, VLIMAGE_MAXSIDE);
    }
  }
}

/* ---------- every prefix of every format ---------- */

TEST_F(ImageTest, EveryTruncationIsRefusedCleanly) {
  TgaFields rle;
  rle.type = 10;
  rle.width = 5;
  rle.height = 2;
  Bytes tga_rle = tga_header(rle);
  GifFields interlaced;
  interlaced.interlace = true;
  interlaced.transparent = 3;
  for (int v : {128 + 6, 1, 2, 3, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12}) tga_rle.push_back(uint8_t(v));
  const Bytes files[] = {tga_solid(3, 2, 1, 2, 3), tga_rle,
                         sgi_verbatim(4, 2, test_planes(2, 4, 2)),
                         sgi_rle(6, 3, test_planes(3, 6, 3), false),
                         jpeg_encode(quadrants(1), 16, 16, 1, true),
                         gif_encode(pattern_indices(5, 9), 5, 9, kPalette4, interlaced),
                         png_encode(png_cases()[6].samples, 3, 2, png_cases()[6].fields)};
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
  const uint8_t gif87[] = {'G', 'I', 'F', '8', '7', 'a'};
  const uint8_t gif89[] = {'G', 'I', 'F', '8', '9', 'a'};
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_EQ(_VLimage_kind(gif87, 6), VLIMAGE_GIF);
  EXPECT_EQ(_VLimage_kind(gif89, 6), VLIMAGE_GIF);
  EXPECT_EQ(_VLimage_kind(png, 8), VLIMAGE_PNG);
  EXPECT_EQ(_VLimage_kind(png, 7), VLIMAGE_TGA);  // a signature cut short
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
  Bytes gif = gif_encode(pattern_indices(8, 8), 8, 8, kPalette4);
  GifFields noimage;
  noimage.noimage = true;
  Bytes png = png_encode(std::vector<int>(8 * 8 * 3, 9), 8, 8, PngFields());
  Bytes pngcrc = png;
  pngcrc[30] ^= 1;
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
      {"gif cut short", Bytes(gif.begin(), gif.end() - 5), "",
       W + "GIF file pic is not in a format readable by VLX\n"},
      {"gif without image", gif_encode({}, 0, 0, kPalette4, noimage), "",
       W + "GIF file pic holds no image\n"},
      {"png cut short", Bytes(png.begin(), png.end() - 20), "",
       W + "PNG file pic is not in a format readable by VLX\n"},
      {"png checksum", pngcrc, "", W + "PNG file pic is not in a format readable by VLX\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Streams s = streams_of_decode(c.bytes);
    EXPECT_FALSE(s.image);
    EXPECT_EQ(s.err, c.err);
    EXPECT_EQ(s.out, c.out);
  }
  for (const Bytes &b : {jpeg, gif, png}) {  /* and a good file prints nothing */
    Streams good = streams_of_decode(b);
    EXPECT_TRUE(good.image);
    EXPECT_EQ(good.err + good.out, "");
  }
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
