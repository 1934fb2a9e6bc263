#pragma once
// The user's desktop folder, as the desktop shows it: XDG_DESKTOP_DIR from
// the user-dirs.dirs file of the XDG configuration folder, or $HOME/Desktop
// when the file does not name one.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon {

// Reads an environment variable; nullopt when it is not set.
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;
// Reads a whole text file; nullopt when it cannot be read.
using FileReader = std::function<std::optional<std::string>(const std::filesystem::path&)>;

// The process's environment as an EnvironmentReader.
std::optional<std::string> ProcessEnvironment(const char* name);

// The XDG configuration folder: $XDG_CONFIG_HOME when it is absolute, else
// $HOME/.config; nullopt when neither is known.
std::optional<std::filesystem::path> ConfigHome(const EnvironmentReader& environment);

// The desktop folder without a trailing "/", or "" when it cannot be
// resolved (no home folder known).
std::string GetDesktopFolder(const EnvironmentReader& environment, const FileReader& readFile);

// The same from the process's environment and files.
std::string GetDesktopFolder();

}  // namespace tabulon
