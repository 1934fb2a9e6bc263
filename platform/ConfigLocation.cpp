#include <platform/ConfigLocation.h>

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

  const std::optional<std::filesystem::path> config = ConfigHome(environment);
  if (!config) return {settings, list};
  const std::filesystem::path folder = *config / executable.stem();
  return {folder / settings.filename(), folder / list.filename()};
}

ConfigFiles LocateConfigFiles(const std::filesystem::path& executable) {
  const std::filesystem::path folder = executable.parent_path();
  const bool writable = ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
  return LocateConfigFiles(executable, writable, ProcessEnvironment);
}

}  // namespace tabulon
