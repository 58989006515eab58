/* Path files from bytes: a path read, played for a few frames and deleted. */
#include <stdint.h>

#include "support.h"
#include "vlx/motion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  VLpath *p = VLpath_read("fuzz", reinterpret_cast<const char *>(data), size, nullptr);
  if (!p) return 0;
  VLpath_play(p);
  for (int i = 0; i < 4; ++i) VLpath_playframe(p);
  VLpath_delete(p);
  return 0;
}
