/* The ".mat" line reader: see matreader.h. Every access is bounded by the
 * buffer size; nothing is read past the end. */
#include "geometry/matreader.h"

#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "vlx/diag.h"

namespace {

bool separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

}  // namespace

VLmatreader::VLmatreader(const char *path, const char *data, size_t size)
    : path_(path ? path : ""), data_(data), size_(data ? size : 0) {}

bool VLmatreader::readline() {
  if (pos_ >= size_) return false;
  const char *end = static_cast<const char *>(memchr(data_ + pos_, '\n', size_ - pos_));
  size_t len = end ? static_cast<size_t>(end - (data_ + pos_)) : size_ - pos_;
  raw_.assign(data_ + pos_, len);
  pos_ += len + (end ? 1 : 0);
  ++line_;
  starts_.clear();
  tokens_.clear();
  index_ = 0;
  size_t i = 0;
  while (i < raw_.size()) {
    while (i < raw_.size() && separator(raw_[i])) ++i;
    size_t start = i;
    while (i < raw_.size() && !separator(raw_[i])) ++i;
    if (i == start) break;
    std::string token = raw_.substr(start, i - start);
    size_t comment = token.find("//");
    if (comment != std::string::npos) token.erase(comment);
    if (!token.empty()) {
      starts_.push_back(start);
      tokens_.push_back(token);
    }
    if (comment != std::string::npos) break;  /* the rest of the line is comment */
  }
  return true;
}

const char *VLmatreader::next() {
  if (index_ < tokens_.size()) return tokens_[index_++].c_str();
  index_ = tokens_.size() + 1;
  return nullptr;
}

const char *VLmatreader::nextany() {
  while (index_ >= tokens_.size()) {
    if (!readline()) return nullptr;
  }
  return tokens_[index_++].c_str();
}

void VLmatreader::unget() {
  if (index_ > 0 && index_ <= tokens_.size()) --index_;
}

/* "Line N in 'path'.", the line, and a caret under the offending column. */
void VLmatreader::showpos(size_t extra) {
  if (index_ == 0) return;
  VLmsg_warning(VLTXT_MAT_LINE, line_, path_.c_str());
  VLmsg_info("%s\n", raw_.c_str());
  size_t offset;
  if (index_ > tokens_.size())
    offset = tokens_.empty() ? 0 : starts_.back() + tokens_.back().size() + 1;
  else
    offset = starts_[index_ - 1];
  offset += extra;
  long column = -1;
  for (size_t i = 0; i <= offset && i < raw_.size(); ++i)
    column = raw_[i] == '\t' ? column / 8 * 8 + 7 : column + 1;
  if (column < 0) column = 0;
  if (column > VLMSG_MAXLEN) column = VLMSG_MAXLEN;
  VLmsg_info("%*s^\n", static_cast<int>(column), "");
}

bool VLmatreader::missing(const char *name) {
  showpos(0);
  VLmsg_warning(VLTXT_MAT_VALUE_MISSING, name);
  return false;
}

bool VLmatreader::readfloat(float *out, const char *name) {
  const char *token = next();
  if (!token) return missing(name);
  char *end;
  errno = 0;
  float value = strtof(token, &end);
  *out = value;
  if (end == token || *end || !isfinite(value)) {
    showpos(static_cast<size_t>(end - token));
    VLmsg_warning(VLTXT_MAT_FLOAT_INVALID, name);
    return false;
  }
  return true;
}

bool VLmatreader::readint(int *out, const char *name) {
  const char *token = next();
  if (!token) return missing(name);
  char *end;
  errno = 0;
  long value = strtol(token, &end, 10);
  if (end == token || *end || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
    showpos(static_cast<size_t>(end - token));
    VLmsg_warning(VLTXT_MAT_INT_INVALID, name);
    return false;
  }
  *out = static_cast<int>(value);
  return true;
}
