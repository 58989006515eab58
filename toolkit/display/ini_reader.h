/* The toolkit's INI reader: bytes in, lookups out. A file is a list of
 * "[section]" headers followed by "key=value" lines; names compare without
 * regard to case, blanks around names and values are trimmed, lines whose
 * first non-blank character is ';' are comments, anything else (lines
 * without '=', keys before the first section, junk) is skipped. Lookups
 * answer the first match in file order and cut values to 131 characters, as
 * the fixed 132-byte value buffer of the options reader expects. Any byte
 * sequence is accepted; files are read up to VLINI_MAXBYTES. */
#ifndef VLX_DISPLAY_INI_READER_H
#define VLX_DISPLAY_INI_READER_H

#include <stddef.h>

#include <string>
#include <vector>

/* Value buffer of a lookup: at most VLINI_VALUESIZE - 1 characters. */
#define VLINI_VALUESIZE 132
/* An options file holds a few dozen short lines; reading stops after this
 * many bytes (at the last line break before it), which bounds the memory and
 * time a huge or endless file can cost. */
#define VLINI_MAXBYTES (256 * 1024)

struct VLinipair {
  std::string key;
  std::string value;  /* already cut to VLINI_VALUESIZE - 1 bytes */
};

struct VLinisection {
  std::string name;
  std::vector<VLinipair> pairs;  /* in file order */
};

/* Sections in file order; a repeated header starts another entry. */
struct VLinifile {
  std::vector<VLinisection> sections;
};

/* Parses n bytes (any content, NULs included) into file, replacing it; a
 * UTF-8 byte-order mark at the start is skipped. */
void _VLini_parse(const char *bytes, size_t n, VLinifile *file);
/* Whether path names a regular file that can be opened for reading (never
 * blocks: FIFOs, devices and directories are not files here). */
bool _VLini_isfile(const char *path);
/* Reads and parses the file; false (file emptied) when it is not a readable
 * regular file. */
bool _VLini_load(const char *path, VLinifile *file);
/* First value of key in a section of that name, copied into value (always
 * NUL-terminated); false and "" when absent. */
bool _VLini_get(const VLinifile &file, const char *section, const char *key,
                char (&value)[VLINI_VALUESIZE]);

/* --- the initialisation file (ini.cpp), for tests --- */
struct VLsettings;
/* Applies every resource, table first then file (null: the table alone). */
void _VLini_apply(VLsettings *settings, const VLinifile *file);
/* Reads the file at path (null: none) into the current universe's options. */
void _VLini_readfile(const char *path);
/* VLini_read with the module file name given: tries first (may be null),
 * then "vlxwin". */
void _VLini_readnames(const char *first);

#endif
