/* Test support: runs a shell command and collects its standard output and
 * exit status (for tests that drive the programs as subprocesses). */
#ifndef VLX_TESTS_SUPPORT_PROCESS_H
#define VLX_TESTS_SUPPORT_PROCESS_H

#include <string>

struct ProgramRun {
  int status;        /* exit status, -1 when it did not exit normally */
  std::string out;
};

/* The command through popen; its standard error goes wherever the command
 * sends it (append "2>&1" or "2>/dev/null" as wanted). */
ProgramRun run_command(const std::string &cmd);

#endif
