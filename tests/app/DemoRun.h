// Running the built demo program from a test: in a given folder, with a display or none,
// collecting what it prints and its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "platform/DynLib.h"

namespace demotest {

// The folder of the test programs, where the build put the demo and its picture.
inline std::string ProgramDirectory() { return platform::ExecutableDirectory(); }

struct TRun {
  int ExitStatus = -1;
  std::string Output;  // standard output, and standard error when asked for
};

// Runs the demo in a folder with the given arguments and display ("" for none).
inline TRun RunDemo(const std::string& dir, const std::string& arguments, const std::string& display = "",
             bool withErrors = false) {
  const std::string environment = display.empty() ? "env -u DISPLAY" : "env DISPLAY=" + display;
  const std::string command = "cd '" + dir + "' && " + environment + " '" PF_DEMO_PROGRAM "' " + arguments +
                              (withErrors ? " 2>&1" : " 2>/dev/null");
  TRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Output.append(buffer, n);
  const int status = pclose(pipe);
  run.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace demotest
