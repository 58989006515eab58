/* GIF reader through giflib, from memory: the first image of the file on
 * its logical screen. The image's own colour table is used when it has
 * one, else the file's global table; the transparent index of the graphics
 * control extension before the image gives transparent black (alpha 0),
 * every other pixel is opaque (alpha 255). Interlaced images are put back
 * in row order. The screen is the image's size (a screen of zero width or
 * height is taken from the frame); a frame that reaches outside the screen
 * is clipped to it, and screen pixels the frame does not cover are
 * transparent black. A file that ends inside the image, an image without
 * any colour table and a frame larger than VLIMAGE_MAXSIDE are refused
 * with a warning that names the file. */
#include <stdlib.h>
#include <string.h>

#include <gif_lib.h>

#include <vector>

#include "core/messages.h"
#include "readers/image/images.h"
#include "vlx/image.h"

namespace {

struct Source {
  const uint8_t *data;
  size_t size, pos;
};

/* giflib's input: the next bytes of the buffer; a short count is its read
 * error. */
int read_source(GifFileType *gif, GifByteType *out, int n) {
  Source *s = static_cast<Source *>(gif->UserData);
  if (n <= 0) return 0;
  size_t take = s->size - s->pos < size_t(n) ? s->size - s->pos : size_t(n);
  memcpy(out, s->data + s->pos, take);
  s->pos += take;
  return int(take);
}

/* Interlaced rows come in four passes: every 8th row from 0, every 8th
 * from 4, every 4th from 2, every 2nd from 1. */
std::vector<int> row_order(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(size_t(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  return order;
}

enum Outcome { kImage, kUnreadable, kNoImage, kTooLarge, kEmpty };

/* Skips records up to the first image (remembering the transparent index
 * of the last graphics control extension) and decodes it. */
uint8_t *first_image(GifFileType *gif, const char *name, int *width, int *height,
                     Outcome *outcome) {
  int transparent = NO_TRANSPARENT_COLOR;
  *outcome = kUnreadable;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return nullptr;
    if (type == TERMINATE_RECORD_TYPE) {
      *outcome = kNoImage;
      return nullptr;
    }
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType *ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return nullptr;
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
          transparent = gcb.TransparentColor;
      }
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return nullptr;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) return nullptr;
    break;
  }
  if (DGifGetImageDesc(gif) == GIF_ERROR) return nullptr;
  const GifImageDesc &frame = gif->Image;
  if (frame.Width <= 0 || frame.Height <= 0) {
    *outcome = kEmpty;
    return nullptr;
  }
  if (frame.Width > VLIMAGE_MAXSIDE || frame.Height > VLIMAGE_MAXSIDE) {
    *outcome = kTooLarge;
    return nullptr;
  }
  const ColorMapObject *map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!map || !map->Colors || map->ColorCount <= 0) return nullptr;

  int w = gif->SWidth, h = gif->SHeight;
  int left = frame.Left, top = frame.Top;
  if (w <= 0 || h <= 0) {
    w = frame.Width;
    h = frame.Height;
    left = top = 0;
  }
  uint8_t *img = _VLimage_alloc(w, h, VLIMAGE_MAXSIDE, name);
  if (!img) {
    *outcome = kImage;  // the size check has said why
    return nullptr;
  }
  /* Every row must be read, clipped or not: the code stream is one piece. */
  std::vector<GifPixelType> line(size_t(frame.Width));
  for (int row : row_order(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
      free(img);
      return nullptr;
    }
    int y = top + row;
    if (y < 0 || y >= h) continue;
    uint8_t *out = img + size_t(h - 1 - y) * size_t(w) * 4;
    for (int x = 0; x < frame.Width; ++x) {
      int cx = left + x;
      if (cx < 0 || cx >= w) continue;
      int index = line[size_t(x)];
      uint8_t *d = out + size_t(cx) * 4;
      if (index == transparent) {
        d[0] = d[1] = d[2] = d[3] = 0;
      } else if (index < map->ColorCount) {
        d[0] = map->Colors[index].Red;
        d[1] = map->Colors[index].Green;
        d[2] = map->Colors[index].Blue;
        d[3] = 255;
      } else {
        /* An index past the table: opaque black. */
        d[0] = d[1] = d[2] = 0;
        d[3] = 255;
      }
    }
  }
  *outcome = kImage;
  *width = w;
  *height = h;
  return img;
}

}  // namespace

uint8_t *_VLgif_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height) {
  *width = *height = 0;
  Source src = {data, size, 0};
  int error = 0;
  GifFileType *gif = DGifOpen(&src, read_source, &error);
  if (!gif) {
    VLMSG(GIF_UNREADABLE, name);
    return nullptr;
  }
  Outcome outcome = kUnreadable;
  int w = 0, h = 0;
  uint8_t *img = first_image(gif, name, &w, &h, &outcome);
  DGifCloseFile(gif, &error);
  switch (outcome) {
    case kImage: break;
    case kNoImage: VLMSG(GIF_NO_IMAGE, name); break;
    case kTooLarge: VLMSG(IMG_TOO_LARGE, name); break;
    case kEmpty: VLMSG(IMG_EMPTY, name); break;
    default: VLMSG(GIF_UNREADABLE, name); break;
  }
  if (img) {
    *width = w;
    *height = h;
  }
  return img;
}
