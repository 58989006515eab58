/* The INI reader: splits bytes into lines, lines into section headers and
 * key=value pairs, and answers lookups. Files are opened without blocking
 * and only when they are regular files; at most VLINI_MAXBYTES are read.
 * Line breaks are "\n", "\r\n" or "\r"; a UTF-8 byte-order mark at the start
 * is skipped. */
#include "display/ini_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
bool is_break(char c) { return c == '\n' || c == '\r'; }

/* [b, e) without surrounding blanks. */
void trim(const char *&b, const char *&e) {
  while (b < e && is_blank(*b)) ++b;
  while (e > b && is_blank(e[-1])) --e;
}

/* Case-insensitive comparison of a counted name (which may hold NULs) with
 * a C string. */
bool same_name(const std::string &a, const char *b) {
  return a.size() == strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

/* "[name]": starts a section; a header without ']' leaves the lines after
 * it outside every section. */
void parse_header(const char *b, const char *e, VLinifile *file, VLinisection *&current) {
  const char *close = static_cast<const char *>(memchr(b, ']', static_cast<size_t>(e - b)));
  if (!close) {
    current = nullptr;
    return;
  }
  const char *nb = b + 1, *ne = close;
  trim(nb, ne);
  file->sections.push_back(VLinisection{std::string(nb, ne), {}});
  current = &file->sections.back();
}

/* "key=value": kept only inside a section and with a non-empty key. */
void parse_pair(const char *b, const char *e, VLinisection *current) {
  const char *eq = static_cast<const char *>(memchr(b, '=', static_cast<size_t>(e - b)));
  if (!eq || !current) return;
  const char *kb = b, *ke = eq, *vb = eq + 1, *ve = e;
  trim(kb, ke);
  trim(vb, ve);
  if (kb == ke) return;
  size_t vn = static_cast<size_t>(ve - vb);
  if (vn > VLINI_VALUESIZE - 1) vn = VLINI_VALUESIZE - 1;
  current->pairs.push_back(VLinipair{std::string(kb, ke), std::string(vb, vn)});
}

void parse_line(const char *b, const char *e, VLinifile *file, VLinisection *&current) {
  trim(b, e);
  if (b == e || *b == ';') return;
  if (*b == '[')
    parse_header(b, e, file, current);
  else
    parse_pair(b, e, current);
}

/* Reads up to VLINI_MAXBYTES from fd into out; when the file goes on, the
 * partial last line is dropped. False on a read error. */
bool read_bounded(int fd, std::string &out) {
  out.resize(VLINI_MAXBYTES);
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = read(fd, &out[got], out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  char extra;
  ssize_t more = got == out.size() ? read(fd, &extra, 1) : 0;
  if (more > 0)
    while (got > 0 && !is_break(out[got - 1])) --got;
  out.resize(got);
  return true;
}

/* Opens path for reading when it is a regular file; -1 otherwise. */
int open_regular(const char *path) {
  if (!path) return -1;
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void _VLini_parse(const char *bytes, size_t n, VLinifile *file) {
  file->sections.clear();
  VLinisection *current = nullptr;
  const char *p = bytes, *end = bytes + n;
  /* Editors that save UTF-8 may put a byte-order mark first; it is not part
   * of the first line. */
  static const char kBom[] = "\xEF\xBB\xBF";
  if (n >= 3 && memcmp(p, kBom, 3) == 0) p += 3;
  while (p < end) {
    const char *e = p;
    while (e < end && !is_break(*e)) ++e;
    parse_line(p, e, file, current);
    p = e < end ? e + 1 : end;
  }
}

bool _VLini_isfile(const char *path) {
  int fd = open_regular(path);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool _VLini_load(const char *path, VLinifile *file) {
  file->sections.clear();
  int fd = open_regular(path);
  if (fd < 0) return false;
  std::string bytes;
  bool ok = read_bounded(fd, bytes);
  close(fd);
  if (ok) _VLini_parse(bytes.data(), bytes.size(), file);
  return ok;
}

bool _VLini_get(const VLinifile &file, const char *section, const char *key,
                char (&value)[VLINI_VALUESIZE]) {
  value[0] = '\0';
  if (!section || !key) return false;
  for (const VLinisection &s : file.sections) {
    if (!same_name(s.name, section)) continue;
    for (const VLinipair &p : s.pairs) {
      if (!same_name(p.key, key)) continue;
      size_t n = p.value.size() < VLINI_VALUESIZE - 1 ? p.value.size() : VLINI_VALUESIZE - 1;
      memcpy(value, p.value.data(), n);
      value[n] = '\0';
      return true;
    }
  }
  return false;
}
