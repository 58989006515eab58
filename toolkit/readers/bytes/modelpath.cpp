/* Search paths (see modelpath.h). */
#include "readers/bytes/modelpath.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

namespace {

/* A regular file that opens for reading (a directory opens too on Linux). */
bool opens(const std::string &path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE *f = fopen(path.c_str(), "rb");
  if (f) fclose(f);
  return f != nullptr;
}

}  // namespace

bool _VLsearchpath_find(const char *envname, const char *name, std::string *found) {
  if (!name || !*name || !found) return false;
  if (opens(name)) {
    *found = name;
    return true;
  }
  const char *list = getenv(envname);
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

bool _VLmodelpath_find(const char *name, std::string *found) {
  return _VLsearchpath_find("VLMODELS", name, found);
}
