/* Shared parts of the image readers: the size check before every image
 * allocation and the one dispatch from the first
 * bytes of a file to its reader (JPEG, SGI image, GIF, PNG, Targa). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/image/images.h"
#include "vlx/diag.h"
#include "vlx/image.h"

static_assert(VLIMAGE_MAXFILE == VLFETCH_MAXBYTES, "image files are fetched whole");

uint8_t *_VLimage_alloc(int width, int height, int maxside, const char *name) {
  if (width <= 0 || height <= 0) {
    VLMSG(IMG_EMPTY, name);
    return nullptr;
  }
  if (width > maxside || height > maxside) {
    VLMSG(IMG_TOO_LARGE, name);
    return nullptr;
  }
  size_t w = size_t(width), h = size_t(height);
  if (w > SIZE_MAX / 4 / h) {
    VLMSG(IMG_TOO_LARGE, name);
    return nullptr;
  }
  uint8_t *p = static_cast<uint8_t *>(VLmalloc(w * h * 4));
  memset(p, 0, w * h * 4);
  return p;
}

int _VLimage_kind(const uint8_t *data, size_t size) {
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return VLIMAGE_JPEG;
  if (size >= 4 && (data[0] << 8 | data[1]) == 474 && data[3] == 1) return VLIMAGE_SGI;
  if (size >= 4 && memcmp(data, "GIF8", 4) == 0) return VLIMAGE_GIF;
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && memcmp(data, kPng, 8) == 0) return VLIMAGE_PNG;
  return VLIMAGE_TGA;
}

uint8_t *VLimage_decode(const uint8_t *data, size_t size, const char *name, int *width,
                        int *height) {
  static const uint8_t kEmpty = 0;
  int w = 0, h = 0;
  uint8_t *img = nullptr;
  if (!name) name = "(memory)";
  if (!data && size == 0) data = &kEmpty;  // an empty buffer is a short file
  if (data) {
    switch (_VLimage_kind(data, size)) {
      case VLIMAGE_JPEG: img = _VLjpeg_decode(data, size, name, &w, &h); break;
      case VLIMAGE_SGI: img = _VLsgi_decode(data, size, name, &w, &h); break;
      case VLIMAGE_GIF: img = _VLgif_decode(data, size, name, &w, &h); break;
      case VLIMAGE_PNG: img = _VLpng_decode(data, size, name, &w, &h); break;
      default: img = _VLtga_decode(data, size, name, &w, &h); break;
    }
  }
  if (width) *width = img ? w : 0;
  if (height) *height = img ? h : 0;
  return img;
}

namespace {

/* The first bytes of the file, which choose its reader; false when it
 * cannot be opened. */
bool peek(const char *path, uint8_t (&head)[VLIMAGE_PEEKSIZE], size_t *n) {
  return _VLfetch_head(path, head, sizeof head, n) == VLFETCH_OK;
}

}  // namespace

uint8_t *_VLimage_readfile(const char *path, bool jpeg, int *width, int *height) {
  *width = *height = 0;
  char *data = nullptr;
  size_t size = 0;
  int fetched = _VLfetch_file(path, &data, &size);
  if (fetched == VLFETCH_TOOLARGE) {
    VLMSG(IMG_TOO_LARGE, path);
    return nullptr;
  }
  if (fetched != VLFETCH_OK) {
    if (jpeg)
      VLMSG(JPEG_CANT_OPEN, path ? path : "(null)");
    else
      VLMSG(IMG_CANT_OPEN, path);
    return nullptr;
  }
  uint8_t *img = VLimage_decode(reinterpret_cast<uint8_t *>(data), size, path, width, height);
  free(data);
  return img;
}

/* A JPEG file is handed to the JPEG reader by name, which opens it again
 * itself; the other formats are read here. */
uint8_t *VLimage_read(const char *name, int *width, int *height) {
  if (width) *width = 0;
  if (height) *height = 0;
  char *path = VLimage_find(name);
  if (!path) return nullptr;
  uint8_t head[VLIMAGE_PEEKSIZE];
  size_t n = 0;
  int w = 0, h = 0;
  uint8_t *img = nullptr;
  if (!peek(path, head, &n))
    VLMSG(IMG_CANT_OPEN, path);
  else if (_VLimage_kind(head, n) == VLIMAGE_JPEG)
    img = _VLjpeg_read(path, &w, &h);
  else
    img = _VLimage_readfile(path, false, &w, &h);
  free(path);
  if (width) *width = img ? w : 0;
  if (height) *height = img ? h : 0;
  return img;
}
