/* Targa reader: types 1 and 9 (colour-mapped), 2 and 10 (true colour),
 * 3 and 11 (grey); 9-11 run-length encoded, with packets that may cross row
 * ends. Pixels of 8, 15, 16, 24 and 32 bits; colour maps of the same entry
 * sizes, indexed by 8- or 16-bit values. Rows bottom-to-top or top-to-bottom
 * (descriptor bit 5), columns right-to-left with bit 4. The file's alpha is
 * not used: black is transparent, every other colour opaque. Interleaved
 * files are refused. Sides are limited to VLIMAGE_TGAMAXSIDE. The header
 * checks and read errors go to standard error without a prefix; only the
 * size limit is a warning. */
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

struct TgaHeader {
  int idlength, maptype, type;
  int maporigin, maplength, mapbits;
  int width, height, bits, descriptor;
};

bool is_mapped(int type) { return type == 1 || type == 9; }
bool is_rle(int type) { return type >= 9; }
bool valid_bits(int bits) {
  return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}
int bytes_of(int bits) { return (bits + 7) / 8; }

/* The header and the checks in their fixed order; false after the message. */
bool read_header(VLbytecursor &c, const char *name, TgaHeader &h) {
  h.idlength = c.u8();
  h.maptype = c.u8();
  h.type = c.u8();
  h.maporigin = c.le16();
  h.maplength = c.le16();
  h.mapbits = c.u8();
  c.le16();  // x origin
  c.le16();  // y origin
  h.width = c.le16();
  h.height = c.le16();
  h.bits = c.u8();
  h.descriptor = c.u8();
  c.skip(size_t(h.idlength));
  if (c.failed()) {
    VLMSG(TGA_IO_ERROR, name);
    return false;
  }
  if (h.type != 1 && h.type != 2 && h.type != 3 && !(h.type >= 9 && h.type <= 11)) {
    VLMSG(TGA_UNKNOWN_TYPE, name, h.type);
    return false;
  }
  if (h.width > VLIMAGE_TGAMAXSIDE || h.height > VLIMAGE_TGAMAXSIDE) {
    VLMSG(IMG_TOO_LARGE, name);
    return false;
  }
  if (!is_mapped(h.type) && !valid_bits(h.bits)) {
    VLMSG(TGA_PIXEL_SIZE, name, h.bits);
    return false;
  }
  if (is_mapped(h.type) && h.maptype != 1) {
    VLMSG(TGA_MAP_TYPE, name, h.type);
    return false;
  }
  if (is_mapped(h.type) && !valid_bits(h.mapbits)) {
    VLMSG(TGA_MAP_SIZE, name, h.mapbits);
    return false;
  }
  int interleave = h.descriptor >> 6 & 3;
  if (interleave == 1 || interleave == 2) {
    VLMSG(TGA_INTERLEAVED);
    return false;
  }
  /* Mapped images index their map with 8- or 16-bit values only. */
  if (is_mapped(h.type) && h.bits != 8 && h.bits != 16) {
    VLMSG(TGA_PIXEL_SIZE2, h.bits);
    return false;
  }
  return true;
}

/* One colour value of 8 (grey), 15/16 (5-5-5) or 24/32 (B, G, R) bits. */
void decode_colour(const uint8_t *b, int bits, uint8_t out[4]) {
  if (bits == 8) {
    out[0] = out[1] = out[2] = b[0];
  } else if (bits == 15 || bits == 16) {
    int v = b[0] | b[1] << 8;
    out[0] = uint8_t((v >> 10 & 31) * 8);
    out[1] = uint8_t((v >> 5 & 31) * 8);
    out[2] = uint8_t((v & 31) * 8);
  } else {
    out[0] = b[2];
    out[1] = b[1];
    out[2] = b[0];
  }
  out[3] = (out[0] | out[1] | out[2]) ? 255 : 0;
}

/* The colour map into a table of 4-byte entries indexed from 0 (entries
 * below the origin stay transparent black); a map that is present but not
 * used is skipped. */
bool read_colourmap(VLbytecursor &c, const TgaHeader &h, std::vector<uint8_t> &table) {
  if (h.maptype != 1) return true;
  size_t entry = size_t(bytes_of(h.mapbits));
  if (!is_mapped(h.type)) return c.skip(entry * size_t(h.maplength));
  VLbytecursor map = c.sub(entry * size_t(h.maplength));
  if (map.failed()) return false;
  table.assign((size_t(h.maporigin) + size_t(h.maplength)) * 4, 0);
  uint8_t raw[4];
  for (int i = 0; i < h.maplength; ++i) {
    map.bytes(raw, entry);
    decode_colour(raw, h.mapbits, &table[(size_t(h.maporigin) + size_t(i)) * 4]);
  }
  return true;
}

/* Decodes pixel after pixel through the run-length packets (when encoded),
 * which carry on across row ends. */
class PixelSource {
 public:
  PixelSource(VLbytecursor &c, const TgaHeader &h, const std::vector<uint8_t> &table)
      : c_(c), h_(h), table_(table), size_(size_t(bytes_of(h.bits))) {}

  /* False on a short read or a colour-map index outside the map. */
  bool next(uint8_t out[4]) {
    if (is_rle(h_.type) && left_ == 0) {
      int count = c_.u8();
      run_ = count > 127;
      left_ = run_ ? count - 127 : count + 1;
      if (run_ && !value(runvalue_)) return false;
    }
    if (is_rle(h_.type)) {
      --left_;
      if (run_) {
        memcpy(out, runvalue_, 4);
        return true;
      }
    }
    return value(out);
  }

  int badindex = -1;

 private:
  bool value(uint8_t out[4]) {
    uint8_t raw[4];
    if (!c_.bytes(raw, size_)) return false;
    if (!is_mapped(h_.type)) {
      decode_colour(raw, h_.bits, out);
      return true;
    }
    size_t index = size_ == 1 ? raw[0] : size_t(raw[0] | raw[1] << 8);
    if (index >= table_.size() / 4) {
      badindex = int(index);
      return false;
    }
    memcpy(out, &table_[index * 4], 4);
    return true;
  }

  VLbytecursor &c_;
  const TgaHeader &h_;
  const std::vector<uint8_t> &table_;
  size_t size_;
  int left_ = 0;
  bool run_ = false;
  uint8_t runvalue_[4] = {};
};

bool read_pixels(VLbytecursor &c, const TgaHeader &h, const std::vector<uint8_t> &table,
                 uint8_t *img, const char *name) {
  PixelSource src(c, h, table);
  bool toptobottom = h.descriptor & 0x20, righttoleft = h.descriptor & 0x10;
  for (int i = 0; i < h.height; ++i) {
    size_t row = size_t(toptobottom ? h.height - 1 - i : i);
    for (int x = 0; x < h.width; ++x) {
      size_t col = size_t(righttoleft ? h.width - 1 - x : x);
      if (src.next(&img[(row * size_t(h.width) + col) * 4])) continue;
      if (src.badindex >= 0)
        VLMSG(TGA_BAD_INDEX, name, src.badindex);
      else
        VLMSG(IMG_READ_ERROR, name);
      return false;
    }
  }
  return true;
}

}  // namespace

uint8_t *_VLtga_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height) {
  VLbytecursor c(data, size);
  TgaHeader h;
  if (!read_header(c, name, h)) return nullptr;
  std::vector<uint8_t> table;
  if (!read_colourmap(c, h, table)) {
    VLMSG(IMG_READ_ERROR, name);
    return nullptr;
  }
  /* Every pixel takes at least one byte (a run packet covers up to 128). */
  size_t least = size_t(h.width) * size_t(h.height);
  if (is_rle(h.type)) least = (least + 127) / 128;
  if (c.left() < least && h.width > 0 && h.height > 0) {
    VLMSG(IMG_READ_ERROR, name);
    return nullptr;
  }
  uint8_t *img = _VLimage_alloc(h.width, h.height, VLIMAGE_TGAMAXSIDE, name);
  if (!img) return nullptr;
  if (!read_pixels(c, h, table, img, name)) {
    free(img);
    return nullptr;
  }
  *width = h.width;
  *height = h.height;
  return img;
}
