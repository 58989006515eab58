/* Tokenizer: lines, comments, continuations, token walks, the position
 * report, conversions, the file entry point, and arbitrary bytes. */
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "core/messages.h"
#include "readers/text/tokenizer.h"
#include "support/messages.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

/* Records the messages and swallows standard output. */
class TokenizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_messages();
    CaptureStdout();
  }
  void TearDown() override {
    log_ += GetCapturedStdout();
    if (HasFailure()) fputs(log_.c_str(), stderr);  /* the failures were captured too */
    stop_recording();
    for (VLtokenizer *t : open_) VLtok_close(t);
  }
  /* Everything printed since the last call. */
  std::string output() {
    std::string s = GetCapturedStdout();
    log_ += s;
    CaptureStdout();
    return s;
  }
  VLtokenizer *open(const std::string &text, const char *comment = "//") {
    texts_.push_back(text);
    VLtokenizer *t = VLtok_openbytes("test.txt", texts_.back().data(), texts_.back().size(),
                                     comment);
    open_.push_back(t);
    return t;
  }
  /* Every token through VLtok_next of the current logical line. */
  static std::vector<std::string> line_tokens(VLtokenizer *t) {
    std::vector<std::string> out;
    while (const char *s = VLtok_next(t)) out.push_back(s);
    return out;
  }
  static std::vector<std::string> all_tokens(VLtokenizer *t) {
    std::vector<std::string> out;
    while (const char *s = VLtok_nextany(t)) out.push_back(s);
    return out;
  }

  std::string log_;
  std::vector<VLtokenizer *> open_;
  std::vector<std::string> texts_;  /* a vector of strings keeps each buffer in place */
};

using Tokens = std::vector<std::string>;

}  // namespace

/* ---------- lines, comments, continuations ---------- */

TEST_F(TokenizerTest, CommentsCutTheLine) {
  struct Case {
    const char *line, *comment;
    Tokens tokens;
  } cases[] = {
      {"1.0 2.0 // three\n", "//", {"1.0", "2.0"}},
      {"1.0//x 2.0\n", "//", {"1.0"}},
      {"//x\n", "//", {}},
      {"  a//\n", "//", {"a"}},
      {"v 1 2 # note\n", "#", {"v", "1", "2"}},
      {"a # b\n", nullptr, {"a", "#", "b"}},
      {"\t a \r\n", "//", {"a"}},
  };
  for (const Case &c : cases) {
    VLtokenizer *t = open(c.line, c.comment);
    EXPECT_EQ(t->count, static_cast<int>(c.tokens.size())) << c.line;
    EXPECT_EQ(line_tokens(t), c.tokens) << c.line;
  }
}

TEST_F(TokenizerTest, ContinuationJoinsLines) {
  struct Case {
    const char *text;
    Tokens tokens;
  } cases[] = {
      {"a b \\\nc\nd\n", {"a", "b", "c"}},
      {"a b\\\nc\nd\n", {"a", "b", "c"}},
      {"a \\\n\\\nb c\n", {"a", "b", "c"}},     /* an empty continued line */
      {"a b // c \\\nd\n", {"a", "b"}},          /* the comment hides the backslash */
      {"a\nb\n", {"a"}},
      {"a \\", {"a"}},                           /* continued past the end of data */
  };
  for (const Case &c : cases) {
    VLtokenizer *t = open(c.text);
    EXPECT_EQ(line_tokens(t), c.tokens) << c.text;
    EXPECT_EQ(VLtok_next(t), nullptr);
  }
}

TEST_F(TokenizerTest, NextAnySkipsEmptyAndCommentLines) {
  VLtokenizer *t = open("\n//lights\n\n  a b\n\n// x\nc");
  EXPECT_EQ(all_tokens(t), (Tokens{"a", "b", "c"}));
  EXPECT_EQ(t->line_number, 7);
  EXPECT_EQ(VLtok_nextany(t), nullptr);
  EXPECT_EQ(VLtok_readline(t), 0);
}

TEST_F(TokenizerTest, NextLineAndUngetStayOnPhysicalLines) {
  VLtokenizer *t = open("first\n\n  \nsecond third\n");
  ASSERT_EQ(VLtok_nextline(t), 1);
  EXPECT_EQ(t->line_number, 4);
  EXPECT_EQ(VLtok_unget(t), 0);
  EXPECT_STREQ(VLtok_next(t), "second");
  EXPECT_EQ(VLtok_index(t), 1);
  EXPECT_EQ(VLtok_unget(t), 1);
  EXPECT_STREQ(VLtok_next(t), "second");
  EXPECT_STREQ(VLtok_next(t), "third");
  EXPECT_EQ(VLtok_next(t), nullptr);
  EXPECT_EQ(VLtok_index(t), 3);
  EXPECT_EQ(VLtok_nextline(t), 0);
}

TEST_F(TokenizerTest, EmptyDataHasAnEmptyFirstLine) {
  VLtokenizer *t = open("");
  EXPECT_EQ(t->count, 0);
  EXPECT_EQ(t->line_number, 0);
  EXPECT_EQ(VLtok_next(t), nullptr);
  EXPECT_EQ(VLtok_nextany(t), nullptr);
  EXPECT_EQ(VLtok_showpos(t, 0, nullptr), 1);  /* ran past the end: index 1 */
}

TEST_F(TokenizerTest, LongLinesAreReadInPiecesWithTheirOwnNumbers) {
  std::string line(1500, 'x');
  line[700] = ' ';
  VLtokenizer *t = open("a\n" + line + "\nb\n");
  EXPECT_EQ(t->line_number, 1);
  ASSERT_EQ(VLtok_readline(t), 1);
  EXPECT_EQ(t->line_number, 2);
  EXPECT_EQ(t->raw_length, 1023u);
  EXPECT_EQ(line_tokens(t), (Tokens{std::string(700, 'x'), std::string(322, 'x')}));
  ASSERT_EQ(VLtok_readline(t), 1);
  EXPECT_EQ(t->line_number, 3);
  EXPECT_EQ(line_tokens(t), (Tokens{std::string(477, 'x')}));
  EXPECT_STREQ(VLtok_nextany(t), "b");
  EXPECT_EQ(t->line_number, 4);
}

TEST_F(TokenizerTest, EveryTokenOfAFullLineIsKept) {
  std::string line;
  for (int i = 0; i < 510; ++i) line += "a ";
  line += "a\\\nz\n";  /* 1023 bytes up to the line feed */
  VLtokenizer *t = open(line);
  EXPECT_EQ(t->count, 511);
  Tokens tokens = line_tokens(t);
  ASSERT_EQ(tokens.size(), 512u);
  EXPECT_EQ(tokens.back(), "z");
}

/* ---------- the position report ---------- */

TEST_F(TokenizerTest, CaretPointsAtTheColumn) {
  struct Case {
    const char *text;
    int reads;   /* VLtok_next calls before the report */
    int extra;
    const char *caret;
  } cases[] = {
      {"ab cd\n", 2, 0, "   ^\n"},
      {"ab cd\n", 3, 0, "     ^\n"},           /* past the end: after the last token */
      {"ab cd", 3, 0, "     ^\n"},             /* the same without a final line feed */
      {"\tcd\n", 1, 0, "        ^\n"},         /* a tab stops at column 8 */
      {"abcdefgh\tx\n", 2, 0, "                ^\n"},
      {"ab 1,5\n", 2, 1, "    ^\n"},
      {"// only\n", 1, 0, "^\n"},
  };
  for (const Case &c : cases) {
    VLtokenizer *t = open(c.text);
    for (int i = 0; i < c.reads; ++i) VLtok_next(t);
    output();
    record_messages();
    EXPECT_EQ(VLtok_showpos(t, c.extra, "note\n"), 1);
    std::string out = output();
    std::string line(c.text);
    if (line.back() != '\n') line += '\n';
    EXPECT_EQ(out, "VLX Warning: Line 1 in 'test.txt'.\n" + line + c.caret + "note\n") << c.text;
    EXPECT_EQ(fired_count(VLM_TOK_LINE), 1);
  }
}

TEST_F(TokenizerTest, NoReportBeforeTheFirstToken) {
  VLtokenizer *t = open("a b\n");
  EXPECT_EQ(VLtok_showpos(t, 0, "never"), 0);
  EXPECT_EQ(output(), "");
}

TEST_F(TokenizerTest, ReportShowsAWholeLongLine) {
  std::string line(900, 'y');
  line += " z\n";
  VLtokenizer *t = open(line);
  VLtok_next(t);
  VLtok_next(t);
  output();
  VLtok_showpos(t, 0, nullptr);
  std::string out = output();
  EXPECT_NE(out.find(line), std::string::npos);
  EXPECT_NE(out.find(std::string(901, ' ') + "^\n"), std::string::npos);
}

/* ---------- conversions ---------- */

TEST_F(TokenizerTest, FloatsAreDecimalAndWhole) {
  struct Case {
    const char *token;
    bool ok;
    float value;
  } cases[] = {
      {"1.5", true, 1.5f},   {"-2", true, -2.0f},    {"+0.25", true, 0.25f},
      {".5", true, 0.5f},    {"1e3", true, 1000.0f}, {"1e-60", true, 0.0f},
      {"1,5", false, 1.0f},  {"abc", false, 0.0f},   {"1e60", false, 0.0f},
      {"inf", false, 0.0f},  {"nan", false, 0.0f},   {"0x10", false, 0.0f},
      {"+-1", false, 0.0f},  {"2.5.", false, 2.5f},
  };
  for (const Case &c : cases) {
    VLtokenizer *t = open(std::string(c.token) + "\n");
    record_messages();
    float v = 0.0f;
    EXPECT_EQ(VLtok_float(t, &v, "Vertex coordinate"), c.ok) << c.token;
    EXPECT_EQ(v, c.value) << c.token;
    EXPECT_EQ(fired_count(VLM_TOK_FLOAT_INVALID), c.ok ? 0 : 1) << c.token;
  }
}

TEST_F(TokenizerTest, CommaIsReportedUnderTheComma) {
  VLtokenizer *t = open("pos 1,5\n");
  VLtok_next(t);
  output();
  float v;
  EXPECT_FALSE(VLtok_float(t, &v, "light position"));
  EXPECT_EQ(output(),
            "VLX Warning: Line 1 in 'test.txt'.\npos 1,5\n     ^\n"
            "VLX Warning: light position invalid.  Remember not to use punctuation.\n");
  EXPECT_EQ(v, 1.0f);
}

TEST_F(TokenizerTest, MissingValuesAreReportedAtTheLineEnd) {
  VLtokenizer *t = open("pos 1 2\n3\n");
  VLtok_next(t);
  float v[3] = {9, 9, 9};
  output();
  EXPECT_FALSE(VLtok_float3(t, v, "light position"));
  EXPECT_EQ(output(),
            "VLX Warning: Line 1 in 'test.txt'.\npos 1 2\n       ^\n"
            "VLX Warning: light position missing.\n");
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(v[1], 2.0f);
  EXPECT_EQ(v[2], 9.0f);
  EXPECT_EQ(fired_count(VLM_TOK_MISSING), 1);
}

TEST_F(TokenizerTest, IntegersFit32Bits) {
  struct Case {
    const char *token;
    bool ok;
    int value;
  } cases[] = {
      {"12", true, 12},      {"-3", true, -3},         {"+4", true, 4},
      {"1.5", false, 1},     {"99999999999", false, 0}, {"x", false, 0},
  };
  for (const Case &c : cases) {
    VLtokenizer *t = open(std::string(c.token) + "\n");
    record_messages();
    int v = 0;
    EXPECT_EQ(VLtok_int(t, &v, "Vertex count"), c.ok) << c.token;
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
    EXPECT_EQ(fired_count(VLM_TOK_INVALID), c.ok ? 0 : 1) << c.token;
  }
}

TEST_F(TokenizerTest, HexColours) {
  struct Case {
    const char *token;
    bool ok;
    uint8_t r, g, b;
  } cases[] = {
      {"0xfff", true, 255, 255, 255},  {"0x000fff", true, 0, 15, 255},
      {"0xf80", true, 255, 136, 0},    {"00ff00", true, 0, 255, 0},
      {"f80", true, 0, 0x0f, 0x80},    {"0XAbCdEf", true, 0xab, 0xcd, 0xef},
      {"0xfg0", false, 0, 0, 0},       {"0x", false, 0, 0, 0},
      {"-ff", false, 0, 0, 0},         {"123456789", false, 0, 0, 0},
  };
  for (const Case &c : cases) {
    VLtokenizer *t = open(std::string(c.token) + "\n");
    record_messages();
    uint8_t r = 0, g = 0, b = 0;
    EXPECT_EQ(VLtok_hexcolor(t, &r, &g, &b, "light color"), c.ok) << c.token;
    if (c.ok) {
      EXPECT_EQ(r, c.r) << c.token;
      EXPECT_EQ(g, c.g) << c.token;
      EXPECT_EQ(b, c.b) << c.token;
    }
    EXPECT_EQ(fired_count(VLM_TOK_INVALID), c.ok ? 0 : 1) << c.token;
  }
}

TEST_F(TokenizerTest, HexColourMissing) {
  VLtokenizer *t = open("rgb\n");
  VLtok_next(t);
  uint8_t r, g, b;
  EXPECT_FALSE(VLtok_hexcolor(t, &r, &g, &b, "light color"));
  EXPECT_EQ(fired_count(VLM_TOK_MISSING), 1);
}

TEST(TokenizerSplit, SplitsInPlace) {
  struct Case {
    const char *text;
    int maxparts;
    Tokens parts;
  } cases[] = {
      {"a=b", 4, {"a", "b"}},
      {"a", 4, {"a"}},
      {"==a==b==", 4, {"a", "b"}},
      {"", 4, {}},
      {"a=b=c", 2, {"a", "b=c"}},
  };
  for (const Case &c : cases) {
    std::string s = c.text;
    char *parts[4];
    int n = VLtok_split(&s[0], parts, c.maxparts, "=");
    Tokens got(parts, parts + n);
    EXPECT_EQ(got, c.parts) << c.text;
  }
}

/* ---------- files ---------- */

TEST_F(TokenizerTest, FileEntryPointReadsTheBytes) {
  char path[] = "/tmp/vlxtokXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const char text[] = "//lights\npoint pos 1 2 3\n";
  ASSERT_EQ(write(fd, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
  close(fd);

  VLtokenizer *t = VLtok_open(path, nullptr, "//");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(all_tokens(t), (Tokens{"point", "pos", "1", "2", "3"}));
  EXPECT_STREQ(t->path, path);
  VLtok_close(t);

  FILE *f = fopen(path, "rb");
  ASSERT_NE(f, nullptr);
  t = VLtok_open("named", f, "//");
  EXPECT_EQ(all_tokens(t).size(), 5u);
  VLtok_close(t);
  EXPECT_EQ(fseek(f, 0, SEEK_SET), 0);  /* the caller's stream is still open */
  fclose(f);
  unlink(path);

  EXPECT_EQ(VLtok_open("/nonexistent/lights.txt", nullptr, "//"), nullptr);
  EXPECT_EQ(fired_count(VLM_TOK_CANT_OPEN), 1);
  EXPECT_NE(output().find("Can't open '/nonexistent/lights.txt' for input\n"), std::string::npos);
}

/* ---------- arbitrary bytes ---------- */

TEST_F(TokenizerTest, NulBytesReadAsBlanks) {
  std::string text("a\0b\n\0\0\nc", 9);
  VLtokenizer *t = open(text);
  EXPECT_EQ(all_tokens(t), (Tokens{"a", "b", "c"}));
  EXPECT_EQ(t->line_number, 3);
}

TEST_F(TokenizerTest, AnyBytesEndCleanly) {
  std::mt19937 rng(1234);
  const char alphabet[] = "ab1.,-+x0f \t\r\n\\/#\0\xff";
  for (int round = 0; round < 300; ++round) {
    size_t n = rng() % 3000;
    std::string bytes(n, ' ');
    for (char &c : bytes)
      c = round % 2 ? static_cast<char>(rng()) : alphabet[rng() % (sizeof alphabet - 1)];
    VLtokenizer *t = open(bytes, round % 3 ? "//" : "#");
    int steps = 0;
    for (;;) {
      float f[3];
      uint8_t r, g, b;
      int i;
      switch (rng() % 6) {
        case 0: VLtok_float3(t, f, "x"); break;
        case 1: VLtok_hexcolor(t, &r, &g, &b, "x"); break;
        case 2: VLtok_int(t, &i, "x"); break;
        case 3: VLtok_showpos(t, static_cast<int>(rng() % 2000) - 1000, nullptr); break;
        case 4: VLtok_next(t); break;
        default: break;
      }
      if (!VLtok_nextany(t)) break;
      ASSERT_LT(++steps, 5000);
    }
    output();
  }
}
