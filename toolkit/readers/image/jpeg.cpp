/* JPEG reader through libjpeg (6 API), from memory: baseline and
 * progressive, grey or colour (1 or 3 output components); alpha is 255 for
 * every pixel. The library's fatal errors return here through longjmp with
 * the decompression object destroyed and the image freed; a file that ends
 * early is refused as well instead of being padded with grey. Sides are
 * limited to VLIMAGE_MAXSIDE, checked before decompression starts. The file
 * entry point opens the file by name and says so when it cannot. */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

#include "core/messages.h"
#include "readers/image/images.h"
#include "vlx/diag.h"
#include "vlx/image.h"

namespace {

/* The library message number whose fatal error passes silently. */
enum { kQuietMessage = 52 };

struct ErrorManager {
  jpeg_error_mgr pub;  // first: the library sees only this part
  jmp_buf back;
  bool truncated;
};

void error_exit(j_common_ptr cinfo) {
  ErrorManager *err = reinterpret_cast<ErrorManager *>(cinfo->err);
  if (err->pub.msg_code != kQuietMessage) VLMSG(JPEG_UNREADABLE);
  longjmp(err->back, 1);
}

/* Warnings: the one that matters (data ended early) is remembered; the
 * library's own texts are not printed. */
void emit_message(j_common_ptr cinfo, int level) {
  ErrorManager *err = reinterpret_cast<ErrorManager *>(cinfo->err);
  if (level < 0) {
    err->pub.num_warnings++;
    if (err->pub.msg_code == JWRN_JPEG_EOF) err->truncated = true;
  }
}

void output_message(j_common_ptr) {}

/* Scanline i goes to buffer row height - 1 - i. */
void copy_scanline(const uint8_t *line, int width, int components, uint8_t *row) {
  for (int x = 0; x < width; ++x) {
    const uint8_t *s = line + x * components;
    uint8_t *d = row + size_t(x) * 4;
    d[0] = s[0];
    d[1] = components == 3 ? s[1] : s[0];
    d[2] = components == 3 ? s[2] : s[0];
    d[3] = 255;
  }
}

/* Everything between setjmp and the last library call: no C++ object with
 * a destructor lives here, so the longjmp skips nothing. */
uint8_t *decompress(jpeg_decompress_struct *cinfo, ErrorManager *err, const uint8_t *data,
                    size_t size, const char *name, int *width, int *height) {
  uint8_t *volatile img = nullptr;
  if (setjmp(err->back)) {
    free(img);
    return nullptr;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, const_cast<unsigned char *>(data), static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->image_width > VLIMAGE_MAXSIDE || cinfo->image_height > VLIMAGE_MAXSIDE) {
    VLMSG(IMG_TOO_LARGE, name);
    return nullptr;
  }
  jpeg_start_decompress(cinfo);
  int w = int(cinfo->output_width), h = int(cinfo->output_height);
  int components = cinfo->output_components;
  if (components != 1 && components != 3) {
    VLMSG(JPEG_COMPONENTS, name);
    return nullptr;
  }
  img = _VLimage_alloc(w, h, VLIMAGE_MAXSIDE, name);
  if (!img) return nullptr;
  JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                JPOOL_IMAGE, JDIMENSION(w * components), 1);
  while (cinfo->output_scanline < cinfo->output_height && !err->truncated) {
    int i = int(cinfo->output_scanline);
    jpeg_read_scanlines(cinfo, line, 1);
    copy_scanline(line[0], w, components, img + size_t(h - 1 - i) * size_t(w) * 4);
  }
  if (!err->truncated) jpeg_finish_decompress(cinfo);
  if (err->truncated) {
    VLMSG(JPEG_UNREADABLE);
    free(img);
    return nullptr;
  }
  *width = w;
  *height = h;
  return img;
}

}  // namespace

uint8_t *_VLjpeg_decode(const uint8_t *data, size_t size, const char *name, int *width,
                        int *height) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  memset(&cinfo, 0, sizeof cinfo);
  memset(&err, 0, sizeof err);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = error_exit;
  err.pub.emit_message = emit_message;
  err.pub.output_message = output_message;
  uint8_t *img = decompress(&cinfo, &err, data, size, name, width, height);
  jpeg_destroy_decompress(&cinfo);
  return img;
}

uint8_t *_VLjpeg_read(const char *path, int *width, int *height) {
  return _VLimage_readfile(path, true, width, height);
}
