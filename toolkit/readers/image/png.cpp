/* PNG reader through libpng, from memory: every colour type and depth is
 * expanded to 8-bit red, green, blue and alpha (a palette to its colours,
 * grey to equal channels, 16-bit channels scaled to 8, a tRNS chunk to
 * alpha; without any alpha every pixel is opaque), and interlaced images
 * are put back together. Rows go to the buffer bottom row first. The
 * library's errors return here through longjmp with everything it and this
 * reader allocated released; a file that ends early (before its IEND
 * chunk) is refused as well. Sides are limited to VLIMAGE_MAXSIDE, checked
 * before any pixel is read. */
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

#include <png.h>

#include "core/messages.h"
#include "readers/image/images.h"
#include "vlx/diag.h"
#include "vlx/image.h"

namespace {

struct Source {
  const uint8_t *data;
  size_t size, pos;
};

void read_source(png_structp png, png_bytep out, size_t n) {
  Source *s = static_cast<Source *>(png_get_io_ptr(png));
  if (n > s->size - s->pos) png_error(png, "file ends early");
  memcpy(out, s->data + s->pos, n);
  s->pos += n;
}

/* The library's own texts are not printed: an error returns to the reader,
 * which warns once. */
void error_exit(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void warning(png_structp, png_const_charp) {}

/* Everything between setjmp and the last library call: no C++ object with
 * a destructor lives here, so the longjmp skips nothing. */
uint8_t *read_image(png_structp png, png_infop info, Source *src, const char *name,
                    int *width, int *height, bool *warned) {
  uint8_t *volatile img = nullptr;
  png_bytep *volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    free(img);
    free(rows);
    return nullptr;
  }
  png_set_read_fn(png, src, read_source);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (w > VLIMAGE_MAXSIDE || h > VLIMAGE_MAXSIDE) {
    VLMSG(IMG_TOO_LARGE, name);
    *warned = true;
    return nullptr;
  }
  int type = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  png_set_expand(png);
  if (depth == 16) png_set_scale_16(png);
  if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  if (!(type & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row size");
  img = _VLimage_alloc(int(w), int(h), VLIMAGE_MAXSIDE, name);
  if (!img) {
    *warned = true;
    return nullptr;
  }
  rows = static_cast<png_bytep *>(VLmalloc(size_t(h) * sizeof(png_bytep)));
  for (png_uint_32 i = 0; i < h; ++i) rows[i] = img + size_t(h - 1 - i) * size_t(w) * 4;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  free(rows);
  *width = int(w);
  *height = int(h);
  return img;
}

}  // namespace

uint8_t *_VLpng_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height) {
  *width = *height = 0;
  Source src = {data, size, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, error_exit, warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  uint8_t *img = nullptr;
  bool warned = false;
  int w = 0, h = 0;
  if (info) img = read_image(png, info, &src, name, &w, &h, &warned);
  if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!img) {
    if (!warned) VLMSG(PNG_UNREADABLE, name);
    return nullptr;
  }
  *width = w;
  *height = h;
  return img;
}
