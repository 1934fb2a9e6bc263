#pragma once
// Runs a program the way a user would, for tests of the command-line tools
// and for cross-checks with mdbtools: arguments, optional standard input,
// environment additions; collects the exit status and both outputs.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <tests/support/TestSupport.h>

namespace tabulon::test {

struct ProcessResult {
  int ExitCode = -1;  // -1 when the program did not exit normally
  std::string Out;
  std::string Err;
};

// argv[0] is looked up in PATH unless it holds a '/'.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = "",
                                const std::map<std::string, std::string>& environment = {}) {
  TempDir io;
  WriteBytes(io / "in", input);
  const std::string inPath = (io / "in").string();
  const std::string outPath = (io / "out").string();
  const std::string errPath = (io / "err").string();
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(inPath.c_str(), O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  ProcessResult result;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    result.ExitCode = WEXITSTATUS(status);
  }
  result.Out = ReadBytes(outPath);
  result.Err = ReadBytes(errPath);
  return result;
}

// True when `program` is an executable in PATH.
inline bool HaveTool(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "";
  while (!rest.empty()) {
    const std::string_view folder = rest.substr(0, rest.find(':'));
    rest.remove_prefix(std::min(rest.size(), folder.size() + 1));
    if (access((std::filesystem::path(folder) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// An executable of the build, such as "tabulon-cli".
inline std::string BuiltProgram(const std::string& name) {
  return (std::filesystem::path(TABULON_BIN_DIR) / name).string();
}

}  // namespace tabulon::test
