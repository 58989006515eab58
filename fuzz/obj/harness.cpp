/* Wavefront OBJ from bytes, with its libraries: the input is the OBJ text,
 * optionally followed by a line "%%" and the text of the material library
 * "f.mtl", and another "%%" and the map library "f.map", both written
 * beside the OBJ file's name in a private folder. The geometry read is
 * deleted again. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "support.h"
#include "vlx/obj.h"

namespace {

std::string &folder_name(void) {
  static std::string dir;
  return dir;
}

/* The private folder goes with the process. */
void remove_folder(void) {
  const std::string &dir = folder_name();
  unlink((dir + "/f.mtl").c_str());
  unlink((dir + "/f.map").c_str());
  rmdir(dir.c_str());
}

const std::string &folder(void) {
  std::string &dir = folder_name();
  if (dir.empty()) {
    char tmpl[] = "/tmp/vlx_fuzz_obj_XXXXXX";
    const char *made = mkdtemp(tmpl);
    if (!made) abort();
    dir = made;
    atexit(remove_folder);
    unsetenv("VLMODELS");
    unsetenv("VLIMAGES");
  }
  return dir;
}

void put(const std::string &name, const std::string &text, bool present) {
  std::string path = folder() + "/" + name;
  if (!present) {
    unlink(path.c_str());
    return;
  }
  if (FILE *f = fopen(path.c_str(), "wb")) {
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  std::string all(reinterpret_cast<const char *>(data), size);
  std::string parts[3];
  size_t n = 0, from = 0;
  for (; n < 2; ++n) {
    size_t at = all.find("\n%%\n", from);
    if (at == std::string::npos) break;
    parts[n] = all.substr(from, at - from);
    from = at + 4;
  }
  parts[n] = all.substr(from);
  put("f.mtl", parts[1], n >= 1);
  put("f.map", parts[2], n >= 2);
  std::string path = folder() + "/f.obj";
  unsigned long tables = fuzz_tables_before();
  VLgeometry *g = VLobj_readbytes(path.c_str(), parts[0].data(), parts[0].size(),
                                  size % 3 == 0 ? 0.5f : 1.0f);
  if (g) VLgeometry_delete(g);
  fuzz_drop_tables(tables);
  return 0;
}
