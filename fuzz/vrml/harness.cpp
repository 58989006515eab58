/* VRML 1.0 worlds from bytes: the subtree built under a Group (inlines
 * are made but never loaded, so no file or network is touched), then the
 * Group, the textures and the viewpoints the world made deleted again, so
 * every input starts from the same universe. */
#include <stdint.h>

#include "support.h"
#include "vlx/node.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"
#include "vlx/vrml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  unsigned long tables = fuzz_tables_before();
  VLnode *group = VLgroupnode_new(nullptr);
  /* A small copy limit keeps doubling worlds quick. */
  VLvrmloptions options{nullptr, nullptr, true, 20000};
  VLvrml_readbytes(group, "fuzz/w.wrl", reinterpret_cast<const char *>(data), size, &options);
  VLnode_delete(group);
  fuzz_drop_tables(tables);
  VLtexture_deleteall();
  VLviewpoint *first = VLuniverse_getviewpoints();
  VLuniverse_setviewpoint(first);
  while (first && first->next) VLviewpoint_delete(first->next);
  return 0;
}
