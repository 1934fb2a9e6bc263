#pragma once
// Where the program keeps its settings file and its list file: beside the
// executable, named after it with the extensions ".ini" and ".dat", when
// that folder is writable; otherwise (an installed program in a read-only
// folder) in $XDG_CONFIG_HOME/<name>/, by default ~/.config/<name>/, with
// the same file names.

#include <filesystem>

#include <platform/DesktopFolder.h>

namespace tabulon {

struct ConfigFiles {
  std::filesystem::path Settings;  // "<name>.ini"
  std::filesystem::path List;      // "<name>.dat"
};

// The files for `executable`; `besideWritable` tells whether the
// executable's folder can be written. Without a home folder the files stay
// beside the executable.
ConfigFiles LocateConfigFiles(const std::filesystem::path& executable, bool besideWritable,
                              const EnvironmentReader& environment);

// The same for the process's environment, testing the folder's access.
ConfigFiles LocateConfigFiles(const std::filesystem::path& executable);

}  // namespace tabulon
