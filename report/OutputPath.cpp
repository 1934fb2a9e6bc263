#include <report/OutputPath.h>

#include <fmt/format.h>

namespace tabulon {

std::string ExecutableStem(const std::filesystem::path& executable) {
  return executable.filename().stem().string();
}

std::string DefaultReportFileName(const std::filesystem::path& executable, const std::tm& date) {
  return fmt::format("{}_{:02d}{:02d}{:02d}.html", ExecutableStem(executable), date.tm_year % 100,
                     date.tm_mon + 1, date.tm_mday);
}

std::filesystem::path DesktopReportFolder(const std::string& desktop,
                                          const std::filesystem::path& executable) {
  return std::filesystem::path(desktop) / (ExecutableStem(executable) + "_out");
}

std::filesystem::path UniqueReportPath(const std::filesystem::path& folder,
                                       const std::string& fileName) {
  const auto taken = [](const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
  };
  std::filesystem::path path = folder / fileName;
  const std::string stem = path.stem().string();
  const std::string extension = path.extension().string();
  for (unsigned long n = 1; taken(path); ++n) {
    path = folder / fmt::format("{}({:02X}){}", stem, n, extension);
  }
  return path;
}

}  // namespace tabulon
