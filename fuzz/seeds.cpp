/* Writes the binary seed inputs of the image harness: small Targa, SGI,
 * JPEG, GIF and PNG images of each kind the readers take, and a small model in both
 * neutral file forms, made by the test suite's own fixture writers.
 * Usage: fuzz_seeds <fuzz folder>. */
#include <stdio.h>

#include <string>
#include <vector>

#include "support/image_fixtures.h"
#include "support/nff_writer.h"

namespace {

bool write(const std::string &path, const Bytes &b) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
  return fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: fuzz_seeds <fuzz folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/image/corpus/";
  std::vector<uint8_t> rgba(4 * 4 * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 37);
  Planes planes(3, std::vector<uint8_t>(16));
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 16; ++i) planes[size_t(c)][size_t(i)] = uint8_t(c * 80 + i * 9);
  std::vector<uint8_t> grey(8 * 8), rgb(8 * 8 * 3);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 4);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 5);
  bool ok = write(dir + "solid.tga", tga_solid(3, 2, 200, 100, 50)) &&
            write(dir + "rgba.tga", tga_from_rgba(rgba, 4, 4)) &&
            write(dir + "verbatim.rgb", sgi_verbatim(4, 4, planes)) &&
            write(dir + "rle.rgb", sgi_rle(4, 4, planes, true)) &&
            write(dir + "grey.jpg", jpeg_encode(grey, 8, 8, 1, false)) &&
            write(dir + "colour.jpg", jpeg_encode(rgb, 8, 8, 3, true));
  /* GIF: a global table, and an interlaced frame with its own table and a
   * transparent index on a larger screen; PNG: palette with tRNS, 16-bit
   * grey with alpha, interlaced RGBA. */
  std::vector<uint8_t> indices(6 * 9), palette(4 * 3);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i % 4);
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint8_t(i * 21);
  GifFields framed;
  framed.interlace = framed.local = true;
  framed.transparent = 2;
  framed.screenwidth = 8;
  framed.screenheight = 10;
  framed.left = 1;
  framed.top = 1;
  PngFields indexed, grey16, rgba16;
  indexed.colortype = 3;
  indexed.depth = 2;
  indexed.palette = palette;
  indexed.trnsalpha = {255, 0, 128};
  grey16.colortype = 4;
  grey16.depth = 16;
  rgba16.colortype = 6;
  rgba16.interlace = true;
  std::vector<int> ind(4 * 3), ga(3 * 3 * 2), rgbas(5 * 4 * 4);
  for (size_t i = 0; i < ind.size(); ++i) ind[i] = int(i % 4);
  for (size_t i = 0; i < ga.size(); ++i) ga[i] = int(i * 4099 % 65536);
  for (size_t i = 0; i < rgbas.size(); ++i) rgbas[i] = int(i * 13 % 256);
  ok = ok && write(dir + "global.gif", gif_encode(indices, 6, 9, palette)) &&
       write(dir + "framed.gif", gif_encode(indices, 6, 9, palette, framed)) &&
       write(dir + "indexed.png", png_encode(ind, 4, 3, indexed)) &&
       write(dir + "grey16.png", png_encode(ga, 3, 3, grey16)) &&
       write(dir + "interlaced.png", png_encode(rgbas, 5, 4, rgba16));
  /* Two geometries: a quad with normals, uv and colours, and a textured
   * two-sided triangle that is also a portal. */
  NffModel m;
  NffGeometry a, b;
  a.name = "quad";
  for (int i = 0; i < 4; ++i) {
    NffVertex v;
    v.p[0] = float(i & 1);
    v.p[1] = float(i >> 1);
    v.hasnormal = v.hasuv = v.hasrgb = true;
    v.n[2] = 1;
    v.uv[0] = v.p[0];
    v.uv[1] = v.p[1];
    v.rgb[0] = uint8_t(60 * i);
    a.vertices.push_back(v);
  }
  NffPolygon q;
  q.indices = {0, 1, 3, 2};
  q.matid = 1;
  a.polygons.push_back(q);
  b.name = "tri";
  for (int i = 0; i < 3; ++i) {
    NffVertex v;
    v.p[0] = float(i);
    v.p[2] = float(i * i);
    b.vertices.push_back(v);
  }
  NffPolygon t;
  t.indices = {0, 1, 2};
  t.both = true;
  t.texture = "S_wall";
  t.portal = "next";
  b.polygons.push_back(t);
  m.geometries = {a, b};
  const std::string text = nff_text(m), binary = nff_binary(m);
  ok = ok && write(std::string(argv[1]) + "/nff_text/corpus/model.nff", Bytes(text.begin(), text.end())) &&
       write(std::string(argv[1]) + "/nff_binary/corpus/model.bnff",
             Bytes(binary.begin(), binary.end()));
  if (!ok) fprintf(stderr, "fuzz_seeds: could not write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
