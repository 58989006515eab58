/* Light files from bytes: lights made under a Root that is deleted again,
 * so every input starts from the same scene. */
#include <stdint.h>

#include "support.h"
#include "vlx/light.h"
#include "vlx/node.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  VLnode *root = VLrootnode_new();
  VLlights_read(root, "fuzz", reinterpret_cast<const char *>(data), size);
  VLnode_delete(root);
  return 0;
}
