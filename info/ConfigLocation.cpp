#include <info/ConfigLocation.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <unistd.h>

namespace tabulon {

ConfigFiles LocateConfigFiles(const std::filesystem::path& executable, bool besideWritable,
                              const EnvironmentReader& environment) {
  std::filesystem::path settings = executable;
  settings.replace_extension(".ini");
  std::filesystem::path list = executable;
  list.replace_extension(".dat");
  if (besideWritable) return {settings, list};

  std::filesystem::path config;
  if (const auto xdg = environment("XDG_CONFIG_HOME"); xdg && xdg->starts_with("/")) {
    config = *xdg;
  } else if (const auto home = environment("HOME"); home && !home->empty()) {
    config = std::filesystem::path(*home) / ".config";
  } else {
    return {settings, list};
  }
  const std::filesystem::path folder = config / executable.stem();
  return {folder / settings.filename(), folder / list.filename()};
}

ConfigFiles LocateConfigFiles(const std::filesystem::path& executable) {
  const std::filesystem::path folder = executable.parent_path();
  const bool writable = ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
  return LocateConfigFiles(executable, writable,
                           [](const char* name) -> std::optional<std::string> {
                             const char* value = std::getenv(name);
                             if (value == nullptr) return std::nullopt;
                             return std::string(value);
                           });
}

}  // namespace tabulon
