#include "support/process.h"

#include <stdio.h>
#include <sys/wait.h>

ProgramRun run_command(const std::string &cmd) {
  ProgramRun r{-1, ""};
  FILE *p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}
