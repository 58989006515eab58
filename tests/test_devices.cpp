/* Devices: sensors (kinds, sensitivity, frame offset, deletion detaching
 * every follower), the window-mouse driver driven through the mouse state,
 * serial ports on a pseudo-terminal pair with the test as the device on
 * the master side, the serial sound-device protocol, and sound over SDL's
 * dummy audio driver with WAV fixtures written here. */
#include <fcntl.h>
#include <math.h>
#include <pty.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "devices/devices_state.h"
#include "support/messages.h"
#include "vlx/vlx.h"

namespace {

/* ------------------------------------------------------------------ */
/* Sensors */

struct DriverLog {
  int opens = 0, closes = 0, updates = 0;
  bool openresult = true;
};
DriverLog g_log;

bool log_open(VLsensor *) {
  g_log.opens++;
  return g_log.openresult;
}
void log_close(VLsensor *) { g_log.closes++; }
void log_update(VLsensor *) { g_log.updates++; }

class SensorTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    g_log = DriverLog();
  }
};

TEST_F(SensorTest, KindsDecideOpeningAndPolling) {
  struct Case {
    int given, kind, opens, updates;
  } cases[] = {{0, 0, 1, 1}, {1, 1, 1, 0}, {2, 2, 0, 0}, {5, 0, 1, 1}, {-3, 0, 1, 1}};
  for (const Case &c : cases) {
    g_log = DriverLog();
    VLsensor *s = VLsensor_new(log_open, log_close, log_update, nullptr, 7, c.given);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->kind, c.kind) << c.given;
    EXPECT_EQ(s->parameter, 7);
    VLuniverse_go1();
    EXPECT_EQ(g_log.opens, c.opens) << c.given;
    EXPECT_EQ(g_log.updates, c.updates) << c.given;
    VLsensor_delete(s);
    EXPECT_EQ(g_log.closes, c.kind == 2 ? 0 : 1) << c.given;
  }
  EXPECT_EQ(VLuniverse_current()->sensors, nullptr);
}

TEST_F(SensorTest, NewRecordHasItsDefaultsAndJoinsTheListOnce) {
  VLsensor *a = VLsensor_new(nullptr, nullptr, nullptr, nullptr, 0, 2);
  VLsensor *b = VLsensor_new(nullptr, nullptr, nullptr, nullptr, 0, 2);
  EXPECT_EQ(VLuniverse_current()->sensors, a);
  EXPECT_EQ(a->next, b);
  EXPECT_FLOAT_EQ(a->sensitivity, 1.0f);
  EXPECT_FLOAT_EQ(a->angular, 0.087266f);
  EXPECT_FLOAT_EQ(a->orientation.w, 1.0f);
  EXPECT_FLOAT_EQ(a->offset.w, 1.0f);
  EXPECT_EQ(a->offseton, 0);
  EXPECT_EQ(a->constraints, 0);
  EXPECT_EQ(a->buttons, 0u);
}

TEST_F(SensorTest, FailedOpenFreesTheRecordAndThePort) {
  g_log.openresult = false;
  VLserialport *port = static_cast<VLserialport *>(malloc(sizeof(VLserialport)));
  port->port = 3;
  EXPECT_EQ(VLsensor_new(log_open, log_close, log_update, port, 0, 0), nullptr);
  EXPECT_EQ(g_log.opens, 1);
  EXPECT_EQ(VLuniverse_current()->sensors, nullptr);
}

TEST_F(SensorTest, NegativeSensitivityIsIgnored) {
  VLsensor *s = VLsensor_new(nullptr, nullptr, nullptr, nullptr, 0, 2);
  VLsensor_setsensitivity(s, 2.5f);
  VLsensor_setsensitivity(s, -0.5f);
  EXPECT_FLOAT_EQ(s->sensitivity, 2.5f);
  VLsensor_setsensitivity(s, 0.0f);
  EXPECT_FLOAT_EQ(s->sensitivity, 0.0f);
}

TEST_F(SensorTest, FrameOffsetTurnsOrientationAndPosition) {
  VLsensor *s = VLsensor_new(nullptr, nullptr, nullptr, nullptr, 0, 2);
  const float h = sqrtf(0.5f);
  s->position = VLp3{1, 0, 0};
  s->orientation = VLq{h, 0, 0, h};          /* a quarter turn about x */
  VLsensor_update(s);                         /* offset not applied yet */
  EXPECT_FLOAT_EQ(s->position.x, 1.0f);
  VLq about_z = {0, 0, h, h};                 /* a quarter turn about z */
  VLsensor_setoffset(s, &about_z);
  VLsensor_update(s);
  /* Q x r x Q*: the quarter turn now runs about the y axis. */
  EXPECT_NEAR(s->orientation.x, 0.0f, 1e-6);
  EXPECT_NEAR(fabsf(s->orientation.y), h, 1e-6);
  EXPECT_NEAR(s->orientation.z, 0.0f, 1e-6);
  EXPECT_NEAR(s->orientation.w, h, 1e-6);
  /* The position turned by Q*: the x axis goes onto the y axis. */
  VLq conj = {0, 0, -h, h};
  VLp3 expect;
  VLp3 x = {1, 0, 0};
  VLq_rotate(&x, &conj, &expect);
  EXPECT_NEAR(s->position.x, expect.x, 1e-6);
  EXPECT_NEAR(s->position.y, expect.y, 1e-6);
  EXPECT_NEAR(fabsf(s->position.y), 1.0f, 1e-6);
  VLsensor_setoffset(s, nullptr);
  EXPECT_EQ(s->offseton, 0);
}

/* A sensor that moves 1 along z every frame. */
void push_forward(VLsensor *s) { s->position = VLp3{0, 0, 1}; }

TEST_F(SensorTest, DeleteDetachesViewpointObjectAndLink) {
  VLuniverse *u = VLuniverse_current();
  VLsensor *s = VLsensor_new(log_open, log_close, push_forward, nullptr, 0, 0);
  VLviewpoint *vp = VLuniverse_getviewpoint();
  ASSERT_EQ(VLviewpoint_addsensor(vp, s), 1);
  VLobject *obj = VLobject_new(VLgeometry_newrectangle(1, 1, false));
  ASSERT_NE(obj, nullptr);
  ASSERT_NE(VLmotionlink_newany(s, obj, 0, VLTARGET_OBJECT), nullptr);
  VLnode *x = VLxformnode_new(VLuniverse_getrootnode());
  ASSERT_NE(VLmotionlink_new(s, x, VLSOURCE_SENSOR, VLTARGET_XFORM), nullptr);
  VLuniverse_go1();
  EXPECT_NEAR(vp->position.z, 1.0f, 1e-5);   /* followed while the sensor lives */
  VLsensor_delete(s);
  EXPECT_EQ(g_log.closes, 1);
  for (VLmotionlink *l = u->motionlinks; l; l = l->next) EXPECT_NE(l->source, (void *)s);
  EXPECT_EQ(u->sensors, nullptr);
  VLuniverse_go1();
  EXPECT_NEAR(vp->position.z, 1.0f, 1e-5);   /* nothing follows it any more */
}

/* ------------------------------------------------------------------ */
/* The window-mouse driver */

class MouseTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    window = VLuniverse_getwindows();
    ASSERT_NE(window, nullptr);
    VLwindow_setsize(window, 640, 480);
    VLuniverse_go1();   /* the size message is delivered by the pump */
    ASSERT_EQ(window->width, 640);
    sensor = VLsensor_new(VLmouse_open, VLmouse_close, VLmouse_update, nullptr, 1, 0);
    ASSERT_NE(sensor, nullptr);
    VLsensor_setsensitivity(sensor, 2.0f);
    sensor->angular = 0.5f;
    *VLmouse_state() = VLmousestate{};
  }
  void TearDown() override {
    *VLmouse_state() = VLmousestate{};
    UniverseTest::TearDown();
  }
  /* The mouse over the window at (x, y) with the given buttons down. */
  void mouse(int x, int y, bool left, bool right, bool middle = false) {
    VLmousestate &m = *VLmouse_state();
    m.window = window;
    m.x = x;
    m.y = y;
    m.down[0] = left;
    m.down[1] = right;
    m.down[2] = middle;
  }
  VLwindow *window = nullptr;
  VLsensor *sensor = nullptr;
};

struct Motion {
  float tx, ty, tz, rx, ry, rz;
};

void expect_motion(const VLsensor *s, const Motion &m, const std::string &what) {
  EXPECT_NEAR(s->position.x, m.tx, 1e-6) << what;
  EXPECT_NEAR(s->position.y, m.ty, 1e-6) << what;
  EXPECT_NEAR(s->position.z, m.tz, 1e-6) << what;
  EXPECT_NEAR(s->orientation.x, m.rx, 1e-6) << what;
  EXPECT_NEAR(s->orientation.y, m.ry, 1e-6) << what;
  EXPECT_NEAR(s->orientation.z, m.rz, 1e-6) << what;
  float w = sqrtf(1 - m.rx * m.rx - m.ry * m.ry - m.rz * m.rz);
  EXPECT_NEAR(s->orientation.w, w, 1e-6) << what;
}

/* Centre (320, 240); s = 2, a = 0.5; an offset of 0.5 gives s * 0.5 = 1
 * and sin(a * 0.5 * 0.5). */
TEST_F(MouseTest, ButtonsGiveTheirTranslationAndRotation) {
  const float r = sinf(0.125f);
  struct Case {
    const char *what;
    int x, y;
    bool left, right, middle;
    Motion m;
  } cases[] = {
      {"left, below centre: back", 320, 360, true, false, false, {0, 0, -1, 0, 0, 0}},
      {"left, above centre: forward", 320, 120, true, false, false, {0, 0, 1, 0, 0, 0}},
      {"left, right of centre: turn about y", 480, 240, true, false, false, {0, 0, 0, 0, -r, 0}},
      {"right: sideways and down", 480, 360, false, true, false, {1, 1, 0, 0, 0, 0}},
      {"right: left and up", 160, 120, false, true, false, {-1, -1, 0, 0, 0, 0}},
      {"both, y larger: about x", 400, 360, true, true, false, {0, 0, 0, r, 0, 0}},
      {"both, x larger: about z", 480, 300, true, true, false, {0, 0, 0, 0, 0, -r}},
      {"both, equal: about x", 480, 360, true, true, false, {0, 0, 0, r, 0, 0}},
      {"no button", 480, 360, false, false, false, {0, 0, 0, 0, 0, 0}},
      {"middle alone", 480, 360, false, false, true, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    mouse(c.x, c.y, c.left, c.right, c.middle);
    VLmouse_update(sensor);
    expect_motion(sensor, c.m, c.what);
  }
}

TEST_F(MouseTest, DeadZoneAroundTheCentre) {
  struct Case {
    int x, y;
    bool moves;
  } cases[] = {{349, 240, false}, {291, 240, false}, {320, 261, false},
               {356, 240, true},  {284, 240, true},  {320, 268, true}};
  for (const Case &c : cases) {
    mouse(c.x, c.y, false, true);
    VLmouse_update(sensor);
    bool moved = sensor->position.x != 0 || sensor->position.y != 0;
    EXPECT_EQ(moved, c.moves) << c.x << "," << c.y;
  }
}

TEST_F(MouseTest, EachConstraintBitSuppressesItsContribution) {
  const float r = sinf(0.125f);
  struct Case {
    unsigned bit;
    int x, y;
    bool left, right;
    Motion freed, constrained;
  } cases[] = {
      {VLSENSOR_NOTX, 480, 360, false, true, {1, 1, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}},
      {VLSENSOR_NOTY, 480, 360, false, true, {1, 1, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}},
      {VLSENSOR_NOTZ, 480, 360, true, false, {0, 0, -1, 0, -r, 0}, {0, 0, 0, 0, -r, 0}},
      {VLSENSOR_NORX, 400, 360, true, true, {0, 0, 0, r, 0, 0}, {0, 0, 0, 0, 0, 0}},
      {VLSENSOR_NORY, 480, 360, true, false, {0, 0, -1, 0, -r, 0}, {0, 0, -1, 0, 0, 0}},
      {VLSENSOR_NORZ, 480, 300, true, true, {0, 0, 0, 0, 0, -r}, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    std::string what = "bit " + std::to_string(c.bit);
    mouse(c.x, c.y, c.left, c.right);
    sensor->constraints = 0;
    VLmouse_update(sensor);
    expect_motion(sensor, c.freed, what + " free");
    sensor->constraints = uint8_t(c.bit);
    VLmouse_update(sensor);
    expect_motion(sensor, c.constrained, what + " set");
  }
}

TEST_F(MouseTest, EventsAreSeenByOneUpdate) {
  VLmousestate &m = *VLmouse_state();
  mouse(320, 240, true, false);
  m.pressed[0] = 1;
  m.pressed[2] = 1;
  m.released[1] = 1;
  m.doubleclick[2] = 1;
  VLmouse_update(sensor);
  EXPECT_EQ(sensor->buttons, unsigned(VLBUTTON_LEFT | VLBUTTON_LEFTPRESSED |
                                      VLBUTTON_MIDDLEPRESSED | VLBUTTON_RIGHTRELEASED |
                                      VLBUTTON_MIDDLEDOUBLE));
  VLmouse_update(sensor);
  EXPECT_EQ(sensor->buttons, unsigned(VLBUTTON_LEFT));
  m.down[0] = 0;
  m.released[0] = m.doubleclick[0] = m.doubleclick[1] = 1;
  VLmouse_update(sensor);
  EXPECT_EQ(sensor->buttons, unsigned(VLBUTTON_LEFTRELEASED | VLBUTTON_LEFTDOUBLE |
                                      VLBUTTON_RIGHTDOUBLE));
  VLmouse_update(sensor);
  EXPECT_EQ(sensor->buttons, 0u);
}

TEST_F(MouseTest, WithoutAWindowThePreviousPointIsKept) {
  mouse(320, 360, true, false);
  VLmouse_update(sensor);
  const float *screen = static_cast<const float *>(sensor->buffers[0]);
  EXPECT_FLOAT_EQ(screen[0], float(window->x + 320));
  EXPECT_FLOAT_EQ(screen[1], float(window->y + 360));
  VLmousestate &m = *VLmouse_state();
  m.window = nullptr;   /* the mouse left the toolkit's windows */
  m.x = 320;
  m.y = 100;
  VLmouse_update(sensor);
  EXPECT_FLOAT_EQ(sensor->position.z, -1.0f);
  EXPECT_FLOAT_EQ(screen[1], float(window->y + 360));
}

TEST_F(MouseTest, WithoutAnyWindowYetNothingMoves) {
  VLmousestate &m = *VLmouse_state();
  m.down[0] = m.down[1] = 1;
  m.x = 600;
  m.y = 400;
  VLmouse_update(sensor);
  expect_motion(sensor, Motion{0, 0, 0, 0, 0, 0}, "no window seen");
}

/* A front end that shows the window in its own widget tells the mouse
 * through VLwindow_mouse: the window procedure keeps it as from a system
 * window. */
TEST_F(MouseTest, FrontEndMouseReachesTheMouseState) {
  VLmousestate &m = *VLmouse_state();
  VLwindow_mouse(window, VLMOUSE_MOVE, 0, 100, 50);
  EXPECT_EQ(m.window, window);
  EXPECT_EQ(m.x, 100);
  EXPECT_EQ(m.y, 50);
  VLwindow_mouse(window, VLMOUSE_DOWN, 1, 480, 360);
  EXPECT_EQ(m.down[1], 1);
  EXPECT_EQ(m.pressed[1], 1);
  VLmouse_update(sensor);
  EXPECT_EQ(sensor->buttons, unsigned(VLBUTTON_RIGHT | VLBUTTON_RIGHTPRESSED));
  expect_motion(sensor, Motion{1, 1, 0, 0, 0, 0}, "right drag from the front end");
  VLwindow_mouse(window, VLMOUSE_DOUBLE, 0, 480, 360);
  VLwindow_mouse(window, VLMOUSE_UP, 1, 480, 360);
  VLmouse_update(sensor);
  EXPECT_EQ(sensor->buttons, unsigned(VLBUTTON_LEFT | VLBUTTON_LEFTPRESSED |
                                      VLBUTTON_LEFTDOUBLE | VLBUTTON_RIGHTRELEASED));
  VLwindow_mouse(window, VLMOUSE_DOWN, 3, 1, 1);       /* no such button */
  VLwindow_mouse(nullptr, VLMOUSE_MOVE, 0, 7, 7);      /* no such window */
  EXPECT_EQ(m.x, 480);
}

TEST_F(MouseTest, TheLoopMovesAFollowingViewpoint) {
  VLviewpoint *vp = VLuniverse_getviewpoint();
  ASSERT_EQ(VLviewpoint_addsensor(vp, sensor), 1);
  VLp3 before = vp->position;
  mouse(320, 120, true, false);   /* forward */
  VLuniverse_go1();
  VLuniverse_go1();
  EXPECT_NEAR(vp->position.z - before.z, 2.0f * 2.0f * 0.5f, 1e-4);
}

/* ------------------------------------------------------------------ */
/* Serial ports on a pseudo-terminal pair */

class SerialTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    _VLdevices_reset();
    int slave = -1;
    char name[256];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    path = name;
    ASSERT_TRUE(VLserial_open(1, path.c_str(), 9600));
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    _VLdevices().cre.replywait = 0;
  }
  void TearDown() override {
    _VLdevices_reset();
    if (master >= 0) close(master);
    UniverseTest::TearDown();
  }
  /* What the device received so far (waits briefly for the bytes). */
  std::vector<int> received(size_t want) {
    std::vector<int> out;
    for (int tries = 0; tries < 200 && out.size() < want; ++tries) {
      uint8_t buf[1024];
      ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) out.insert(out.end(), buf, buf + n);
      else std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return out;
  }
  /* The device answers. */
  void device_says(std::initializer_list<int> bytes) {
    std::vector<uint8_t> b(bytes.begin(), bytes.end());
    ASSERT_EQ(write(master, b.data(), b.size()), ssize_t(b.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int master = -1;
  std::string path;
};

TEST_F(SerialTest, WriteReadAndTimeOut) {
  const uint8_t out[] = {0x00, 0x7F, 0x80, 0xFF, '\n', '\r'};
  EXPECT_EQ(VLserial_write(1, out, 6), 0);
  EXPECT_EQ(received(6), (std::vector<int>{0x00, 0x7F, 0x80, 0xFF, '\n', '\r'}));
  EXPECT_EQ(VLserial_charready(1), 0);
  EXPECT_EQ(VLserial_getchar(1), -1);          /* nothing within the time-out */
  device_says({0xAB, '\r', 0x03});
  EXPECT_EQ(VLserial_charready(1), 1);
  EXPECT_EQ(VLserial_charready(1), 1);         /* still the same look-ahead byte */
  EXPECT_EQ(VLserial_getchar(1), 0xAB);
  EXPECT_EQ(VLserial_getchar(1), '\r');
  EXPECT_EQ(VLserial_getchar(1), 0x03);
  EXPECT_EQ(VLserial_getchar(1), -1);
  EXPECT_EQ(VLserial_flush(1), 1);
  EXPECT_EQ(fired().size(), 0u);
}

TEST_F(SerialTest, FailuresPrintTheSystemError) {
  const uint8_t out[] = {1, 2};
  EXPECT_EQ(VLserial_write(5, out, 2), 1);
  EXPECT_EQ(VLserial_flush(5), 0);
  EXPECT_EQ(fired_count(VLM_SERIAL_SYSTEM_ERROR), 2);
  ASSERT_EQ(fired().size(), 2u);
  EXPECT_NE(fired()[0].text.find("serial write data: "), std::string::npos);
  EXPECT_NE(fired()[1].text.find("FLUSH: "), std::string::npos);
  EXPECT_FALSE(VLserial_open(VLSERIAL_PORTS, path.c_str(), 9600));
  EXPECT_FALSE(VLserial_open(2, path.c_str(), 1234));
  EXPECT_FALSE(VLserial_open(2, "/nonexistent/tty", 9600));
  EXPECT_EQ(fired_count(VLM_SERIAL_BAD_PORT), 1);
  EXPECT_EQ(fired_count(VLM_SERIAL_BAD_SPEED), 1);
  EXPECT_EQ(fired_count(VLM_SERIAL_OPEN_FAILED), 1);
  VLserial_close(1);
  EXPECT_EQ(VLserial_write(1, out, 2), 1);
}

TEST_F(SerialTest, DecimalFloatBytes) {
  struct Case {
    float x;
    int b0, b1;
  } cases[] = {
      {1.0f, 0x4E, 0x0C},        /* 100 x 10^-2 */
      {0.0f, 0x00, 0x00},
      {5e-8f, 0x00, 0x00},       /* below 1e-7 counts as zero */
      {100.0f, 0x40, 0x0C},      /* 100 x 10^0 */
      {-1.0f, 0x4E, 0x73},       /* -100 x 10^-2: the same low bits, (-100 >> 3) & 127 */
      {-0.995f, 0x4E, 0x73},     /* -99.5 rounds away from zero, to -100 */
      {511.7f, 0x31, 0x06},      /* 512 would not fit ten bits: 51 x 10^1 */
  };
  for (const Case &c : cases) {
    _VLcre_putfloat(c.x);
    _VLcre_send();
    EXPECT_EQ(received(2), (std::vector<int>{c.b0, c.b1})) << c.x;
  }
}

TEST_F(SerialTest, ValuesRoundTripThrough14And32Bits) {
  for (int v : {0, 1, -1, 8191, -8192, -300, 4096}) {
    _VLcre_put14(v);
    _VLcre_send();
    std::vector<int> b = received(2);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_LT(b[0], 128);
    EXPECT_LT(b[1], 128);
    device_says({b[0], b[1]});
    bool ok = true;
    EXPECT_EQ(_VLcre_get14(&ok), v);
    EXPECT_TRUE(ok);
  }
  for (int32_t v : {0, -1, 123456789, -123456789, INT32_MAX, INT32_MIN, 16384}) {
    _VLcre_put32(v);
    _VLcre_send();
    std::vector<int> b = received(6);
    ASSERT_EQ(b.size(), 6u);
    device_says({b[0], b[1], b[2], b[3], b[4], b[5]});
    bool ok = true;
    EXPECT_EQ(_VLcre_get32(&ok), v);
    EXPECT_TRUE(ok);
  }
  bool ok = true;
  _VLcre_get14(&ok);
  EXPECT_FALSE(ok);   /* no bytes: the read tells */
}

VLsound make_serial_sound(uint16_t object) {
  VLsound s = {};
  s.object = object;
  s.state = VLSOUND_STOPPED;
  return s;
}

int g_pending_runs = 0;
void pending_callback(void) { g_pending_runs++; }

TEST_F(SerialTest, CommandPacketsAndResults) {
  VLcre_configure(1, 2, false);
  VLsound s = make_serial_sound(5);
  float one = 1.0f;
  EXPECT_EQ(VLcre_command(1, &s, 10, &one), 1);
  EXPECT_EQ(received(11),
            (std::vector<int>{0x90, 5, 0, 1, 10, 0x4E, 0x0C, 0, 0x04}));
  int32_t three[3] = {-2, 70000, 3};
  EXPECT_EQ(VLcre_command(0, &s, 11, three), 1);
  std::vector<int> b = received(24);
  ASSERT_EQ(b.size(), 5u + 18u + 2u);
  EXPECT_EQ(s.words[0], -2);
  EXPECT_EQ(s.words[1], 70000);
  EXPECT_EQ(_VLdevices().cre.inuse, 3u);
  g_pending_runs = 0;
  VLcre_setpending(pending_callback);
  EXPECT_EQ(VLcre_command(0, &s, 3, nullptr), 1);
  EXPECT_EQ(VLcre_command(0, &s, 4, nullptr), 1);
  EXPECT_EQ(g_pending_runs, 1);
  received(14);
  VLsound none = make_serial_sound(65535);
  struct Case {
    int unit;
    VLsound *sound;
    int operation, result;
  } cases[] = {{2, &s, 2, 0}, {-1, &s, 2, 0}, {0, nullptr, 2, -1}, {0, &none, 2, -3},
               {0, &s, 1, -2}, {0, &s, 14, -2}};
  for (const Case &c : cases)
    EXPECT_EQ(VLcre_command(c.unit, c.sound, c.operation, nullptr), c.result) << c.operation;
  EXPECT_EQ(received(1).size(), 0u);   /* refused commands send nothing */
}

TEST_F(SerialTest, CloseOrderAndResults) {
  VLcre_configure(1, 1, false);
  EXPECT_EQ(VLcre_close(12, 0), -1);
  EXPECT_EQ(VLcre_close(0, 0), -3);           /* nothing open */
  ASSERT_TRUE(VLcre_openclient(1));
  EXPECT_EQ(VLcre_close(0, 0), -2);           /* count 1 - client 0, but 0 is not open */
  ASSERT_TRUE(VLcre_openclient(0));
  EXPECT_FALSE(VLcre_openclient(0));
  EXPECT_EQ(VLcre_close(0, 0), -3);           /* client 1 is still open */
  EXPECT_EQ(VLcre_close(0, 1), 1);
  EXPECT_EQ(received(8), (std::vector<int>{0xC0, 0, 1, 0, 0, 0, 0, 0x04}));
  EXPECT_EQ(fired_count(VLM_CRE_PORT_CLOSED), 0);
  EXPECT_EQ(VLcre_close(0, 0), 1);
  EXPECT_EQ(fired_count(VLM_CRE_PORT_CLOSED), 1);
  EXPECT_EQ(_VLdevices().cre.nopen, 0);
  EXPECT_EQ(_VLdevices().cre.units, 0);       /* back to the initial state */
}

TEST_F(SerialTest, Replies) {
  VLcre_configure(1, 1, false);
  ASSERT_TRUE(VLcre_openclient(0));
  device_says({0x21, 0xA1, 16, 5});           /* noise, a wrong header */
  EXPECT_EQ(VLcre_readreply(0x30, 16), -7);
  EXPECT_EQ(fired_count(VLM_CRE_READ_ERROR), 1);
  ASSERT_EQ(fired().size(), 1u);
  EXPECT_EQ(fired()[0].text, "VLX Warning: CRE READ ERROR: got a a1,20\n looking for 30 client 0");
  while (VLserial_getchar(1) >= 0) {
  }
  device_says({0xB3, 15, 5});                 /* right header, wrong status */
  EXPECT_EQ(VLcre_readreply(0x30, 16), -8);
  VLserial_getchar(1);
  device_says({0xB3, 1, 5});                  /* any status: client 1 is not open */
  EXPECT_EQ(VLcre_readreply(0x30, -1), -9);
  VLserial_getchar(1);
  device_says({0xB3, 16, 42});
  EXPECT_EQ(VLcre_readreply(0x30, 16), 42);
  EXPECT_EQ(_VLdevices().cre.client, 3);      /* learnt from the header */
  device_says({0xB3, 0, 7});
  EXPECT_EQ(VLcre_readreply(0x30, -1), 7);
  device_says({0xB4, 16, 1});                 /* another client's reply */
  EXPECT_EQ(VLcre_readreply(0x30, 16), -7);
}

TEST_F(SerialTest, SerialSoundDevice) {
  VLsounddevice *d = VLsounddevice_open(VLSOUND_SERIAL);
  ASSERT_NE(d, nullptr);
  VLcre_configure(1, 1, false);
  ASSERT_TRUE(VLcre_openclient(0));
  VLsound *s = static_cast<VLsound *>(calloc(1, sizeof(VLsound)));
  s->object = 9;
  s->loops = -1;
  s->device = d;
  d->sounds = s;
  EXPECT_TRUE(VLsound_play(s));
  EXPECT_EQ(received(12), (std::vector<int>{0x90, 9, 0, 0, 2, 0, 4, 0x90, 9, 0, 0, 6, 0, 4}));
  EXPECT_TRUE(VLsound_stop(s));
  EXPECT_EQ(received(7), (std::vector<int>{0x90, 9, 0, 0, 7, 0, 4}));
  EXPECT_TRUE(VLsound_delete(s));               /* stopped again, then released */
  EXPECT_EQ(received(12), (std::vector<int>{0x90, 9, 0, 0, 7, 0, 4, 0xD0, 9, 0, 0, 0}));
  EXPECT_TRUE(VLsounddevice_close(d));
}

/* ------------------------------------------------------------------ */
/* Sound over SDL's dummy audio driver */

/* A PCM WAV file: 8-bit mono at 8000 samples/s; the data chunk claims
 * `claimed` bytes and holds `actual`. */
std::string write_wav(const char *name, uint32_t claimed, uint32_t actual) {
  std::string path = testing::TempDir() + name;
  FILE *f = fopen(path.c_str(), "wb");
  auto u32 = [&](uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    fwrite(b, 1, 4, f);
  };
  auto u16 = [&](uint16_t v) {
    uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    fwrite(b, 1, 2, f);
  };
  fwrite("RIFF", 1, 4, f);
  u32(36 + claimed);
  fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  fwrite("data", 1, 4, f);
  u32(claimed);
  for (uint32_t i = 0; i < actual; ++i) fputc(128 + int(40 * sin(i * 0.3)), f);
  fclose(f);
  return path;
}

int g_ends = 0;
void count_end(VLsound *) { g_ends++; }

class SoundTest : public UniverseTest {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    UniverseTest::SetUp();
    _VLdevices_reset();
    g_ends = 0;
    device = VLsounddevice_open(VLSOUND_WAVEOUT);
    ASSERT_NE(device, nullptr);
    wav = write_wav("vlx_sound.wav", 400, 400);
  }
  void TearDown() override {
    _VLdevices_reset();
    UniverseTest::TearDown();
  }
  /* Runs frames (whose pump delivers completion notices) until done. */
  template <typename F>
  bool frames_until(F done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      VLuniverse_go1();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  VLsounddevice *device = nullptr;
  std::string wav;
};

TEST_F(SoundTest, LoadReadsTheFormat) {
  VLsound *s = VLsound_load(device, wav.c_str());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->length, 400u);
  EXPECT_EQ(s->format.rate, 8000u);
  EXPECT_EQ(s->format.channels, 1);
  EXPECT_EQ(s->format.bits, 8);
  EXPECT_EQ(s->state, VLSOUND_STOPPED);
  EXPECT_EQ(s->plays, 1);
  EXPECT_EQ(s->object, 65535);
  EXPECT_EQ(device->sounds, s);
}

TEST_F(SoundTest, BadAndTruncatedFilesAreRefused) {
  std::string truncated = write_wav("vlx_truncated.wav", 4000, 100);
  std::string garbage = testing::TempDir() + "vlx_garbage.wav";
  FILE *f = fopen(garbage.c_str(), "wb");
  fputs("RIFF nothing like a wave file", f);
  fclose(f);
  for (const std::string &p : {truncated, garbage, testing::TempDir() + "vlx_missing.wav"})
    EXPECT_EQ(VLsound_load(device, p.c_str()), nullptr) << p;
  EXPECT_EQ(fired_count(VLM_SOUND_CANNOT_LOAD), 3);
  EXPECT_EQ(device->sounds, nullptr);
}

TEST_F(SoundTest, LoopCountThreePlaysThreeTimesThenEnds) {
  VLsound *s = VLsound_load(device, wav.c_str());
  ASSERT_NE(s, nullptr);
  s->loops = 3;
  s->end = count_end;
  ASSERT_TRUE(VLsound_play(s));
  EXPECT_EQ(s->state, VLSOUND_PLAYING);
  ASSERT_TRUE(frames_until([&] { return g_ends > 0; }));
  EXPECT_EQ(_VLdevices().wavewrites, 3);
  EXPECT_EQ(g_ends, 1);
  EXPECT_EQ(s->state, VLSOUND_STOPPED);
  EXPECT_EQ(s->plays, 1);
  EXPECT_EQ(s->stream, nullptr);
  for (int i = 0; i < 20; ++i) VLuniverse_go1();
  EXPECT_EQ(g_ends, 1);
}

TEST_F(SoundTest, LoopCountMinusOneRepeatsUntilStopped) {
  VLsound *s = VLsound_load(device, wav.c_str());
  s->loops = -1;
  s->end = count_end;
  ASSERT_TRUE(VLsound_play(s));
  ASSERT_TRUE(frames_until([&] { return _VLdevices().wavewrites >= 5; }));
  EXPECT_EQ(s->state, VLSOUND_PLAYING);
  EXPECT_GE(s->plays, 4);
  EXPECT_TRUE(VLsound_stop(s));
  EXPECT_EQ(s->state, VLSOUND_STOPPED);
  EXPECT_EQ(s->plays, 1);
  int writes = _VLdevices().wavewrites;
  for (int i = 0; i < 20; ++i) VLuniverse_go1();
  EXPECT_EQ(_VLdevices().wavewrites, writes);
  EXPECT_EQ(g_ends, 0);
}

TEST_F(SoundTest, SecondSoundOnABusyDeviceIsQueued) {
  VLsound *first = VLsound_load(device, wav.c_str());
  VLsound *second = VLsound_load(device, wav.c_str());
  first->end = count_end;
  second->end = count_end;
  ASSERT_TRUE(VLsound_play(first));
  EXPECT_FALSE(VLsound_play(second));
  EXPECT_EQ(device->queued, second);
  EXPECT_EQ(second->state, VLSOUND_STOPPED);
  ASSERT_TRUE(frames_until([&] { return g_ends == 1; }));
  EXPECT_EQ(first->state, VLSOUND_STOPPED);
  EXPECT_EQ(second->state, VLSOUND_PLAYING);
  EXPECT_EQ(device->queued, nullptr);
  ASSERT_TRUE(frames_until([&] { return g_ends == 2; }));
  EXPECT_EQ(second->state, VLSOUND_STOPPED);
  EXPECT_EQ(_VLdevices().wavewrites, 2);
}

TEST_F(SoundTest, DeleteStopsAndUnlinks) {
  VLsound *first = VLsound_load(device, wav.c_str());
  VLsound *second = VLsound_load(device, wav.c_str());
  second->loops = -1;
  ASSERT_TRUE(VLsound_play(second));
  EXPECT_FALSE(VLsound_play(first));
  EXPECT_TRUE(VLsound_delete(first));          /* the queued slot forgets it */
  EXPECT_EQ(device->queued, nullptr);
  EXPECT_TRUE(VLsound_delete(second));
  EXPECT_EQ(device->sounds, nullptr);
  for (int i = 0; i < 20; ++i) VLuniverse_go1();   /* late notices match nothing */
  EXPECT_TRUE(VLsounddevice_close(device));
  device = nullptr;
}

TEST(Sound, UnlinkAndRelativePosition) {
  VLsound a = {}, b = {};
  VLsoundref cb = {&b, nullptr}, ca = {&a, &cb};
  a.ref = &ca;
  b.ref = &cb;
  VLsoundref *list = &ca;
  EXPECT_TRUE(VLsound_unlink(&list, &b));
  EXPECT_EQ(b.ref, nullptr);
  EXPECT_EQ(ca.next, nullptr);
  EXPECT_FALSE(VLsound_unlink(&list, &b));
  EXPECT_TRUE(VLsound_unlink(&list, &a));
  EXPECT_EQ(list, nullptr);

  VLviewpoint listener = {};
  listener.position = VLp3{1, 2, 3};
  const float h = sqrtf(0.5f);
  listener.orientation = VLq{0, h, 0, h};   /* a quarter turn about y */
  VLp3 at = {1, 2, 5}, out;
  VLsound_relativeposition(&listener, &at, &out);
  VLq conj = {0, -h, 0, h};
  VLp3 d = {0, 0, 2}, expect;
  VLq_rotate(&d, &conj, &expect);
  EXPECT_NEAR(out.x, expect.x, 1e-6);
  EXPECT_NEAR(out.z, expect.z, 1e-6);
  EXPECT_NEAR(fabsf(out.x), 2.0f, 1e-6);
  VLsound_relativeposition(nullptr, &at, &out);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 0.0f);
}

}  // namespace
