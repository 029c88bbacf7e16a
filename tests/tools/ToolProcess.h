// Runs kestrel-sql as a child process: arguments, text on its standard
// input, and what it printed and returned. Bounded in time: a child still
// running after the limit is killed and the run counts as failed.
#ifndef KESTREL_TESTS_TOOL_PROCESS_H
#define KESTREL_TESTS_TOOL_PROCESS_H

#include <string>
#include <vector>

struct ToolRun {
  int status = -1;     // exit status; -1 when killed or crashed
  int signal = 0;      // the signal that ended it, if any
  std::string out;     // standard output
  std::string err;     // standard error
  long maxRssKb = 0;   // the child's peak resident memory
};

// Runs the tool at `program` with `args`, feeding `input` and closing its
// standard input. `environment` entries (NAME=VALUE) are added.
ToolRun RunProgram(const std::string &program,
                   const std::vector<std::string> &args,
                   const std::string &input = std::string(),
                   const std::vector<std::string> &environment = {},
                   int timeoutSeconds = 30);

#endif
