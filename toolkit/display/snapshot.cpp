/* Frame snapshots: a window's last frame read back from its render context
 * and written as an 8-bit RGB PNG through libpng's simplified writer. The
 * device's frame is bottom row first; the file is top row first, as every
 * image viewer expects. Alpha is dropped: a frame is what the window shows. */
#include <png.h>
#include <stdio.h>

#include <vector>

#include "vlx/renderer.h"
#include "vlx/window.h"

bool VLrenderer_savepng(VLwindow *w, const char *file) {
  if (!w || !w->context || !file || !*file) return false;
  const int width = w->context->width, height = w->context->height;
  std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
  if (!VLrenderer_readpixels(w, rgba.data(), width, height)) return false;
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  for (int y = 0; y < height; ++y) {
    const uint8_t *src = &rgba[size_t(height - 1 - y) * size_t(width) * 4];
    uint8_t *dst = &rgb[size_t(y) * size_t(width) * 3];
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  bool ok = png_image_write_to_file(&image, file, 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  if (!ok) remove(file);
  return ok;
}
