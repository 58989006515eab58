/* OpenFlight from bytes: the database read (every file it names, external
 * references and texture attribute files alike, is served the same bytes,
 * so references back to a file being read and long chains are exercised),
 * then deleted and the universe cleared. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "support.h"
#include "vlx/flt.h"
#include "vlx/node.h"

namespace {

struct Input {
  const uint8_t *data;
  size_t size;
};

bool serve(void *user, const char *, char **data, size_t *size) {
  const Input *in = static_cast<const Input *>(user);
  *data = static_cast<char *>(malloc(in->size + 1));
  if (in->size) memcpy(*data, in->data, in->size);
  *size = in->size;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  Input in{data, size};
  VLfltoptions options{serve, &in, size % 2 == 0};
  unsigned long tables = fuzz_tables_before();
  VLnode *root = VLflt_readbytes("fuzz/db.flt", data, size, &options);
  if (root) VLnode_delete(root);
  VLuniverse_clear();
  fuzz_drop_tables(tables);
  return 0;
}
