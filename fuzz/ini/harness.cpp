/* The initialisation-file reader from bytes: parsing and the lookups the
 * options reader makes. */
#include <stdint.h>

#include "display/ini_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  VLinifile file;
  _VLini_parse(reinterpret_cast<const char *>(data), size, &file);
  char value[VLINI_VALUESIZE];
  static const char *const keys[] = {"fov", "hither", "yon", "geometry", "bgcolor", "ambient"};
  for (const char *k : keys) _VLini_get(file, "vlx", k, value);
  return 0;
}
