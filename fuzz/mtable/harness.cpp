/* Material files from bytes: a table made and deleted again. */
#include <stdint.h>

#include "geometry/mtable_internal.h"
#include "vlx/mtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  VLmtable *t = _VLmtable_read("fuzz", "fuzz", reinterpret_cast<const char *>(data), size);
  if (t) VLmtable_delete(t);
  return 0;
}
