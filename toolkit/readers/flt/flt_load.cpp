/* Entry points of the OpenFlight reader and the files it follows. A file
 * is read whole (VLflt_load; searched by its last name along VLMODELS when
 * it does not open as given) and converted from its bytes. External
 * references are resolved relative to the referencing file, read through
 * the session's fetch and converted with a context of their own. The
 * session keeps the files being read: a reference to one of them (a file
 * naming itself, or a cycle), a chain deeper than VLFLT_MAXREFDEPTH and
 * more than VLFLT_MAXREFS external files are refused with a warning. */
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/flt/flt_internal.h"
#include "vlx/file.h"
#include "vlx/node.h"

namespace {

/* The file's folder, ending in "/", or "". */
std::string folder_of(const std::string &path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

/* The matrix that takes the file's (x, y, z) to (x, -z, y). */
void axis_matrix(VLm4 *m) {
  static const float kAxis[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
  memcpy(m->m, kAxis, sizeof kAxis);
}

bool fetch(const FltSession &s, const std::string &path, char **data, size_t *size) {
  *data = nullptr;
  *size = 0;
  if (s.options.fetch) return s.options.fetch(s.options.user, path.c_str(), data, size);
  return _VLfetch_file(path.c_str(), data, size) == VLFETCH_OK;
}

/* The name an external reference record holds: the file part (a node
 * name in angle brackets is dropped), "\\" read as "/". */
std::string reference_file(const char *field) {
  std::string s(field);
  size_t angle = s.find('<');
  if (angle != std::string::npos) s.erase(angle);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

/* Reads the first of the places the reference may name; false when none. */
bool find_reference(const FltFile &f, const std::string &file, std::string *path, char **data,
                    size_t *size) {
  std::vector<std::string> tries;
  if (file[0] != '/') tries.push_back(f.dir + file);
  tries.push_back(file);
  if (!f.session->options.fetch) {
    std::string base = file.substr(file.find_last_of('/') + 1);
    if (const char *found = VLfile_search(base.c_str(), "VLMODELS")) tries.push_back(found);
  }
  for (const std::string &t : tries)
    if (fetch(*f.session, t, data, size)) {
      *path = t;
      return true;
    }
  return false;
}

bool refused(const FltFile &f, const char *name, const std::string &key) {
  const FltSession &s = *f.session;
  if (std::find(s.open.begin(), s.open.end(), key) != s.open.end()) {
    VLMSG(FLT_EXTREF_CYCLE, name, f.path.c_str());
    return true;
  }
  if (s.open.size() >= VLFLT_MAXREFDEPTH) {
    VLMSG(FLT_EXTREF_DEPTH, name, f.path.c_str(), int(VLFLT_MAXREFDEPTH));
    return true;
  }
  if (s.refs >= VLFLT_MAXREFS) {
    VLMSG(FLT_EXTREF_LIMIT, int(VLFLT_MAXREFS), name);
    return true;
  }
  return false;
}

}  // namespace

std::string _VLflt_normalise(const std::string &path) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= path.size()) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(at, slash - at);
    if (part == ".." && !parts.empty() && parts.back() != "..") parts.pop_back();
    else if (!part.empty() && part != ".") parts.push_back(part);
    at = slash + 1;
  }
  std::string out = !path.empty() && path[0] == '/' ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? "/" : "") + parts[i];
  return out;
}

std::string _VLflt_key(const std::string &path) {
  char real[PATH_MAX];
  if (realpath(path.c_str(), real)) return real;
  return _VLflt_normalise(path);
}

VLnode *_VLflt_external(FltFile &f, const std::string &name) {
  std::string file = reference_file(name.c_str());
  std::string path;
  char *data = nullptr;
  size_t size = 0;
  if (file.empty() || !find_reference(f, file, &path, &data, &size)) {
    VLMSG(FLT_EXTREF_FAILED, name.c_str());
    return nullptr;
  }
  std::string key = f.session->options.fetch ? _VLflt_normalise(path) : _VLflt_key(path);
  VLnode *node = nullptr;
  if (!refused(f, name.c_str(), key)) {
    ++f.session->refs;
    node = _VLflt_readfile(*f.session, path, key, reinterpret_cast<uint8_t *>(data), size, false);
    if (!node) VLMSG(FLT_EXTREF_FAILED, name.c_str());
  }
  free(data);
  return node;
}

VLnode *_VLflt_readfile(FltSession &s, const std::string &path, const std::string &key,
                        const uint8_t *data, size_t size, bool axis) {
  if (!data || size == 0) return nullptr;
  FltFile f(&s, path, folder_of(path), data, size);
  if (!_VLflt_scan(f)) return nullptr;
  s.open.push_back(key);
  VLnode *root = VLsepnode_new(nullptr);
  VLnode_setname(root, _VLflt_id(f, f.beads[0]).c_str());
  if (axis) {
    VLnode *x = VLxformnode_new(root);
    VLm4 m;
    axis_matrix(&m);
    VLxformnode_setmatrix(x, &m);
  }
  _VLflt_materials(f);
  _VLflt_convert(f, root);
  s.open.pop_back();
  return root;
}

VLnode *VLflt_readbytes(const char *path, const unsigned char *data, size_t size,
                        const VLfltoptions *options) {
  FltSession s;
  s.options = options ? *options : VLfltoptions{nullptr, nullptr, false};
  s.top = path ? path : "";
  std::string key = s.options.fetch ? _VLflt_normalise(s.top) : _VLflt_key(s.top);
  return _VLflt_readfile(s, s.top, key, data, size, true);
}

VLnode *VLflt_load(const char *path) {
  if (!path) return nullptr;
  std::string found = path;
  char *data = nullptr;
  size_t size = 0;
  int status = _VLfetch_file(path, &data, &size);
  const char *slash = strrchr(path, '/'), *back = strrchr(path, '\\');
  if (back > slash) slash = back;
  if (status != VLFETCH_OK && slash) {
    if (const char *alt = VLfile_search(slash + 1, "VLMODELS")) {
      found = alt;
      status = _VLfetch_file(found.c_str(), &data, &size);
    }
  }
  VLnode *root = nullptr;
  if (status != VLFETCH_OK) VLMSG(FLT_CANT_OPEN, path);
  else root = VLflt_readbytes(found.c_str(), reinterpret_cast<unsigned char *>(data), size, nullptr);
  free(data);
  if (!root) VLMSG(FLT_CANT_LOAD, path);
  return root;
}
