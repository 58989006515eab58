/* Image readers (Targa, SGI image, JPEG, GIF, PNG) from bytes: the dispatch by the
 * first bytes and each decoder. */
#include <stdint.h>
#include <stdlib.h>

#include "vlx/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  int w = 0, h = 0;
  free(VLimage_decode(data, size, "fuzz", &w, &h));
  return 0;
}
