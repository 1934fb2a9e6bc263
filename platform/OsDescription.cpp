#include <platform/OsDescription.h>

#include <sstream>

#include <sys/utsname.h>

#include <text/TextFile.h>

namespace tabulon {

namespace {

// The value of PRETTY_NAME, unquoted, or "" when absent.
std::string PrettyName(std::string_view osRelease) {
  std::istringstream lines{std::string(osRelease)};
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.starts_with("PRETTY_NAME=")) continue;
    std::string value = line.substr(12);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return "";
}

}  // namespace

std::string DescribeLinux(std::optional<std::string_view> osRelease, std::string_view kernelName,
                          std::string_view kernelRelease) {
  const std::string pretty = osRelease ? PrettyName(*osRelease) : "";
  std::string kernel;
  if (!kernelName.empty()) {
    kernel = std::string(kernelName);
    if (!kernelRelease.empty()) kernel += " " + std::string(kernelRelease);
  }
  if (!pretty.empty() && !kernel.empty()) return pretty + " (" + kernel + ")";
  if (!pretty.empty()) return pretty;
  if (!kernel.empty()) return kernel;
  return "Linux";
}

std::string GetOSDescription() {
  std::optional<std::string> osRelease;
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    osRelease = TryReadFileBytes(path);
    if (osRelease) break;
  }
  utsname system{};
  if (uname(&system) != 0) return DescribeLinux(osRelease, "", "");
  return DescribeLinux(osRelease, system.sysname, system.release);
}

}  // namespace tabulon
