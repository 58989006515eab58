#include "support/image_fixtures.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <jpeglib.h>

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
