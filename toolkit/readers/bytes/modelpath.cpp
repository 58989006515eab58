/* Search paths (see modelpath.h) and the public search of vlx/file.h,
 * which returns its result in one buffer kept until the next search. */
#include "readers/bytes/modelpath.h"

#include <string.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "vlx/file.h"

namespace {

/* A regular file that opens for reading (a directory opens too on Linux). */
bool opens(const std::string &path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE *f = fopen(path.c_str(), "rb");
  if (f) fclose(f);
  return f != nullptr;
}

/* The buffer of the last found name (made on the first search). */
std::string &found_buffer(void) {
  static std::string buffer;
  return buffer;
}

const char *keep(const std::string &found) {
  found_buffer() = found;
  return found_buffer().c_str();
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

const char *VLfile_search(const char *name, const char *envname) {
  std::string found;
  if (!name || !envname || !_VLsearchpath_find(envname, name, &found)) return nullptr;
  return keep(found);
}

const char *VLfile_findmodel(const char *name) {
  if (!name || !*name) return nullptr;
  std::string found;
  if (_VLmodelpath_find(name, &found)) return keep(found);
  /* Only a name without an extension (no "." in its last component) is
   * tried again as a neutral file. */
  const char *slash = strrchr(name, '/');
  if (strchr(slash ? slash + 1 : name, '.')) return nullptr;
  std::string withext = std::string(name) + ".nff";
  if (_VLmodelpath_find(withext.c_str(), &found)) return keep(found);
  return nullptr;
}
