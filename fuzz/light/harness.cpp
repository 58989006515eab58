/* Light files from bytes: lights made under a group node that is deleted
 * again with the lights, so every input starts from the same scene. */
#include <stdint.h>

#include "support.h"
#include "vlx/light.h"
#include "vlx/node.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  VLnode *root = VLgroupnode_new(nullptr);   /* a Root would stay in the universe */
  VLlights_read(root, "fuzz", reinterpret_cast<const char *>(data), size);
  VLlight_deleteall();   /* lights belong to the universe, not to the nodes */
  VLnode_delete(root);
  return 0;
}
