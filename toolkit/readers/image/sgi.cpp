/* SGI image reader: one byte per channel, 1 to 4 channels, verbatim or
 * run-length encoded. Run-length files carry a table of start offsets per
 * row and channel; every run is decoded from its own offset, so files whose
 * runs are stored row by row and files stored channel by channel read the
 * same. Runs that leave the file or overflow a row are refused. Channel
 * mapping: grey (alpha 0 for black), grey + alpha, RGB (alpha 0 for black),
 * RGBA. Sides are limited to VLIMAGE_MAXSIDE. Format and read errors go to
 * standard error without a prefix, as the Targa reader's do. */
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "core/diag_internal.h"
#include "core/messages.h"
#include "readers/bytes/byte_cursor.h"
#include "readers/image/images.h"
#include "vlx/diag.h"
#include "vlx/image.h"

namespace {

enum { kHeaderSize = 512 };

struct SgiHeader {
  int storage, dimension, xsize, ysize, zsize;
};

bool read_header(VLbytecursor &c, const char *name, SgiHeader &h) {
  c.be16();  // magic, checked by the dispatch
  h.storage = c.u8();
  c.u8();  // bytes per channel (1)
  h.dimension = c.be16();
  h.xsize = c.be16();
  h.ysize = c.be16();
  h.zsize = c.be16();
  if (!c.seek(kHeaderSize)) {
    VLMSG(IMG_READ_ERROR, name);
    return false;
  }
  /* A one-dimensional image is one row, a two-dimensional one grey. */
  if (h.dimension == 1) h.ysize = 1;
  if (h.dimension <= 2) h.zsize = 1;
  if (h.zsize < 1 || h.zsize > 4) {
    VLMSG(SGI_CHANNELS, name, h.zsize);
    return false;
  }
  return true;
}

/* Decodes one run into a row of xsize bytes; false when it leaves the file
 * or does not fit the row. A run that ends early leaves zeros. */
bool decode_run(VLbytecursor c, size_t offset, uint8_t *row, size_t xsize) {
  if (!c.seek(offset)) return false;
  size_t at = 0;
  while (at < xsize) {
    int count = c.u8();
    size_t n = size_t(count & 0x7F);
    if (c.failed()) return false;
    if (n == 0) break;
    if (n > xsize - at) return false;
    if (count & 0x80) {
      if (!c.bytes(row + at, n)) return false;
    } else {
      uint8_t v = c.u8();
      if (c.failed()) return false;
      memset(row + at, v, n);
    }
    at += n;
  }
  return true;
}

/* The bytes the header promises are there (the offset tables, or every
 * verbatim byte): checked before the image is allocated. */
bool enough_data(const VLbytecursor &c, const SgiHeader &h) {
  size_t x = size_t(h.xsize), y = size_t(h.ysize), z = size_t(h.zsize);
  if (h.storage == 1) return c.left() / 8 >= y * z;
  return c.left() / z / (y ? y : 1) >= x;
}

/* Puts row y of channel ch into byte ch of its pixels. */
void scatter(const uint8_t *row, size_t xsize, int y, int ch, uint8_t *img) {
  uint8_t *p = img + size_t(y) * xsize * 4 + size_t(ch);
  for (size_t x = 0; x < xsize; ++x) p[x * 4] = row[x];
}

enum { kOk, kShort, kBadRun };

int read_rle(VLbytecursor &c, const SgiHeader &h, uint8_t *img) {
  size_t runs = size_t(h.ysize) * size_t(h.zsize);
  if (c.left() / 8 < runs) return kShort;  // both tables must be present
  std::vector<uint32_t> offsets(runs);
  for (size_t i = 0; i < runs; ++i) offsets[i] = c.be32();
  size_t x = size_t(h.xsize);
  std::vector<uint8_t> row(x);
  for (int ch = 0; ch < h.zsize; ++ch)
    for (int y = 0; y < h.ysize; ++y) {
      memset(row.data(), 0, x);
      if (!decode_run(c, offsets[size_t(y) + size_t(ch) * size_t(h.ysize)], row.data(), x))
        return kBadRun;
      scatter(row.data(), x, y, ch, img);
    }
  return kOk;
}

/* Channel after channel, row after row; the size is checked first. */
int read_verbatim(VLbytecursor &c, const SgiHeader &h, uint8_t *img) {
  size_t x = size_t(h.xsize), plane = x * size_t(h.ysize);
  if (c.left() / size_t(h.zsize) < plane) return kShort;
  for (int ch = 0; ch < h.zsize; ++ch)
    for (int y = 0; y < h.ysize; ++y) scatter(c.sub(x).data(), x, y, ch, img);
  return kOk;
}

/* The channel rule, in place over bytes 0..zsize-1 of each pixel. */
void apply_channels(const SgiHeader &h, uint8_t *img) {
  size_t n = size_t(h.xsize) * size_t(h.ysize);
  for (size_t i = 0; i < n; ++i) {
    uint8_t *p = img + i * 4;
    switch (h.zsize) {
      case 1: p[1] = p[2] = p[0], p[3] = p[0] ? 255 : 0; break;
      case 2: p[3] = p[1], p[1] = p[2] = p[0]; break;
      case 3: p[3] = (p[0] | p[1] | p[2]) ? 255 : 0; break;
      default: break;
    }
  }
}

}  // namespace

uint8_t *_VLsgi_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height) {
  VLbytecursor c(data, size);
  SgiHeader h;
  if (!read_header(c, name, h)) return nullptr;
  if (!enough_data(c, h)) {
    VLMSG(IMG_READ_ERROR, name);
    return nullptr;
  }
  uint8_t *img = _VLimage_alloc(h.xsize, h.ysize, VLIMAGE_MAXSIDE, name);
  if (!img) return nullptr;
  int r = h.storage == 1 ? read_rle(c, h, img) : read_verbatim(c, h, img);
  if (r != kOk) {
    if (r == kBadRun)
      VLMSG(SGI_BAD_RUN, name);
    else
      VLMSG(IMG_READ_ERROR, name);
    free(img);
    return nullptr;
  }
  apply_channels(h, img);
  *width = h.xsize;
  *height = h.ysize;
  return img;
}
