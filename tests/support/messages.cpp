#include "support/messages.h"

#include "core/diag_internal.h"
#include "core/state.h"
#include "display/device/device.h"
#include "display/display_state.h"
#include "render/render_state.h"
#include "universe/universe_state.h"
#include "vlx/universe.h"

namespace {
std::vector<FiredMessage> g_fired;
void capture(int id, int level, const char *format, const char *text) {
  g_fired.push_back({id, level, format, text});
}
}  // namespace

void record_messages(void) {
  g_fired.clear();
  _VLmsg_setcapture(capture);
}

void stop_recording(void) { _VLmsg_setcapture(nullptr); }

const std::vector<FiredMessage> &fired(void) { return g_fired; }

int fired_count(VLmsgid id) {
  int n = 0;
  for (const FiredMessage &m : g_fired) n += m.id == id;
  return n;
}

int fired_count(const char *format) {
  int n = 0;
  for (const FiredMessage &m : g_fired) n += m.format == format;
  return n;
}

void UniverseTest::SetUp() {
  _VLcore_reset();
  _VLuniverses_reset();
  _VLdevice_usenull(!real_device());
  testing::internal::CaptureStdout();
  VLuniverse_new(1, 0);
  testing::internal::GetCapturedStdout();
  ASSERT_NE(VLuniverse_current(), nullptr);
  record_messages();
}

void UniverseTest::TearDown() {
  stop_recording();
  VLuniverse_delete();
  _VLcore_reset();
  _VLuniverses_reset();
  _VLdisplay_reset();
  _VLrender_reset();
  _VLdevice_usenull(false);
}
