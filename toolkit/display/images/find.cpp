/* Finding image files: the name itself, else each directory of the VLIMAGES
 * search path (entries separated by ";") joined to the name with "/"; a
 * name without extension is also tried with ".tga", ".rgb" and ".jpg". */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "core/messages.h"
#include "vlx/diag.h"
#include "vlx/texture.h"

namespace {

/* A regular file that opens for reading (a directory opens too on Linux). */
bool opens(const std::string &path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE *f = fopen(path.c_str(), "rb");
  if (f) fclose(f);
  return f != nullptr;
}

bool search(const std::string &name, std::string &found) {
  if (opens(name)) {
    found = name;
    return true;
  }
  const char *list = getenv("VLIMAGES");
  if (!list) return false;
  std::string dirs(list);
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(';', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && opens(dir + "/" + name)) {
      found = dir + "/" + name;
      return true;
    }
    start = end + 1;
  }
  return false;
}

/* No "." after the last "/" and after the last "\\". */
bool has_extension(const char *name) {
  const char *dot = strrchr(name, '.');
  if (!dot) return false;
  const char *slash = strrchr(name, '/');
  const char *back = strrchr(name, '\\');
  return (!slash || dot > slash) && (!back || dot > back);
}

}  // namespace

char *VLimage_find(const char *name) {
  if (!name || !*name) {
    VLmsg_warning(VLTXT_IMG_NOT_FOUND, name ? name : "(null)");
    return nullptr;
  }
  std::string found;
  if (search(name, found)) return VLstrdup(found.c_str());
  if (!has_extension(name)) {
    static const char *const kExtensions[] = {".tga", ".rgb", ".jpg"};
    for (const char *ext : kExtensions)
      if (search(std::string(name) + ext, found)) return VLstrdup(found.c_str());
  }
  VLmsg_warning(VLTXT_IMG_NOT_FOUND, name);
  return nullptr;
}
