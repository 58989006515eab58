/* Internal entry points of the image readers. Each core decodes a byte
 * buffer into an image buffer (RGBA, bottom row first, VLmalloc, release
 * with free()); name only labels the messages. On any format or read error
 * a core prints its message (Targa and SGI: on standard error without a
 * prefix, _VLmsg_error; JPEG, GIF, PNG and the size limits: a warning) and returns
 * null with nothing allocated. */
#ifndef VLX_READERS_IMAGE_IMAGES_H
#define VLX_READERS_IMAGE_IMAGES_H

#include <stddef.h>
#include <stdint.h>

uint8_t *_VLtga_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height);
uint8_t *_VLsgi_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height);
uint8_t *_VLjpeg_decode(const uint8_t *data, size_t size, const char *name, int *width,
                        int *height);
uint8_t *_VLgif_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height);
uint8_t *_VLpng_decode(const uint8_t *data, size_t size, const char *name, int *width,
                       int *height);

/* The JPEG reader's file entry: opens and reads the file itself (warning
 * "JPEG: Cannot open %s\n" when it cannot), then decodes it. */
uint8_t *_VLjpeg_read(const char *path, int *width, int *height);
/* A file read whole and decoded; null after "Texture pattern %s is too
 * large", or when it cannot be read "Couldn't open texture file %s" (the
 * JPEG reader's own "JPEG: Cannot open %s" when jpeg is set). */
uint8_t *_VLimage_readfile(const char *path, bool jpeg, int *width, int *height);

/* Which core the first bytes select: JPEG (FF D8 FF: JFIF, Exif and every
 * other JPEG file, not only the FF D8 FF E0 00 10 of JFIF), SGI image (magic
 * 474 with one byte per channel), GIF ("GIF8"), PNG (its 8-byte signature),
 * else Targa. */
enum { VLIMAGE_TGA = 0, VLIMAGE_SGI = 1, VLIMAGE_JPEG = 2, VLIMAGE_GIF = 3, VLIMAGE_PNG = 4 };
int _VLimage_kind(const uint8_t *data, size_t size);

/* Image buffer of width x height pixels after the size checks: null +
 * warning for a zero side, a side above maxside, or a byte count that does
 * not fit size_t. */
uint8_t *_VLimage_alloc(int width, int height, int maxside, const char *name);

/* How many bytes the dispatch looks at. */
enum { VLIMAGE_PEEKSIZE = 512 };

#endif
