/* Test support for the image readers and textures: image files built in
 * code (Targa, SGI image, JPEG through libjpeg's compressor, GIF through
 * giflib's encoder, PNG through libpng's writer), a scratch
 * directory on the image search path, and pixel access. */
#ifndef VLX_TESTS_SUPPORT_IMAGE_FIXTURES_H
#define VLX_TESTS_SUPPORT_IMAGE_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

/* The 18-byte Targa header (ID field empty unless idlength > 0, then zeros). */
struct TgaFields {
  int idlength = 0, maptype = 0, type = 2;
  int maporigin = 0, maplength = 0, mapbits = 0;
  int width = 1, height = 1, bits = 24, descriptor = 0;
};
Bytes tga_header(const TgaFields &s);
/* Uncompressed 24-bit Targa of width x height, every pixel (r, g, b). */
Bytes tga_solid(int width, int height, uint8_t r, uint8_t g, uint8_t b);
/* Uncompressed 24-bit Targa from RGBA pixels, bottom row first (alpha dropped). */
Bytes tga_from_rgba(const std::vector<uint8_t> &rgba, int width, int height);

/* SGI image: planes[c][y * xsize + x], bottom row first. */
typedef std::vector<std::vector<uint8_t>> Planes;
Bytes sgi_verbatim(int xsize, int ysize, const Planes &planes);
/* Run-length encoded; rowordered: runs stored row by row (all channels of
 * row 0 first), else channel by channel. */
Bytes sgi_rle(int xsize, int ysize, const Planes &planes, bool rowordered);

/* JPEG from width x height pixels of `components` bytes (1 grey, 3 RGB,
 * 4 CMYK), top row first, quality 95. */
Bytes jpeg_encode(const std::vector<uint8_t> &pixels, int width, int height, int components,
                  bool progressive);

/* GIF through giflib's encoder: one frame of width x height palette
 * indices (top row first); palette holds r, g, b triples, a power of two
 * from 2 to 256 of them. */
struct GifFields {
  int screenwidth = -1, screenheight = -1;  /* -1: the frame's size */
  int left = 0, top = 0;
  bool interlace = false;
  bool local = false;       /* the palette as the frame's own table, no global one */
  bool nopalette = false;   /* no colour table at all */
  int transparent = -1;     /* the transparent index of a graphics control block */
  bool noimage = false;     /* the screen and extensions only */
  int frames = 1;           /* further frames repeat the first, inverted */
};
Bytes gif_encode(const std::vector<uint8_t> &indices, int width, int height,
                 const std::vector<uint8_t> &palette, const GifFields &f = GifFields());

/* PNG through libpng's writer: samples are width x height x channels
 * values (top row first) of the colour type's channels at the bit depth
 * (palette images: indices into palette, r, g, b triples). */
struct PngFields {
  int colortype = 2;              /* PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA */
  int depth = 8;
  bool interlace = false;         /* Adam7 */
  std::vector<uint8_t> palette;   /* r, g, b triples (palette images) */
  std::vector<uint8_t> trnsalpha; /* tRNS alpha per palette entry */
  std::vector<int> trnscolour;    /* tRNS grey value (1) or r, g, b (3) */
};
Bytes png_encode(const std::vector<int> &samples, int width, int height, const PngFields &f);

/* RGBA of pixel (x, y) of an image buffer (y counts from the bottom row). */
std::vector<int> rgba_at(const uint8_t *img, int width, int x, int y);

/* A scratch directory that VLIMAGES names while it lives (the previous
 * value comes back after). */
class ImageDir {
 public:
  ImageDir();
  ~ImageDir();
  const std::string &path(void) const { return path_; }
  /* Writes bytes into the directory; returns the full path. */
  std::string write(const std::string &name, const Bytes &bytes) const;

 private:
  std::string path_;
  std::string saved_;
  bool hadsaved_ = false;
};

#endif
