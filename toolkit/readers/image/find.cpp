/* Finding image files: the name itself, else each directory of the VLIMAGES
 * search path (entries separated by ";") joined to the name with "/"; a
 * name without extension is also tried with ".tga", ".rgb" and ".jpg". */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>


#include <string>

#include "core/messages.h"
#include "readers/bytes/modelpath.h"
#include "vlx/diag.h"
#include "vlx/image.h"

namespace {

bool search(const std::string &name, std::string &found) {
  return _VLsearchpath_find("VLIMAGES", name.c_str(), &found);
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
    VLMSG(IMG_NOT_FOUND, name ? name : "(null)");
    return nullptr;
  }
  std::string found;
  if (search(name, found)) return VLstrdup(found.c_str());
  if (!has_extension(name)) {
    static const char *const kExtensions[] = {".tga", ".rgb", ".jpg"};
    for (const char *ext : kExtensions)
      if (search(std::string(name) + ext, found)) return VLstrdup(found.c_str());
  }
  VLMSG(IMG_NOT_FOUND, name);
  return nullptr;
}
