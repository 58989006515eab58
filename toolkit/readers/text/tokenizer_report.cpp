/* The tokenizer's position report and its number and colour conversions.
 * Floats are read as decimal numbers whatever the process locale is (the
 * windowed program runs under the user's locale), and must be finite. The
 * echoed line and the caret are printed in pieces, so that a line longer
 * than one composed message is shown whole. */
#include <ctype.h>
#include <math.h>
#include <string.h>

#include <charconv>

#include "core/messages.h"
#include "readers/text/tokenizer.h"
#include "vlx/diag.h"

namespace {

/* Longest piece printed by one message. */
constexpr int kPiece = 400;

/* The line as read; a line without its own line feed (the last line of
 * the data, or a piece of an over-long line) gets one. */
void echo_line(const VLtokenizer *t) {
  size_t n = t->raw_length;
  for (size_t at = 0; at < n; at += kPiece) {
    int len = static_cast<int>(n - at < static_cast<size_t>(kPiece) ? n - at : kPiece);
    VLMSG(TOK_ECHO, len, t->raw_line + at);
  }
  if (n == 0 || t->raw_line[n - 1] != '\n') VLMSG(TOK_NEWLINE);
}

/* Byte offset in the line that the report points at. */
size_t report_offset(const VLtokenizer *t, int extra) {
  size_t offset;
  if (t->index > t->count) {
    if (t->count == 0) {
      offset = 0;
    } else {
      const char *last = t->tokens[t->count - 1];
      offset = static_cast<size_t>(last - t->work_line) + strlen(last) + 1;
    }
  } else {
    offset = static_cast<size_t>(t->tokens[t->index - 1] - t->work_line);
  }
  if (extra < 0 && static_cast<size_t>(-static_cast<long>(extra)) > offset) return 0;
  return offset + static_cast<size_t>(static_cast<long>(extra));
}

/* Display column of the byte at offset: tabs stop at multiples of 8. A line
 * without a line feed ends as if it had one. */
long display_column(const VLtokenizer *t, size_t offset) {
  size_t end = t->raw_length;
  if (end == 0 || t->raw_line[end - 1] != '\n') end++;
  long column = -1;
  for (size_t i = 0; i <= offset && i < end; ++i) {
    column++;
    if (i < t->raw_length && t->raw_line[i] == '\t') column = column / 8 * 8 + 7;
  }
  return column < 0 ? 0 : column;
}

void caret_line(long column) {
  while (column > kPiece) {
    VLMSG(TOK_BLANKS, kPiece, "");
    column -= kPiece;
  }
  VLMSG(TOK_CARET, static_cast<int>(column), "");
}

}  // namespace

int VLtok_showpos(VLtokenizer *t, int extra, const char *message) {
  if (!t || t->index == 0) return 0;
  VLMSG(TOK_LINE, t->line_number, t->path);
  echo_line(t);
  caret_line(display_column(t, report_offset(t, extra)));
  if (message) VLMSG(TOK_MESSAGE, message);
  return 1;
}

bool VLtok_missing(VLtokenizer *t, const char *name) {
  VLtok_showpos(t, 0, nullptr);
  VLMSG(TOK_MISSING, name ? name : "");
  return false;
}

bool VLtok_invalid(VLtokenizer *t, int extra, const char *name) {
  VLtok_showpos(t, extra, nullptr);
  VLMSG(TOK_INVALID, name ? name : "");
  return false;
}

/* ---------- silent conversions ---------- */

bool VLtok_parsefloat(const char *token, float *out, size_t *used) {
  size_t len = strlen(token);
  const char *first = token;
  /* from_chars takes no leading plus sign. */
  if (*first == '+' && first[1] != '-' && first[1] != '+') ++first;
  float value = 0.0f;
  std::from_chars_result r = std::from_chars(first, token + len, value);
  if (r.ptr == first) {
    *used = 0;
    return false;
  }
  *used = static_cast<size_t>(r.ptr - token);
  if (r.ec == std::errc::result_out_of_range) {
    /* Underflow reads as zero; overflow is no number. */
    double wide = 0.0;
    std::from_chars(first, token + len, wide);
    if (!(fabs(wide) < 1.0)) {
      *used = 0;
      return false;
    }
    value = 0.0f;
  }
  if (!isfinite(value)) {
    *used = 0;
    return false;
  }
  *out = value;
  return *used == len;
}

bool VLtok_parseint(const char *token, int *out, size_t *used) {
  size_t len = strlen(token);
  const char *first = token;
  if (*first == '+' && first[1] != '-' && first[1] != '+') ++first;
  int value = 0;
  std::from_chars_result r = std::from_chars(first, token + len, value);
  if (r.ptr == first || r.ec == std::errc::result_out_of_range) {
    *used = 0;
    return false;
  }
  *used = static_cast<size_t>(r.ptr - token);
  *out = value;
  return *used == len;
}

/* ---------- conversions with messages ---------- */

bool VLtok_float(VLtokenizer *t, float *out, const char *name) {
  const char *token = VLtok_next(t);
  if (!token) return VLtok_missing(t, name);
  size_t used = 0;
  if (VLtok_parsefloat(token, out, &used)) return true;
  VLtok_showpos(t, static_cast<int>(used), nullptr);
  VLMSG(TOK_FLOAT_INVALID, name ? name : "");
  return false;
}

bool VLtok_float2(VLtokenizer *t, float out[2], const char *name) {
  return VLtok_float(t, &out[0], name) && VLtok_float(t, &out[1], name);
}

bool VLtok_float3(VLtokenizer *t, float out[3], const char *name) {
  return VLtok_float2(t, out, name) && VLtok_float(t, &out[2], name);
}

bool VLtok_int(VLtokenizer *t, int *out, const char *name) {
  const char *token = VLtok_next(t);
  if (!token) return VLtok_missing(t, name);
  size_t used = 0;
  if (VLtok_parseint(token, out, &used)) return true;
  return VLtok_invalid(t, static_cast<int>(used), name);
}

bool VLtok_hexcolor(VLtokenizer *t, uint8_t *r, uint8_t *g, uint8_t *b, const char *name) {
  const char *token = VLtok_next(t);
  if (!token) return VLtok_missing(t, name);
  size_t len = strlen(token);
  size_t i = token[0] == '0' && (token[1] == 'x' || token[1] == 'X') ? 2 : 0;
  size_t start = i;
  uint32_t value = 0;
  for (; i < len && isxdigit(static_cast<unsigned char>(token[i])) && i - start < 8; ++i) {
    char c = token[i];
    uint32_t d = c <= '9' ? uint32_t(c - '0') : uint32_t((c | 0x20) - 'a' + 10);
    value = value << 4 | d;
  }
  if (i == start || i < len) return VLtok_invalid(t, static_cast<int>(i), name);
  if (len == 5) {
    *r = static_cast<uint8_t>(((value >> 8) & 15) * 17);
    *g = static_cast<uint8_t>(((value >> 4) & 15) * 17);
    *b = static_cast<uint8_t>((value & 15) * 17);
  } else {
    *r = static_cast<uint8_t>(value >> 16);
    *g = static_cast<uint8_t>(value >> 8);
    *b = static_cast<uint8_t>(value);
  }
  return true;
}
