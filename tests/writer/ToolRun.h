#pragma once
// Runs a command-line tool (mdbtools, mkmdb) as a child process and
// collects its exit status and output.

#include <string>
#include <vector>

namespace tabulon::test {

struct ToolResult {
  int ExitCode = -1;  // -1 when the tool could not be started or was killed
  std::string Out;
  std::string Err;
};

// Runs `args` (args[0] looked up in PATH unless it holds a '/'); the child's
// standard input is /dev/null.
ToolResult RunTool(const std::vector<std::string>& args);

// True when `tool` can be found in PATH.
bool HaveTool(const std::string& tool);

}  // namespace tabulon::test
