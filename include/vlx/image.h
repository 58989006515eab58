/* The image readers (Targa, SGI image, JPEG, GIF, PNG): files found along VLIMAGES
 * and decoded into image buffers of width x height pixels of 4 bytes (red,
 * green, blue, alpha), bottom row first, released with free(). */
#ifndef VLX_IMAGE_H
#define VLX_IMAGE_H

#include <stddef.h>
#include <stdint.h>

/* Limits of image files. */
enum {
  VLIMAGE_TGAMAXSIDE = 1024,  /* largest side of a Targa file */
  VLIMAGE_MAXSIDE = 4096      /* largest side of an SGI image, JPEG, GIF or PNG file */
};
/* Largest image file read, in bytes (the limit of every reader's input). */
#define VLIMAGE_MAXFILE (256u << 20)

/* Path of an image file on the VLIMAGES search path (trying ".tga", ".rgb",
 * ".jpg" for a name without extension), owned by the caller (free());
 * null + warning when not found. */
char *VLimage_find(const char *name);
/* Image buffer of a file found with VLimage_find; null on any find, read or
 * format error, with a warning, or for a Targa or SGI format or read error
 * the reader's message on standard error. */
uint8_t *VLimage_read(const char *name, int *width, int *height);
/* Image buffer decoded from bytes (JPEG, SGI image, GIF, PNG or Targa, told
 * apart by their first bytes); name only labels the messages. Null + message as for
 * VLimage_read. */
uint8_t *VLimage_decode(const uint8_t *data, size_t size, const char *name,
                        int *width, int *height);

#endif
