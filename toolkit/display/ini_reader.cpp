/* The INI reader: splits bytes into lines, lines into section headers and
 * key=value pairs, and answers lookups. Files are opened without blocking
 * and only when they are regular files (through the readers' whole-file
 * fetch); at most VLINI_MAXBYTES of them are parsed.
 * Line breaks are "
", "
" or "
"; a UTF-8 byte-order mark at the start
 * is skipped. */
#include "display/ini_reader.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "readers/bytes/fetch.h"

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

/* The bytes an options file is read from: at most VLINI_MAXBYTES; when
 * the file goes on, the partial last line is dropped. */
size_t bounded_length(const char *bytes, size_t n) {
  if (n <= VLINI_MAXBYTES) return n;
  n = VLINI_MAXBYTES;
  while (n > 0 && !is_break(bytes[n - 1])) --n;
  return n;
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
  int fd = _VLfetch_openregular(path, nullptr);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool _VLini_load(const char *path, VLinifile *file) {
  file->sections.clear();
  char *bytes = nullptr;
  size_t n = 0;
  if (_VLfetch_file(path, &bytes, &n) != VLFETCH_OK) return false;
  _VLini_parse(bytes, bounded_length(bytes, n), file);
  free(bytes);
  return true;
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
