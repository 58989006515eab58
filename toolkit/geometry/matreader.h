/* A small line reader over a byte buffer for ".mat" files: whitespace-
 * separated tokens, "//" comments, any byte sequence accepted (NUL bytes
 * separate tokens), lines of any length, numbers checked whole with the
 * position report. Kept apart so that the shared tokenizer can replace it. */
#ifndef VLX_GEOMETRY_MATREADER_H
#define VLX_GEOMETRY_MATREADER_H

#include <stddef.h>

#include <string>
#include <vector>

class VLmatreader {
 public:
  VLmatreader(const char *path, const char *data, size_t size);
  /* Next token of the current line; null at its end. */
  const char *next();
  /* Next token anywhere; null at the end of the data. */
  const char *nextany();
  /* Gives back the last token of the current line. */
  void unget();
  /* One float / integer from the current line; false after the messages
   * "<name> missing." or "<name> invalid." with the position report. */
  bool readfloat(float *out, const char *name);
  bool readint(int *out, const char *name);

 private:
  bool readline();
  void showpos(size_t extra);
  bool missing(const char *name);

  std::string path_;
  const char *data_;
  size_t size_;
  size_t pos_ = 0;
  int line_ = 0;
  std::string raw_;                 /* the current line, without its end */
  std::vector<size_t> starts_;      /* token offsets in raw_ */
  std::vector<std::string> tokens_;
  size_t index_ = 0;                /* tokens handed out; count + 1 past the end */
};

#endif
