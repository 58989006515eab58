/* The model search path (see modelpath.h). */
#include "readers/modelpath.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

bool opens(const std::string &path) {
  FILE *f = fopen(path.c_str(), "rb");
  if (f) fclose(f);
  return f != nullptr;
}

}  // namespace

bool _VLmodelpath_find(const char *name, std::string *found) {
  if (!name || !*name || !found) return false;
  if (opens(name)) {
    *found = name;
    return true;
  }
  const char *list = getenv("VLMODELS");
  if (!list) return false;
  std::string dirs(list);
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(';', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) {
      std::string candidate = dirs.substr(start, end - start) + "/" + name;
      if (opens(candidate)) {
        *found = candidate;
        return true;
      }
    }
    start = end + 1;
  }
  return false;
}
