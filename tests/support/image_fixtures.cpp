#include "support/image_fixtures.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <setjmp.h>

#include <filesystem>

namespace {

void le16(Bytes &b, int v) {
  b.push_back(uint8_t(v & 255));
  b.push_back(uint8_t(v >> 8 & 255));
}
void be16(Bytes &b, int v) {
  b.push_back(uint8_t(v >> 8 & 255));
  b.push_back(uint8_t(v & 255));
}
void be32(Bytes &b, uint32_t v) {
  be16(b, int(v >> 16));
  be16(b, int(v & 0xFFFF));
}

Bytes sgi_header(int storage, int xsize, int ysize, int zsize) {
  Bytes b;
  be16(b, 474);
  b.push_back(uint8_t(storage));
  b.push_back(1);
  be16(b, zsize > 1 ? 3 : 2);
  be16(b, xsize);
  be16(b, ysize);
  be16(b, zsize);
  be32(b, 0);
  be32(b, 255);
  b.resize(512, 0);
  return b;
}

/* One row as literal packets of up to 127 bytes, with repeats for runs of
 * three or more equal bytes, ended by a zero count. */
Bytes encode_row(const uint8_t *row, int n) {
  Bytes out;
  int i = 0;
  while (i < n) {
    int run = 1;
    while (i + run < n && run < 127 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(uint8_t(run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    int lit = 0;
    while (i + lit < n && lit < 127) {
      if (i + lit + 2 < n && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2])
        break;
      ++lit;
    }
    out.push_back(uint8_t(0x80 | lit));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
  out.push_back(0);
  return out;
}

}  // namespace

Bytes tga_header(const TgaFields &s) {
  Bytes b;
  b.push_back(uint8_t(s.idlength));
  b.push_back(uint8_t(s.maptype));
  b.push_back(uint8_t(s.type));
  le16(b, s.maporigin);
  le16(b, s.maplength);
  b.push_back(uint8_t(s.mapbits));
  le16(b, 0);
  le16(b, 0);
  le16(b, s.width);
  le16(b, s.height);
  b.push_back(uint8_t(s.bits));
  b.push_back(uint8_t(s.descriptor));
  b.resize(b.size() + size_t(s.idlength), 0);
  return b;
}

Bytes tga_solid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  TgaFields s;
  s.width = width;
  s.height = height;
  Bytes out = tga_header(s);
  for (int i = 0; i < width * height; ++i) {
    out.push_back(b);
    out.push_back(g);
    out.push_back(r);
  }
  return out;
}

Bytes tga_from_rgba(const std::vector<uint8_t> &rgba, int width, int height) {
  TgaFields s;
  s.width = width;
  s.height = height;
  Bytes out = tga_header(s);
  for (int i = 0; i < width * height; ++i) {
    out.push_back(rgba[size_t(i) * 4 + 2]);
    out.push_back(rgba[size_t(i) * 4 + 1]);
    out.push_back(rgba[size_t(i) * 4]);
  }
  return out;
}

Bytes sgi_verbatim(int xsize, int ysize, const Planes &planes) {
  Bytes b = sgi_header(0, xsize, ysize, int(planes.size()));
  for (const auto &p : planes) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes sgi_rle(int xsize, int ysize, const Planes &planes, bool rowordered) {
  int z = int(planes.size());
  Bytes b = sgi_header(1, xsize, ysize, z);
  size_t tables = size_t(ysize) * size_t(z);
  std::vector<uint32_t> offsets(tables), lengths(tables);
  Bytes data;
  uint32_t base = uint32_t(512 + tables * 8);
  auto add = [&](int c, int y) {
    Bytes run = encode_row(&planes[size_t(c)][size_t(y) * size_t(xsize)], xsize);
    size_t index = size_t(y) + size_t(c) * size_t(ysize);
    offsets[index] = base + uint32_t(data.size());
    lengths[index] = uint32_t(run.size());
    data.insert(data.end(), run.begin(), run.end());
  };
  if (rowordered) {
    for (int y = 0; y < ysize; ++y)
      for (int c = 0; c < z; ++c) add(c, y);
  } else {
    for (int c = 0; c < z; ++c)
      for (int y = 0; y < ysize; ++y) add(c, y);
  }
  for (uint32_t o : offsets) be32(b, o);
  for (uint32_t l : lengths) be32(b, l);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes jpeg_encode(const std::vector<uint8_t> &pixels, int width, int height, int components,
                  bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char *out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&pixels[size_t(c.next_scanline) * size_t(width) *
                                                size_t(components)]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes b(out, out + size);
  free(out);
  return b;
}

namespace {

int gif_append(GifFileType *gif, const GifByteType *data, int n) {
  Bytes *out = static_cast<Bytes *>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

}  // namespace

Bytes gif_encode(const std::vector<uint8_t> &indices, int width, int height,
                 const std::vector<uint8_t> &palette, const GifFields &f) {
  Bytes out;
  int err = 0;
  GifFileType *gif = EGifOpen(&out, gif_append, &err);
  if (!gif) return Bytes();
  EGifSetGifVersion(gif, true);
  int count = int(palette.size() / 3);
  std::vector<GifColorType> colours(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    colours[size_t(i)] = {palette[size_t(3 * i)], palette[size_t(3 * i + 1)],
                          palette[size_t(3 * i + 2)]};
  ColorMapObject *map = GifMakeMapObject(count, colours.data());
  int sw = f.screenwidth < 0 ? width : f.screenwidth;
  int sh = f.screenheight < 0 ? height : f.screenheight;
  bool local = f.local && !f.nopalette;
  bool ok = EGifPutScreenDesc(gif, sw, sh, 8, 0, local ? nullptr : map) == GIF_OK;
  if (ok && f.transparent >= 0) {
    GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, 0, f.transparent};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
  }
  for (int frame = 0; ok && !f.noimage && frame < f.frames; ++frame) {
    ok = EGifPutImageDesc(gif, f.left, f.top, width, height, f.interlace,
                          local ? map : nullptr) == GIF_OK;
    /* Interlaced frames are written in their four passes' order. */
    std::vector<int> rows;
    static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    if (f.interlace) {
      for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    } else {
      for (int y = 0; y < height; ++y) rows.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (int y : rows) {
      for (int x = 0; x < width; ++x) {
        uint8_t v = indices[size_t(y) * size_t(width) + size_t(x)];
        line[size_t(x)] = frame == 0 ? v : GifPixelType((count - 1) - v);
      }
      if (ok) ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
    }
  }
  if (EGifCloseFile(gif, &err) != GIF_OK) ok = false;
  if (map) GifFreeMapObject(map);
  if (!ok) return Bytes();
  if (f.nopalette) {
    /* The encoder insists on a table: drop the global one it wrote (the
     * flag in the screen descriptor and the table after it). */
    size_t table = size_t(3) << ((out[10] & 7) + 1);
    out[10] = uint8_t(out[10] & 0x78);
    out.erase(out.begin() + 13, out.begin() + 13 + long(table));
  }
  return out;
}

namespace {

void png_append(png_structp png, png_bytep data, size_t n) {
  Bytes *out = static_cast<Bytes *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void png_flush(png_structp) {}

}  // namespace

Bytes png_encode(const std::vector<int> &samples, int width, int height, const PngFields &f) {
  static const int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
  int channels = kChannels[f.colortype];
  size_t rowbytes = (size_t(width) * size_t(channels) * size_t(f.depth) + 7) / 8;
  std::vector<Bytes> rows(size_t(height), Bytes(rowbytes, 0));
  for (int y = 0; y < height; ++y) {
    size_t bit = 0;
    for (int i = 0; i < width * channels; ++i) {
      int v = samples[size_t(y) * size_t(width * channels) + size_t(i)];
      Bytes &r = rows[size_t(y)];
      if (f.depth == 16) {
        r[bit / 8] = uint8_t(v >> 8);
        r[bit / 8 + 1] = uint8_t(v);
      } else if (f.depth == 8) {
        r[bit / 8] = uint8_t(v);
      } else {
        int shift = 8 - f.depth - int(bit % 8);
        r[bit / 8] = uint8_t(r[bit / 8] | (v << shift));
      }
      bit += size_t(f.depth);
    }
  }
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> pointers;
  for (Bytes &r : rows) pointers.push_back(r.data());
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < f.palette.size(); i += 3)
    palette.push_back({f.palette[i], f.palette[i + 1], f.palette[i + 2]});
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, png_append, png_flush);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), f.depth, f.colortype,
               f.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!f.trnsalpha.empty())
    png_set_tRNS(png, info, f.trnsalpha.data(), int(f.trnsalpha.size()), nullptr);
  if (!f.trnscolour.empty()) {
    png_color_16 c = {};
    if (f.trnscolour.size() == 1) {
      c.gray = png_uint_16(f.trnscolour[0]);
    } else {
      c.red = png_uint_16(f.trnscolour[0]);
      c.green = png_uint_16(f.trnscolour[1]);
      c.blue = png_uint_16(f.trnscolour[2]);
    }
    png_set_tRNS(png, info, nullptr, 0, &c);
  }
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<int> rgba_at(const uint8_t *img, int width, int x, int y) {
  const uint8_t *p = img + (size_t(y) * size_t(width) + size_t(x)) * 4;
  return {p[0], p[1], p[2], p[3]};
}

ImageDir::ImageDir() {
  char tmpl[] = "/tmp/vlximgXXXXXX";
  path_ = mkdtemp(tmpl) ? tmpl : "/tmp";
  if (const char *v = getenv("VLIMAGES")) {
    saved_ = v;
    hadsaved_ = true;
  }
  setenv("VLIMAGES", ("/nonexistent;" + path_).c_str(), 1);
}

ImageDir::~ImageDir() {
  if (hadsaved_) setenv("VLIMAGES", saved_.c_str(), 1);
  else unsetenv("VLIMAGES");
  std::error_code ec;
  if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
}

std::string ImageDir::write(const std::string &name, const Bytes &bytes) const {
  std::string full = path_ + "/" + name;
  FILE *f = fopen(full.c_str(), "wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return full;
}
