/* Test support: records which catalogue messages fired, and a fixture that
 * gives every test a fresh universe and a clean core state. */
#ifndef VLX_TESTS_SUPPORT_MESSAGES_H
#define VLX_TESTS_SUPPORT_MESSAGES_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/messages.h"

struct FiredMessage {
  int id;                 /* VLM_*, or -1 for a text not from the catalogue */
  int level;
  std::string format;
  std::string text;
};

/* Starts recording (clears what was recorded before). */
void record_messages(void);
/* Stops recording. */
void stop_recording(void);
/* Everything recorded since record_messages(). */
const std::vector<FiredMessage> &fired(void);
/* How many recorded messages were this catalogue message. */
int fired_count(VLmsgid id);
/* How many recorded messages had this format text. */
int fired_count(const char *format);

/* A fresh universe for each test (banner and version lines swallowed), on
 * the null device; TearDown deletes it and resets the core and display
 * state. */
class UniverseTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  /* Pixel tests override this to render on the real (software) device. */
  virtual bool real_device(void) const { return false; }
};

/* The same on the real device: Mesa's software rasteriser off screen. */
class DeviceTest : public UniverseTest {
 protected:
  bool real_device(void) const override { return true; }
};

#endif
