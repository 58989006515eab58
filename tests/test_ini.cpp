/* Initialisation file: the INI reader, finding the file, the resource table
 * and the resources that fill the window options block. */
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/state.h"
#include "display/device/device.h"
#include "display/display_state.h"
#include "display/ini_reader.h"
#include "support/messages.h"
#include "vlx/universe.h"
#include "vlx/window.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

/* A scratch directory, removed with everything in it. */
struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/vlxini-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string file(const std::string &name, const std::string &bytes) const {
    std::string p = path + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
};

/* Runs a scope in another working directory. */
struct InDir {
  std::string old = std::filesystem::current_path().string();
  explicit InDir(const std::string &dir) { std::filesystem::current_path(dir); }
  ~InDir() { std::filesystem::current_path(old); }
};

/* Deterministic binary junk. */
std::string junk(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char &c : s) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

/* A literal with its NULs, without the terminating one. */
template <size_t N>
std::string bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

VLinifile parse(const std::string &bytes) {
  VLinifile f;
  _VLini_parse(bytes.data(), bytes.size(), &f);
  return f;
}

/* The lookup's value, or "<absent>". */
std::string get(const VLinifile &f, const char *section, const char *key) {
  char v[VLINI_VALUESIZE];
  memset(v, 'z', sizeof v);
  bool found = _VLini_get(f, section, key, v);
  EXPECT_LT(strlen(v), size_t(VLINI_VALUESIZE));
  if (!found) {
    EXPECT_STREQ(v, "");
  }
  return found ? std::string(v) : "<absent>";
}

}  // namespace

/* ---------- the INI reader ---------- */

TEST(IniReader, SectionsKeysAndValues) {
  VLinifile f = parse(
      "top=before any section\n"
      "; bgcolor=0x000\n"
      "[ VLX ]  trailing text\n"
      "  BgColor =  0xf80  \r\n"
      "fov\t=\t30\n"
      "noequals\n"
      " = no key\n"
      "path=a=b\n"
      "bgcolor=0x111\n"
      "[other]\n"
      "hither=5\n"
      "[vlx]\n"
      "yon=100\n");
  EXPECT_EQ(get(f, "vlx", "bgcolor"), "0xf80");  /* first match wins */
  EXPECT_EQ(get(f, "Vlx", "FOV"), "30");
  EXPECT_EQ(get(f, "vlx", "path"), "a=b");
  EXPECT_EQ(get(f, "vlx", "yon"), "100");        /* repeated section */
  EXPECT_EQ(get(f, "vlx", "hither"), "<absent>");
  EXPECT_EQ(get(f, "other", "hither"), "5");
  EXPECT_EQ(get(f, "vlx", "top"), "<absent>");
  EXPECT_EQ(get(f, "vlx", "noequals"), "<absent>");
  EXPECT_EQ(get(f, "vlx", "; bgcolor"), "<absent>");
  EXPECT_EQ(get(f, "vlx", ""), "<absent>");
}

TEST(IniReader, ValuesAreCutTo131Characters) {
  std::string v131(131, 'a'), v300(300, 'b');
  VLinifile f = parse("[vlx]\nexact=" + v131 + "\nlong=" + v300 + "\n");
  EXPECT_EQ(get(f, "vlx", "exact"), v131);
  EXPECT_EQ(get(f, "vlx", "long"), std::string(131, 'b'));
}

TEST(IniReader, AnyByteSequenceParses) {
  struct Case {
    const char *what;
    std::string bytes;
    std::string fov;  /* expected lookup of vlx/fov; "*": anything */
  };
  const Case cases[] = {
      {"empty", "", "<absent>"},
      {"no final line break", "[vlx]\nfov=30", "30"},
      {"carriage returns only", "[vlx]\r\rfov=30\r", "30"},
      {"NUL inside a value", bytes("[vlx]\nfov=3\0" "0\n"), "3"},
      {"NUL inside a section name", bytes("[vlx\0x]\nfov=30\n"), "<absent>"},
      {"unterminated header", "[vlx]\n[vlx\nfov=30\n", "<absent>"},
      {"brackets and equals alone", "[\n]\n=\n[]\n==\n[vlx]\n=30\n", "<absent>"},
      {"huge line", "[vlx]\nfov=" + std::string(1 << 20, '9'), std::string(131, '9')},
      {"binary junk", junk(1 << 16, 7), "*"},
      {"junk then a section", junk(4096, 3) + "\n[vlx]\nfov=45\n", "45"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::string fov = get(parse(c.bytes), "vlx", "fov");
    if (c.fov != "*") {
      EXPECT_EQ(fov, c.fov);
    }
  }
}

TEST(IniReader, SkipsAUtf8ByteOrderMark) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string bytes, fov;
  } const cases[] = {
      {bom + "[vlx]\nfov=30\n", "30"},
      {bom + "[vlx]\r\nfov=30\r\n", "30"},
      {bom, "<absent>"},
      {bom + bom + "[vlx]\nfov=30\n", "<absent>"},   /* only one mark is a mark */
      {"\xEF\xBB[vlx]\nfov=30\n", "<absent>"},      /* part of a mark is junk */
      {"[vlx]\n" + bom + "fov=30\n", "<absent>"},     /* not at the start: part of the key */
  };
  for (const Case &c : cases) EXPECT_EQ(get(parse(c.bytes), "vlx", "fov"), c.fov) << c.bytes;

  TempDir dir;  /* and a whole file read into the options */
  std::string p = dir.file("bom.ini", bom + "[vlx]\nbgcolor=0xf80\nhither=0\n");
  VLinifile f;
  ASSERT_TRUE(_VLini_load(p.c_str(), &f));
  VLsettings s;
  VLsettings_setdefaults(&s);
  _VLini_apply(&s, &f);
  EXPECT_EQ(s.bgcolor, 0xFF8800u);
  EXPECT_EQ(s.hither, 0.0f);
}

TEST(IniReader, LoadsRegularFilesOnlyAndStopsAtTheSizeLimit) {
  TempDir dir;
  EXPECT_FALSE(_VLini_isfile((dir.path + "/missing.ini").c_str()));
  mkdir((dir.path + "/d.ini").c_str(), 0700);
  EXPECT_FALSE(_VLini_isfile((dir.path + "/d.ini").c_str()));
  std::string fifo = dir.path + "/f.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  VLinifile f;
  EXPECT_FALSE(_VLini_load(fifo.c_str(), &f));  /* no writer: must not block */
  EXPECT_FALSE(_VLini_load("/dev/zero", &f));
  EXPECT_FALSE(_VLini_load(nullptr, &f));

  std::string big = "[vlx]\nfov=30\n";
  while (big.size() < VLINI_MAXBYTES + 100) big += "filler=" + std::string(50, 'x') + "\n";
  big += "yon=5\n";
  std::string p = dir.file("big.ini", big);
  ASSERT_TRUE(_VLini_isfile(p.c_str()));
  ASSERT_TRUE(_VLini_load(p.c_str(), &f));
  EXPECT_EQ(get(f, "vlx", "fov"), "30");
  EXPECT_EQ(get(f, "vlx", "yon"), "<absent>");  /* beyond the limit */
  /* The line cut by the limit is dropped, not read as a shorter value. */
  const VLinisection &s = f.sections.at(0);
  EXPECT_EQ(s.pairs.back().value, std::string(50, 'x'));
}

/* ---------- finding the file ---------- */

class IniFind : public ::testing::Test {
 protected:
  TempDir dir;
  char path[VLINI_PATHSIZE];
  void SetUp() override {
    memset(path, 0, sizeof path);
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    GetCapturedStdout();
  }
};

TEST_F(IniFind, NameWithADirectory) {
  dir.file("prog.ini", "");
  mkdir((dir.path + "/v1.2").c_str(), 0700);
  dir.file("v1.2/tool.ini", "");
  struct Case {
    const char *name;     /* under the directory */
    const char *expect;   /* under the directory; null: not found */
  } const cases[] = {
      {"/prog.exe", "/prog.ini"},
      {"/prog", "/prog.ini"},
      {"/prog.tar.gz", "/prog.ini"},
      {"/missing.exe", nullptr},
      {"/v1.2/tool", "/v1.2/tool.ini"},  /* a "." in a directory is not the extension */
      {"/v1.2/tool.bin", "/v1.2/tool.ini"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    bool found = VLini_find((dir.path + c.name).c_str(), path);
    EXPECT_EQ(found, c.expect != nullptr);
    if (c.expect) {
      EXPECT_EQ(std::string(path), dir.path + c.expect);
    }
  }
  EXPECT_TRUE(fired().empty());
}

TEST_F(IniFind, BareNameMeansTheCurrentDirectory) {
  dir.file("vlxwin.ini", "");
  dir.file("prog.ini", "");
  InDir in(dir.path);
  ASSERT_TRUE(VLini_find("vlxwin", path));
  EXPECT_STREQ(path, "./vlxwin.ini");
  ASSERT_TRUE(VLini_find("prog.exe", path));
  EXPECT_STREQ(path, "./prog.ini");
  EXPECT_FALSE(VLini_find("other", path));
  EXPECT_FALSE(VLini_find(nullptr, path));
  EXPECT_FALSE(VLini_find("vlxwin", nullptr));
  EXPECT_TRUE(fired().empty());
}

TEST_F(IniFind, TooLongNamesWarn) {
  /* With a directory: 123 characters fit (path of 127), 124 do not. */
  size_t stem = 123 - dir.path.size() - 1 - 4;
  std::string base(stem, 'a');
  dir.file(base + ".ini", "");
  std::string name = dir.path + "/" + base + ".exe";
  ASSERT_EQ(name.size(), 123u);
  ASSERT_TRUE(VLini_find(name.c_str(), path));
  EXPECT_EQ(std::string(path), dir.path + "/" + base + ".ini");
  EXPECT_EQ(fired_count(VLM_INI_PATH_TOO_LONG), 0);
  EXPECT_FALSE(VLini_find((name + "x").c_str(), path));
  EXPECT_EQ(fired_count(VLM_INI_PATH_TOO_LONG), 1);

  /* A bare name needs room for "./": 120 fit, 121 warn once found. */
  InDir in(dir.path);
  std::string n120(120, 'b'), n121(121, 'c');
  dir.file(n120 + ".ini", "");
  dir.file(n121 + ".ini", "");
  ASSERT_TRUE(VLini_find(n120.c_str(), path));
  EXPECT_EQ(std::string(path), "./" + n120 + ".ini");
  EXPECT_FALSE(VLini_find(n121.c_str(), path));
  EXPECT_EQ(fired_count(VLM_INI_PATH_TOO_LONG), 2);
  /* ... but a missing file is not found before the length is checked again. */
  EXPECT_FALSE(VLini_find(std::string(121, 'd').c_str(), path));
  EXPECT_EQ(fired_count(VLM_INI_PATH_TOO_LONG), 2);
  EXPECT_EQ(fired()[0].text, "VLX Warning: Path to initialization file is too long\n");
}

/* ---------- resources ---------- */

class IniResources : public ::testing::Test {
 protected:
  VLsettings s, defaults;
  void SetUp() override {
    VLini_clearresources();
    VLsettings_setdefaults(&s);
    VLsettings_setdefaults(&defaults);
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    GetCapturedStdout();
    VLini_clearresources();
  }
  void apply_text(const std::string &text) {
    VLinifile f = parse(text);
    _VLini_apply(&s, &f);
  }
  /* Applies one resource to fresh defaults. */
  void apply_one(const std::string &name, const std::string &value) {
    VLsettings_setdefaults(&s);
    apply_text("[vlx]\n" + name + "=" + value + "\n");
  }
  bool unchanged() const { return memcmp(&s, &defaults, sizeof s) == 0; }
};

TEST_F(IniResources, GeometryPlacesTheWindow) {
  struct Case {
    const char *value;
    int32_t width, height, x, y;
    uint32_t flags;
  } const cases[] = {
      {"640x480+10-20", 640, 480, 10, -20, VLGEOM_YNEGATIVE},
      {"320x200-10-20", 320, 200, -10, -20, VLGEOM_XNEGATIVE | VLGEOM_YNEGATIVE},
      {"320x200-10+20", 320, 200, -10, 20, VLGEOM_XNEGATIVE},
      {"640x480-0-0", 640, 480, 0, 0, 0},  /* -0 is 0, not from the right */
      {"800x600", 800, 600, 0, 0, 0},
      {"800x600 +5 +6", 800, 600, 5, 6, 0},
      {"1x1-2147483648+2147483647", 1, 1, INT32_MIN, INT32_MAX, VLGEOM_XNEGATIVE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    apply_one("geometry", c.value);
    EXPECT_EQ(s.width, c.width);
    EXPECT_EQ(s.height, c.height);
    EXPECT_EQ(s.x, c.x);
    EXPECT_EQ(s.y, c.y);
    EXPECT_EQ(s.geomflags, c.flags);
  }
  EXPECT_TRUE(fired().empty());
}

TEST_F(IniResources, BadGeometryIsRejectedWhole) {
  const char *bad[] = {"640x480+10",   "640x",          "x480",
                       "640*480",      "640X480",       "0x480",
                       "640x0",        "-640x480",      "+640x480",
                       "640x480+10-20junk", "640x480+-10-20", "640x480 10 20",
                       "99999999999x480", "640x480+2147483648+0", "640x480-2147483649+0"};
  for (const char *v : bad) {
    SCOPED_TRACE(v);
    record_messages();
    apply_one("geometry", v);
    EXPECT_TRUE(unchanged());
    ASSERT_EQ(fired_count(VLM_INI_BAD_VALUE), 1);
    EXPECT_EQ(fired()[0].text, std::string("VLX Warning: Invalid geometry ") + v + ".\n");
  }
}

TEST_F(IniResources, Colours) {
  struct Case {
    const char *resource, *value;
    uint32_t expect;  /* 0xFFFFFFFF: rejected */
  } const cases[] = {
      {"bgcolor", "0xf80", 0xFF8800},       {"bgcolor", "0x123456", 0x123456},
      {"bgcolor", "0XaBcDeF", 0xABCDEF},    {"ambientrgb", "0x0f0", 0x00FF00},
      {"ambientrgb", "0x000000", 0x000000}, {"bgcolor", "ff8800", 0xFFFFFFFF},
      {"bgcolor", "0xf8", 0xFFFFFFFF},      {"bgcolor", "0x12345", 0xFFFFFFFF},
      {"bgcolor", "0x1234567", 0xFFFFFFFF}, {"bgcolor", "0x12345g", 0xFFFFFFFF},
      {"bgcolor", "1x123456", 0xFFFFFFFF},  {"ambientrgb", "0x-12", 0xFFFFFFFF},
      {"ambientrgb", "red", 0xFFFFFFFF},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.resource) + "=" + c.value);
    record_messages();
    apply_one(c.resource, c.value);
    bool bg = strcmp(c.resource, "bgcolor") == 0;
    uint32_t got = bg ? s.bgcolor : s.ambientrgb;
    if (c.expect != 0xFFFFFFFF) {
      EXPECT_EQ(got, c.expect);
      EXPECT_TRUE(fired().empty());
      continue;
    }
    EXPECT_TRUE(unchanged());
    ASSERT_EQ(fired().size(), 1u);
    EXPECT_EQ(fired()[0].format, bg ? VLTXT_INI_BAD_BGCOLOR : VLTXT_INI_BAD_AMBIENTRGB);
    EXPECT_EQ(fired()[0].text, std::string("VLX Warning: Invalid ") + c.resource + " " +
                                   c.value + ".\n");
  }
}

TEST_F(IniResources, AmbientMustLieBetweenZeroAndOne) {
  struct Case {
    const char *value;
    float expect;  /* < 0: rejected */
  } const cases[] = {
      {"0", 0.0f},   {"1", 1.0f},    {"1.0", 1.0f},  {"0.25", 0.25f}, {"+0.5", 0.5f},
      {"1e-1", 0.1f}, {"1.5", -1},   {"-0.1", -1},   {"1.0001", -1},  {"abc", -1},
      {"nan", -1},   {"inf", -1},    {"0.5x", -1},   {"+-0.5", -1},   {".", -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    record_messages();
    apply_one("ambient", c.value);
    if (c.expect >= 0) {
      EXPECT_FLOAT_EQ(s.ambient, c.expect);
      EXPECT_TRUE(fired().empty());
    } else {
      EXPECT_TRUE(unchanged());
      EXPECT_EQ(fired_count(VLM_INI_BAD_AMBIENT), 1);
    }
  }
}

TEST_F(IniResources, FieldOfViewAndClipDistances) {
  apply_text("[vlx]\nfov=90\nhither=0.5\nyon=8192\n");
  EXPECT_FLOAT_EQ(s.halffov, 0.78539816f);  /* 90 degrees full, pi/4 half */
  EXPECT_FLOAT_EQ(s.hither, 0.5f);
  EXPECT_FLOAT_EQ(s.yon, 8192.0f);
  EXPECT_TRUE(fired().empty());

  /* Values are stored as given and converted as C converts floats (the
   * number at the start, 0 when there is none); only a degenerate
   * projection is refused, with the field unchanged. */
  const float fov = defaults.halffov, hi = defaults.hither, yon = defaults.yon;
  struct Case {
    const char *text;
    float halffov, hither, yon;
    const char *message;  /* null: none */
  } const cases[] = {
      {"fov=80", fov, hi, yon, nullptr},
      {"fov=179.5", 1.5664331f, hi, yon, nullptr},
      {"fov=0.5", 0.0043633231f, hi, yon, nullptr},
      {"fov=30deg", 0.2617994f, hi, yon, nullptr},
      {"fov=0", fov, hi, yon, VLTXT_INI_BAD_FOV},
      {"fov=180", fov, hi, yon, VLTXT_INI_BAD_FOV},
      {"fov=-10", fov, hi, yon, VLTXT_INI_BAD_FOV},
      {"fov=wide", fov, hi, yon, VLTXT_INI_BAD_FOV},  /* converts to 0 */
      {"fov=1e39", fov, hi, yon, VLTXT_INI_BAD_FOV},
      {"fov=nan", fov, hi, yon, VLTXT_INI_BAD_FOV},
      {"hither=0", fov, 0.0f, yon, nullptr},  /* windows use 0.004 */
      {"hither=-1", fov, -1.0f, yon, nullptr},
      {"hither=1,5", fov, 1.0f, yon, nullptr},
      {"hither=near", fov, 0.0f, yon, nullptr},
      {"hither=1e39", fov, hi, yon, VLTXT_INI_BAD_HITHER},
      {"hither=nan", fov, hi, yon, VLTXT_INI_BAD_HITHER},
      {"hither=70000", fov, hi, yon, VLTXT_INI_BAD_HITHER},  /* beyond yon */
      {"hither=70000\nyon=80000", fov, 70000.0f, 80000.0f, nullptr},
      {"yon=100.5", fov, hi, 100.5f, nullptr},
      {"yon=1e38", fov, hi, 1e38f, nullptr},
      {"yon=inf", fov, hi, yon, VLTXT_INI_BAD_YON},
      {"yon=-5", fov, hi, yon, VLTXT_INI_BAD_YON},
      {"yon=far", fov, hi, yon, VLTXT_INI_BAD_YON},  /* converts to 0 */
      {"yon=1", fov, hi, yon, VLTXT_INI_BAD_YON},    /* not beyond hither 1 */
      {"hither=0\nyon=0.004", fov, 0.0f, yon, VLTXT_INI_BAD_YON},
      {"hither=0\nyon=0.005", fov, 0.0f, 0.005f, nullptr},
      {"hither=20\nyon=10", fov, 20.0f, yon, VLTXT_INI_BAD_YON},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    record_messages();
    VLsettings_setdefaults(&s);
    apply_text(std::string("[vlx]\n") + c.text + "\n");
    EXPECT_FLOAT_EQ(s.halffov, c.halffov);
    EXPECT_EQ(s.hither, c.hither);
    EXPECT_EQ(s.yon, c.yon);
    if (!c.message) {
      EXPECT_TRUE(fired().empty());
      continue;
    }
    ASSERT_EQ(fired().size(), 1u);
    EXPECT_EQ(fired()[0].format, std::string(c.message));
    EXPECT_EQ(fired()[0].text, std::string("VLX Warning: ") + c.message);
  }
}

/* A window made from the options takes a hither of 0 as 0.004, in its near
 * distance and in both frusta. */
TEST(IniWindow, HitherZeroReachesTheWindowAs0004) {
  _VLcore_reset();
  _VLdevice_usenull(true);
  VLini_clearresources();
  VLini_setresource("hither", "0");
  VLini_setresource("fov", "90");
  CaptureStdout();
  VLuniverse_new(1, VLWINDOW_NOBORDER);
  std::string out = GetCapturedStdout();
  VLuniverse *u = VLuniverse_current();
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(u->settings->hither, 0.0f);
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w, nullptr);
  EXPECT_FLOAT_EQ(w->hither, 0.004f);
  for (const VLfrustum &fr : w->frustum) {
    EXPECT_FLOAT_EQ(fr.hither, 0.004f);
    EXPECT_FLOAT_EQ(fr.right, 0.004f);  /* n tan(45 degrees) */
    EXPECT_FLOAT_EQ(fr.left, -0.004f);
  }
  EXPECT_EQ(out.find("Warning"), std::string::npos) << out;
  VLuniverse_delete();
  VLini_clearresources();
  _VLcore_reset();
  _VLdisplay_reset();
  _VLdevice_usenull(false);
}

/* Offsets and sizes at the ends of the 32-bit range place the window
 * without overflow (the sanitizer build aborts on one). */
TEST(IniWindow, ExtremeGeometryPlacesTheWindowWithoutOverflow) {
  _VLcore_reset();
  _VLdevice_usenull(true);
  struct Case {
    const char *geometry;
    int flags;
    int x, y;
  } const cases[] = {
      /* off screen the display is 1024 x 768 */
      {"320x200-2147483648-2147483648", 0, -2147483648 - 320 + 1024 - 10,
       -2147483648 - 200 + 768 - 30},
      {"2147483647x2147483647-2147483648-2147483648", VLWINDOW_NOBORDER, INT32_MIN,
       INT32_MIN},
      {"2147483647x2147483647-1-1", 0, -1 - 2147483647 + 1024 - 10, -1 - 2147483647 + 768 - 30},
      {"1x1+2147483647+2147483647", 0, INT32_MAX, INT32_MAX},
  };
  CaptureStdout();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.geometry);
    VLini_setresource("geometry", c.geometry);
    VLuniverse_new(1, c.flags);
    VLwindow *w = VLuniverse_getwindows();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->x, c.x);
    EXPECT_EQ(w->y, c.y);
    VLuniverse_delete();
  }
  GetCapturedStdout();
  VLini_clearresources();
  _VLcore_reset();
  _VLdisplay_reset();
  _VLdevice_usenull(false);
}

TEST_F(IniResources, TrueAndFalseKeywords) {
  struct Case {
    const char *resource, *value;
    uint8_t VLsettings::*field;
    uint8_t before, after;
  } const cases[] = {
      {"writeuv", "True", &VLsettings::writeuv, 0, 1},
      {"writeuv", "tRUE", &VLsettings::writeuv, 0, 1},
      {"writeuv", "yes", &VLsettings::writeuv, 0, 0},
      {"writeuv", "1", &VLsettings::writeuv, 0, 0},
      {"old3ds", "TRUE", &VLsettings::old3ds, 0, 1},
      {"oldwfront", "true", &VLsettings::oldwfront, 0, 1},
      {"write12", "True", &VLsettings::write12, 0, 1},
      {"write12", "False", &VLsettings::write12, 1, 1},  /* only True is read */
      {"coplanar", "false", &VLsettings::coplanar, 1, 0},
      {"coplanar", "True", &VLsettings::coplanar, 1, 1},
      {"coplanar", "no", &VLsettings::coplanar, 1, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.resource) + "=" + c.value);
    VLsettings_setdefaults(&s);
    s.*c.field = c.before;
    apply_text(std::string("[vlx]\n") + c.resource + "=" + c.value + "\n");
    EXPECT_EQ(s.*c.field, c.after);
  }
  apply_one("border", "False");
  EXPECT_TRUE(unchanged());
  EXPECT_TRUE(fired().empty());
}

TEST_F(IniResources, TableComesBeforeTheFile) {
  VLini_setresource("bgcolor", "0x222222");
  VLini_setresource("FOV", "30");  /* the table is case-sensitive */
  VLini_setresource("ambient", "2");
  apply_text("[vlx]\nbgcolor=0x111111\nfov=90\nambient=0.5\nyon=100\n");
  EXPECT_EQ(s.bgcolor, 0x222222u);
  EXPECT_FLOAT_EQ(s.halffov, 0.78539816f);
  EXPECT_FLOAT_EQ(s.ambient, defaults.ambient);  /* a bad table value wins too */
  EXPECT_EQ(fired_count(VLM_INI_BAD_AMBIENT), 1);
  EXPECT_FLOAT_EQ(s.yon, 100.0f);

  /* Without any file the table alone applies. */
  VLsettings_setdefaults(&s);
  VLini_setresource("geometry", "320x200-10-20");
  _VLini_apply(&s, nullptr);
  EXPECT_EQ(s.bgcolor, 0x222222u);
  EXPECT_EQ(s.geomflags, uint32_t(VLGEOM_XNEGATIVE | VLGEOM_YNEGATIVE));
}

TEST_F(IniResources, TableEntries) {
  std::string value = "0x123";
  EXPECT_TRUE(VLini_setresource("bgcolor", value.c_str()));
  value = "changed";
  EXPECT_STREQ(VLini_getresource("bgcolor"), "0x123");  /* a copy is kept */
  EXPECT_TRUE(VLini_setresource("bgcolor", "0x456"));
  EXPECT_TRUE(VLini_setresource("fov", "60"));
  EXPECT_STREQ(VLini_getresource("bgcolor"), "0x456");
  EXPECT_EQ(VLini_getresource("BGCOLOR"), nullptr);
  EXPECT_TRUE(VLini_setresource("bgcolor", nullptr));
  EXPECT_EQ(VLini_getresource("bgcolor"), nullptr);
  EXPECT_STREQ(VLini_getresource("fov"), "60");
  EXPECT_FALSE(VLini_setresource(nullptr, "x"));
  EXPECT_FALSE(VLini_setresource("", "x"));
  EXPECT_EQ(VLini_getresource(nullptr), nullptr);
  VLini_clearresources();
  EXPECT_EQ(VLini_getresource("fov"), nullptr);
}

/* ---------- reading into the universe ---------- */

class IniRead : public UniverseTest {
 protected:
  TempDir dir;
  VLsettings defaults;
  void SetUp() override {
    UniverseTest::SetUp();
    VLini_clearresources();
    VLsettings_setdefaults(&defaults);
    VLsettings_setdefaults(settings());
    CaptureStdout();
  }
  void TearDown() override {
    GetCapturedStdout();
    VLini_clearresources();
    UniverseTest::TearDown();
  }
  VLsettings *settings() { return VLuniverse_current()->settings; }
  bool unchanged() { return memcmp(settings(), &defaults, sizeof defaults) == 0; }
};

TEST_F(IniRead, ReadsTheFileBesideTheProgram) {
  dir.file("prog.ini", "[vlx]\nbgcolor=0xf80\ngeometry=320x200-10-20\n");
  dir.file("vlxwin.ini", "[vlx]\nbgcolor=0x0f0\n");
  InDir in(dir.path);
  _VLini_readnames((dir.path + "/prog.exe").c_str());
  EXPECT_EQ(settings()->bgcolor, 0xFF8800u);
  EXPECT_EQ(settings()->x, -10);
  EXPECT_EQ(settings()->geomflags, uint32_t(VLGEOM_XNEGATIVE | VLGEOM_YNEGATIVE));
}

TEST_F(IniRead, FallsBackToVlxwinInTheCurrentDirectory) {
  dir.file("vlxwin.ini", "[vlx]\nbgcolor=0x0f0\n");
  InDir in(dir.path);
  _VLini_readnames((dir.path + "/prog.exe").c_str());
  EXPECT_EQ(settings()->bgcolor, 0x00FF00u);
  /* The running program has no file beside it either. */
  VLsettings_setdefaults(settings());
  VLini_read();
  EXPECT_EQ(settings()->bgcolor, 0x00FF00u);
}

TEST_F(IniRead, MissingFileLeavesDefaultsButTheTableApplies) {
  InDir in(dir.path);
  _VLini_readnames((dir.path + "/prog.exe").c_str());
  _VLini_readnames(nullptr);
  EXPECT_TRUE(unchanged());
  EXPECT_TRUE(fired().empty());
  VLini_setresource("hither", "2");
  _VLini_readnames(nullptr);
  EXPECT_FLOAT_EQ(settings()->hither, 2.0f);
}

TEST_F(IniRead, MalformedFileKeepsDefaultsWithWarnings) {
  std::string longcolor(300, 'f');
  std::string text = "[vlx]\n"
                     "bgcolor=0x" + longcolor + "\n"
                     "ambient=1.5\n"
                     "ambientrgb=0x12\n"
                     "border=maybe\n"
                     "fov=wide\n"
                     "hither=\n"
                     "yon=-5\n"
                     "coplanar=perhaps\n"
                     "writeuv=\x01\x02\n"
                     "geometry=640x480+10\n" +
                     junk(8192, 11) + "\n" + bytes("[vlx]\nold3ds=\0True\n") +
                     junk(8192, 12);
  std::string p = dir.file("bad.ini", text);
  _VLini_readfile(p.c_str());
  EXPECT_TRUE(unchanged());
  EXPECT_EQ(fired_count(VLM_INI_BAD_BGCOLOR), 1);
  EXPECT_EQ(fired_count(VLM_INI_BAD_AMBIENT), 1);
  EXPECT_EQ(fired_count(VLM_INI_BAD_AMBIENTRGB), 1);
  EXPECT_EQ(fired_count(VLM_INI_BAD_FOV), 1);    /* "wide" converts to 0 */
  EXPECT_EQ(fired_count(VLM_INI_BAD_YON), 1);
  EXPECT_EQ(fired_count(VLM_INI_BAD_VALUE), 1);  /* geometry */
  EXPECT_EQ(fired().size(), 6u);
  /* The over-long value is shown as read: cut to 131 characters. */
  EXPECT_EQ(fired()[0].text,
            "VLX Warning: Invalid bgcolor 0x" + std::string(129, 'f') + ".\n");
}

TEST(IniUniverse, CreationReadsTheFile) {
  TempDir dir;
  dir.file("vlxwin.ini", "[vlx]\nbgcolor=0x0f0\nambient=0.75\nambientrgb=0x102030\n");
  InDir in(dir.path);
  _VLcore_reset();
  VLini_clearresources();
  CaptureStdout();
  VLuniverse_new(1, 0);
  GetCapturedStdout();
  VLuniverse *u = VLuniverse_current();
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(u->bgcolor, 0x00FF00u);
  EXPECT_FLOAT_EQ(u->ambient, 0.75f);
  EXPECT_EQ(u->ambientrgb[0], 0x10);
  EXPECT_EQ(u->ambientrgb[1], 0x20);
  EXPECT_EQ(u->ambientrgb[2], 0x30);
  VLuniverse_delete();
  _VLcore_reset();
}
