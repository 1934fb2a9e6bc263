#include <platform/DesktopFolder.h>

#include <cstdlib>
#include <sstream>

#include <text/TextFile.h>

namespace tabulon {

namespace {

// The value of XDG_DESKTOP_DIR in a user-dirs.dirs text, with "$HOME"
// expanded; nullopt when the file does not set it.
std::optional<std::string> DesktopDirFromUserDirs(std::string_view text, const std::string& home) {
  std::istringstream lines{std::string(text)};
  std::string line;
  std::optional<std::string> found;
  while (std::getline(lines, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    line = line.substr(start);
    if (!line.starts_with("XDG_DESKTOP_DIR=")) continue;
    std::string value = line.substr(16);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.starts_with("$HOME")) {
      value = home + value.substr(5);
    } else if (!value.starts_with("/")) {
      continue;  // only absolute paths and $HOME-relative ones are valid
    }
    found = value;  // the last assignment wins, as in a shell
  }
  return found;
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::filesystem::path> ConfigHome(const EnvironmentReader& environment) {
  if (const auto xdg = environment("XDG_CONFIG_HOME"); xdg && xdg->starts_with("/")) return *xdg;
  if (const auto home = environment("HOME"); home && !home->empty()) {
    return std::filesystem::path(*home) / ".config";
  }
  return std::nullopt;
}

std::string GetDesktopFolder(const EnvironmentReader& environment, const FileReader& readFile) {
  const std::optional<std::string> home = environment("HOME");
  if (!home || home->empty()) return "";
  std::string desktop = *home + "/Desktop";
  if (const auto text = readFile(*ConfigHome(environment) / "user-dirs.dirs")) {
    if (auto fromFile = DesktopDirFromUserDirs(*text, *home)) desktop = *fromFile;
  }
  while (desktop.size() > 1 && desktop.back() == '/') desktop.pop_back();
  return desktop;
}

std::string GetDesktopFolder() { return GetDesktopFolder(ProcessEnvironment, TryReadFileBytes); }

}  // namespace tabulon
