/* The VRML lexer: a table of actions indexed by lexer state (0 to 10) and
 * character class. Blanks, line ends and comments are skipped between
 * tokens; numbers are integers (decimal, or hexadecimal after 0x) or
 * floats (a fraction, an exponent with a sign); identifiers are looked up
 * in the keyword table; strings lose their quotes and line feeds, and \"
 * stands for a quote. A character that cannot continue a token makes it
 * unrecognised text (token 0) up to the line end. Bytes above 127 end the
 * input outside strings and comments. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"

namespace {

enum Class {
  C_BLANK, C_LF, C_EOF, C_DIGIT, C_HEX, C_E, C_X, C_LETTER, C_QUOTE, C_SIGN, C_DOT, C_PUNCT,
  C_ZERO, C_UNDER, C_HASH, C_OTHER, C_HIGH, C_COUNT
};

enum State {
  S_START, S_COMMENT, S_INT, S_ZERO, S_HEX, S_FRAC, S_EXPSIGN, S_EXPDIGITS, S_IDENT, S_STRING,
  S_JUNK, S_COUNT
};

/* Actions; A_ADD + s appends the character and goes to state s. */
enum Action {
  A_BAD, A_SKIP, A_NEWLINE, A_EOF, A_PUNCT, A_OTHER, A_COMMENT, A_STRING, A_ENDINT, A_ENDHEX,
  A_ENDFLOAT, A_ENDIDENT, A_ENDJUNK, A_ADD = 16
};

struct Tables {
  unsigned char cls[257];  /* index c + 1: -1 is the end of input */
  unsigned char act[S_COUNT][C_COUNT];
};

void classes(Tables &t) {
  unsigned char *c = t.cls + 1;
  for (int i = 0; i < 256; ++i) c[i] = i >= 128 ? C_HIGH : C_OTHER;
  t.cls[0] = C_EOF;
  c[int(' ')] = c[int('\t')] = c[int('\r')] = C_BLANK;
  c[int('\n')] = C_LF;
  for (int i = '1'; i <= '9'; ++i) c[i] = C_DIGIT;
  c[int('0')] = C_ZERO;
  for (int i = 'a'; i <= 'z'; ++i) c[i] = c[i - 32] = C_LETTER;
  for (const char *h = "ABCDFabcdf"; *h; ++h) c[(unsigned char)*h] = C_HEX;
  c[int('E')] = c[int('e')] = C_E;
  c[int('X')] = c[int('x')] = C_X;
  c[int('"')] = C_QUOTE;
  c[int('+')] = c[int('-')] = C_SIGN;
  c[int('.')] = C_DOT;
  for (const char *p = "(),[]{|}~"; *p; ++p) c[(unsigned char)*p] = C_PUNCT;
  c[int('_')] = C_UNDER;
  c[int('#')] = C_HASH;
}

void row(Tables &t, int s, int dflt, std::initializer_list<std::pair<int, int>> cases) {
  for (int k = 0; k < C_COUNT; ++k) t.act[s][k] = (unsigned char)dflt;
  for (auto &p : cases) t.act[s][p.first] = (unsigned char)p.second;
}

/* Classes that end a number or an identifier. */
void ends(Tables &t, int s, int action, bool quoteandsign) {
  for (int k : {C_BLANK, C_LF, C_EOF, C_HIGH, C_PUNCT, C_HASH}) t.act[s][k] = (unsigned char)action;
  if (quoteandsign) t.act[s][C_QUOTE] = t.act[s][C_SIGN] = (unsigned char)action;
}

void actions(Tables &t) {
  const int junk = A_ADD + S_JUNK;
  row(t, S_START, A_OTHER,
      {{C_BLANK, A_SKIP}, {C_LF, A_NEWLINE}, {C_EOF, A_EOF}, {C_HIGH, A_EOF},
       {C_DIGIT, A_ADD + S_INT}, {C_SIGN, A_ADD + S_INT}, {C_ZERO, A_ADD + S_ZERO},
       {C_DOT, A_ADD + S_FRAC}, {C_HEX, A_ADD + S_IDENT}, {C_E, A_ADD + S_IDENT},
       {C_X, A_ADD + S_IDENT}, {C_LETTER, A_ADD + S_IDENT}, {C_UNDER, A_ADD + S_IDENT},
       {C_QUOTE, A_STRING}, {C_PUNCT, A_PUNCT}, {C_HASH, A_COMMENT}});
  row(t, S_COMMENT, A_SKIP, {{C_LF, A_NEWLINE}, {C_EOF, A_EOF}});
  row(t, S_INT, junk,
      {{C_DIGIT, A_ADD + S_INT}, {C_ZERO, A_ADD + S_INT}, {C_DOT, A_ADD + S_FRAC},
       {C_E, A_ADD + S_EXPSIGN}, {C_HEX, A_ADD + S_IDENT}, {C_X, A_ADD + S_IDENT},
       {C_LETTER, A_ADD + S_IDENT}, {C_UNDER, A_ADD + S_IDENT}});
  ends(t, S_INT, A_ENDINT, true);
  row(t, S_ZERO, junk, {{C_DIGIT, A_ADD + S_INT}, {C_ZERO, A_ADD + S_INT},
                        {C_X, A_ADD + S_HEX}, {C_DOT, A_ADD + S_FRAC}});
  ends(t, S_ZERO, A_ENDINT, false);
  row(t, S_HEX, junk, {{C_DIGIT, A_ADD + S_HEX}, {C_ZERO, A_ADD + S_HEX},
                       {C_HEX, A_ADD + S_HEX}, {C_E, A_ADD + S_HEX}});
  ends(t, S_HEX, A_ENDHEX, true);
  row(t, S_FRAC, junk, {{C_DIGIT, A_ADD + S_FRAC}, {C_ZERO, A_ADD + S_FRAC},
                        {C_E, A_ADD + S_EXPSIGN}});
  ends(t, S_FRAC, A_ENDFLOAT, true);
  row(t, S_EXPSIGN, junk, {{C_SIGN, A_ADD + S_EXPDIGITS}, {C_LF, A_ENDJUNK},
                           {C_EOF, A_ENDJUNK}, {C_HIGH, A_ENDJUNK}});
  row(t, S_EXPDIGITS, junk, {{C_DIGIT, A_ADD + S_EXPDIGITS}, {C_ZERO, A_ADD + S_EXPDIGITS}});
  ends(t, S_EXPDIGITS, A_ENDFLOAT, true);
  row(t, S_IDENT, junk,
      {{C_DIGIT, A_ADD + S_IDENT}, {C_ZERO, A_ADD + S_IDENT}, {C_HEX, A_ADD + S_IDENT},
       {C_E, A_ADD + S_IDENT}, {C_X, A_ADD + S_IDENT}, {C_LETTER, A_ADD + S_IDENT},
       {C_UNDER, A_ADD + S_IDENT}, {C_SIGN, A_ADD + S_IDENT}, {C_DOT, A_ADD + S_IDENT}});
  ends(t, S_IDENT, A_ENDIDENT, false);
  t.act[S_IDENT][C_QUOTE] = A_ENDIDENT;
  row(t, S_STRING, A_BAD, {});  /* strings are read by their own loop */
  row(t, S_JUNK, junk, {{C_LF, A_ENDJUNK}, {C_EOF, A_ENDJUNK}, {C_HIGH, A_ENDJUNK}});
}

const Tables &tables(void) {
  static Tables *t = nullptr;
  if (t) return *t;
  t = new Tables;
  classes(*t);
  actions(*t);
  return *t;
}

const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/* A decimal number's value: exact for up to 19 significant digits and
 * exponents within 22, else through strtod. */
double to_double(const std::string &s) {
  const char *p = s.c_str();
  bool neg = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint64_t m = 0;
  int digits = 0, exp10 = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (digits < 19) m = m * 10 + uint64_t(*p - '0'), digits += m != 0;
    else ++exp10;
  if (*p == '.')
    for (++p; *p >= '0' && *p <= '9'; ++p)
      if (digits < 19) m = m * 10 + uint64_t(*p - '0'), digits += m != 0, --exp10;
  if (*p == 'e' || *p == 'E') {
    ++p;
    bool eneg = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int e = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
      if (e < 100000) e = e * 10 + (*p - '0');
    exp10 += eneg ? -e : e;
  }
  double v;
  if (m == 0) v = 0;
  else if (exp10 >= 0 && exp10 <= 22 && m < (uint64_t(1) << 53)) v = double(m) * kPow10[exp10];
  else if (exp10 < 0 && exp10 >= -22 && m < (uint64_t(1) << 53)) v = double(m) / kPow10[-exp10];
  else return strtod(s.c_str(), nullptr);
  return neg ? -v : v;
}

void end_int(VLvrmllexer &x) {
  const char *p = x.text.c_str();
  bool neg = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int64_t v = 0;
  for (; *p; ++p)
    if (v < (int64_t(1) << 40)) v = v * 10 + (*p - '0');
  x.ival = neg ? -v : v;
  x.fval = to_double(x.text);
}

void end_hex(VLvrmllexer &x) {
  uint64_t v = 0;
  for (const char *p = x.text.c_str() + 2; *p; ++p) {
    int d = *p <= '9' ? *p - '0' : (*p | 32) - 'a' + 10;
    if (v < (uint64_t(1) << 40)) v = v * 16 + uint64_t(d);
  }
  x.ival = int64_t(v);
  x.fval = double(v);
}

/* A string after its opening quote; token 15, or 0 at the end of input. */
int read_string(VLvrmlstate &c) {
  VLvrmllexer &x = c.lex;
  for (;;) {
    int ch = _VLvrml_getc(c);
    if (ch < 0) {
      x.look = -1;
      return VLT_UNKNOWN;
    }
    if (ch == '\n') {
      ++x.line;
      continue;
    }
    if (ch == '"') {
      if (!x.text.empty() && x.text.back() == '\\') {
        x.text.back() = '"';
        continue;
      }
      x.look = _VLvrml_getc(c);
      return VLT_STRING;
    }
    x.text.push_back(char(ch));
  }
}

int end_token(VLvrmlstate &c, int action) {
  VLvrmllexer &x = c.lex;
  x.state = S_START;
  switch (action) {
    case A_ENDINT: end_int(x); return VLT_INT;
    case A_ENDHEX: end_hex(x); return VLT_INT;
    case A_ENDFLOAT: x.fval = to_double(x.text); return VLT_FLOAT;
    case A_ENDIDENT: return _VLvrml_keyword(x.text.data(), x.text.size(), &x.keyword);
    default: return VLT_UNKNOWN;
  }
}

/* Runs the table from the current state to the end of one token. */
int scan(VLvrmlstate &c) {
  const Tables &t = tables();
  VLvrmllexer &x = c.lex;
  x.text.clear();
  if (x.state == S_START) x.tokline = x.line;
  for (;;) {
    int ch = x.look;
    int action = t.act[x.state][t.cls[ch + 1]];
    if (action >= A_ADD) {
      if (x.state == S_START) x.tokline = x.line;
      x.text.push_back(char(ch));
      x.state = action - A_ADD;
      x.look = _VLvrml_getc(c);
      continue;
    }
    switch (action) {
      case A_SKIP: x.look = _VLvrml_getc(c); continue;
      case A_NEWLINE:
        ++x.line;
        x.state = S_START;
        x.look = _VLvrml_getc(c);
        continue;
      case A_COMMENT: x.state = S_COMMENT; x.look = _VLvrml_getc(c); continue;
      case A_EOF: x.state = S_START; x.tokline = x.line; return VLT_EOF;
      case A_PUNCT: {
        x.tokline = x.line;
        x.text.push_back(char(ch));
        x.look = _VLvrml_getc(c);
        static const char kPunct[] = "()[]{},~|";
        return int(strchr(kPunct, ch) - kPunct) + 1;
      }
      case A_OTHER:
        x.tokline = x.line;
        x.text.push_back(char(ch));
        x.look = _VLvrml_getc(c);
        x.state = S_JUNK;  /* the rest of the line is a further token */
        return VLT_UNKNOWN;
      case A_STRING:
        x.tokline = x.line;
        return read_string(c);
      case A_ENDINT: case A_ENDHEX: case A_ENDFLOAT: case A_ENDIDENT: case A_ENDJUNK:
        return end_token(c, action);
      default: VLMSG(VRML_PARSE_ACTION, action); return VLT_EOF;
    }
  }
}

}  // namespace

int _VLvrml_lex(VLvrmlstate &c) {
  VLvrmllexer &x = c.lex;
  if (x.pushed) {
    int t = x.pushed - 1;
    x.pushed = 0;
    return t;
  }
  return scan(c);
}

void _VLvrml_unlex(VLvrmlstate &c, int token) { c.lex.pushed = token + 1; }

void _VLvrml_syntax(VLvrmlstate &c) {
  VLMSG(VRML_SYNTAX, c.lex.tokline, c.lex.text.c_str());
  throw VLvrmlabort();
}

void _VLvrml_expect(VLvrmlstate &c, int token) {
  if (_VLvrml_lex(c) != token) _VLvrml_syntax(c);
}
